#pragma once
// The main window: the fields of the two computations on two pages, the run
// controls, the progress labels, the picture of the model with its zoom, pan
// and drawing toggles, the menus with the file commands and the dialogs, and
// the status bar. It is the user interface the computational core reports to
// while a run is active.
//
// The definitions are split by job: the window's frame and the observer in
// main_window.cpp, the menus, pages and picture panel in
// main_window_pages.cpp, the run control in main_window_runs.cpp, the file,
// menu and view commands and the page change in main_window_commands.cpp.

#include <QMainWindow>
#include <QString>
#include <string>

#include "dust/concentration_run.h"
#include "io/vortex_commands.h"
#include "dust/snapshot_run.h"
#include "model/model_state.h"
#include "model/observer.h"
#include "model/outcome.h"
#include "ui/ui_services.h"
#include "view/scene_renderer.h"
#include "view/view_transform.h"

class QAction;
class QCheckBox;
class QComboBox;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QToolButton;
class QWidget;

namespace ltr {

class TCaseController;
class TfrmAbout;
class TfrmAreaParams;
class TfrmDustProperties;
class TfrmShowOutputConcentration;
class TNumberField;
class TPaintBox;

class TfrmMain : public QMainWindow, public TObserver {
  Q_OBJECT

 public:
  // The window shows `s` and runs its computations, reporting on them itself;
  // `s` must outlive it.
  explicit TfrmMain(TModelState& s, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The other windows the menu commands show; any may be null (the command
  // then does nothing).
  void SetWindows(TfrmAbout* about, TfrmAreaParams* areaParams, TfrmDustProperties* dustProperties,
                  TfrmShowOutputConcentration* results);
  void SetUiServices(const TUiServices& services);
  const TUiServices& UiServices() const { return Services_; }
  // How the concentration run seeds its size generator (from the clock by
  // default) and whether it has a step bound.
  void SetConcentrationOptions(const TConcentrationOptions& options) { ConcentrationOptions_ = options; }

  // The view of the picture and the renderer that draws it.
  const TViewState& View() const { return View_; }
  const TSceneRenderer& Renderer() const { return Renderer_; }
  TPaintBox* PaintBox() const { return pbxPicture_; }

  // Which run is in progress.
  enum class TRunKind { None, Vortex, Concentration };
  TRunKind ActiveRun() const { return ActiveRun_; }

  // Loads a vortex structure file and shows the loaded state; false (after a
  // message) when the file could not be loaded, the model then unchanged.
  bool LoadFile(const QString& fileName);
  // Saves the vortex structure; false (after a message) when it failed.
  bool SaveFile(const QString& fileName);
  // The picture as it is on the screen, written as a PNG file; a failure is
  // shown in a message.
  bool SavePicture(const QString& fileName);

  // Beside the specified commands (main_window_extras.cpp): the cases kept in
  // files, the parameter study, the user's guide and the keys that start and
  // stop the run of the page shown.
  TCaseController* Cases() const { return Cases_; }
  // A file given on the command line: a case (".json") or a vortex structure
  // file; false (after a message) when it was refused, nothing changed then.
  bool OpenFile(const QString& fileName);
  // Replaces the case: the enclosure, switches and dust of c; with `flow`, the
  // flow loaded for it (and its texts), otherwise the simulation is discarded
  // as a confirmed change of the enclosure does.
  void ReplaceCase(const TCase& c, TFlow* flow, const TLoadResult* loaded);

  // TObserver: what the core asks of the window.
  void SetStatusText(const std::string& text) override;
  void SetLabel(TLabel label, const std::string& text) override;
  void RedrawRun(const TFlow& flow, bool withParticles) override;
  void ProcessMessages() override;
  void FlowLineStart(const TRealPoint& p) override;
  void FlowLineTo(const TRealPoint& p) override;
  void ConcentrationProgress(int moment, int moments, int inFlight, long long steps, double time) override;
  void VortexRunProgress(double time, double startTime, double maxTime) override;
  void SnapshotProgress(int done, int count, double fraction) override;
  // The average over the moments of the flow of the last complete run made
  // with it; empty after a plain run.
  const TSnapshotResults& LastSnapshots() const { return LastSnapshots_; }

 public slots:
  // The run control (main_window_runs.cpp).
  void btnStartClick();
  void btnContinueClick();
  void btnStopClick();
  void btnStartCountConcentrationClick();
  void btnStopCountConcentrationClick();
  void btnBuildFlowLineClick();
  void btnEraseFlowLinesClick();
  // The file and menu commands (main_window_commands.cpp).
  void miLoadClick();
  void miSaveClick();
  void miSavePictureClick();
  void N5Click();
  void N12Click();
  void N4Click();
  void N7Click();
  void miShowLastConcentrationClick();
  // Beside the specified commands (main_window_extras.cpp).
  void miStudyClick();
  void miHelpClick();
  void miStartRunClick();
  void miStopRunClick();
  // The view of the picture (main_window_commands.cpp).
  void miZoomInClick();
  void miZoomOutClick();
  void miZoomNoClick();
  // The full redraw: the scene with the current view and toggles, then the
  // particles, then the copy to the paint box.
  void btnDrawClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class TRunGuard;
  friend class TCaseController;

  // The commands beside the specified ones (main_window_extras.cpp).
  void AddExtraCommands();

  // Building the window (main_window_pages.cpp; FormCreate in main_window.cpp).
  void BuildMenus();
  QCheckBox* MakeFastModeBox(QWidget* parent, const char* name);
  QWidget* BuildConcentrationPage();
  QWidget* BuildVortexPage();
  QWidget* BuildPicturePanel();
  static QScrollArea* ScrollingPage(QWidget* content, const char* name);
  void FormCreate();
  // The font and width of the page control that keep every caption whole
  // (main_window_pages.cpp); the width follows the window's height, at which
  // a page may need a scroll bar.
  void FitPageControl();
  int PageControlNeed() const;
  void UpdatePageControlWidth();

  // Page switching (main_window_commands.cpp): whether the page being left
  // may be left, and what happens once another page is shown.
  bool PageControl1Changing(int leaving);
  void PageControl1Change();
  void OnPageChanged(int index);

  // The picture's size field and mouse (main_window_commands.cpp).
  void edVortexSizeChange(int value);
  void PaintBox1MouseDown(int x, int y);
  void PaintBox1MouseMove(int x, int y);
  void PaintBox1MouseUp();

  // The run control (main_window_runs.cpp).
  // The texts of the run fields read as numbers; on a text that is not a
  // number a message names the field and the result is false.
  bool ReadReal(QLineEdit* field, const QString& name, double& value);
  bool ReadInteger(QLineEdit* field, const QString& name, int& value);
  bool ReadVortexRunFields(int& maxFree, double& maxTime, double& dt);

  // The vortex run of Start (fresh) and Continue (from the current state).
  void RunVortexCommand(int maxFree, int startFreeCount, double startTime, double maxTime, double dt);
  // Disables or restores the commands that would replace the data under a run.
  void SetDataCommandsEnabled(bool enabled);
  // The count of free vortices gone through the exhaust, shown while the
  // option that lets them go is on.
  void ShowExhaustedCount();
  void SetVortexButtons(bool start, bool cont, bool stop);

  // A message box through the services (main_window.cpp).
  void ShowText(const QString& text);
  void ShowMessage(const std::string& text);
  // Shows the message of a core operation that was refused or failed (nothing
  // for one that went through or was stopped); true when it went through.
  bool Report(const TOutcome& outcome);
  // Asks whether to go on in a flow whose circulations are all zero; true to go on.
  bool ConfirmWithoutFlow();

  TModelState& s_;
  TUiServices Services_;
  TConcentrationOptions ConcentrationOptions_;

  TViewState View_;
  TSceneRenderer Renderer_;
  TRunKind ActiveRun_ = TRunKind::None;
  int ActivePage_ = 0;
  // Set when the concentration run has passed its checks and begun (it then
  // writes the step label).
  bool ConcentrationBegun_ = false;

  TfrmAbout* About_ = nullptr;
  TfrmAreaParams* AreaParams_ = nullptr;
  TfrmDustProperties* DustProperties_ = nullptr;
  TfrmShowOutputConcentration* Results_ = nullptr;
  TCaseController* Cases_ = nullptr;
  class TfrmHelp* Help_ = nullptr;

  // The controls, named for what they are; each keeps the window's designed
  // name (N5, N12, ToolButton1, PaintBox1, PageControl1…) as its Qt object
  // name, by which it is found.
  // Menu commands.
  QAction* miLoad_ = nullptr;
  QAction* miSave_ = nullptr;
  QAction* miSavePicture_ = nullptr;
  QAction* miExit_ = nullptr;
  QAction* miAreaParams_ = nullptr;
  QAction* miDustProperties_ = nullptr;
  QAction* miShowLastConcentration_ = nullptr;
  QAction* miZoomOut_ = nullptr;
  QAction* miZoomIn_ = nullptr;
  QAction* miZoomNo_ = nullptr;
  QAction* miAbout_ = nullptr;

  QTabWidget* pgcPages_ = nullptr;
  QScrollArea* scrConcentration_ = nullptr;
  QScrollArea* scrVortex_ = nullptr;
  // Page 0.
  TNumberField* edNumParticle_ = nullptr;
  TNumberField* edNumIteration_ = nullptr;
  TNumberField* edMaxResidence_ = nullptr;
  QComboBox* cbParticleStep_ = nullptr;
  QLineEdit* edParticleStep_ = nullptr;
  QRadioButton* rbVortexesFixed_ = nullptr;
  QRadioButton* rbVortexesMove_ = nullptr;
  QCheckBox* cbFastConcentration_ = nullptr;
  // "Усреднить по мгновенным полям": the number of moments and the time
  // between them.
  QCheckBox* cbSnapshots_ = nullptr;
  TNumberField* edSnapshotCount_ = nullptr;
  TNumberField* edSnapshotEvery_ = nullptr;
  TSnapshotResults LastSnapshots_;
  QCheckBox* cbFastVortexRun_ = nullptr;
  QCheckBox* cbExhaustVortices_ = nullptr;
  bool VortexSizeReporting_ = false;
  QPushButton* btnStartCountConcentration_ = nullptr;
  QPushButton* btnStopCountConcentration_ = nullptr;
  QLabel* lbVortexCount2_ = nullptr;
  QLabel* lbStep_ = nullptr;
  // Page 1.
  QLineEdit* edMaxFreeVortex_ = nullptr;
  QLineEdit* edMaxTime_ = nullptr;
  QLineEdit* edDt_ = nullptr;
  QPushButton* btnStart_ = nullptr;
  QPushButton* btnContinue_ = nullptr;
  QPushButton* btnStop_ = nullptr;
  QLabel* lbTime_ = nullptr;
  QLabel* lbVortexCount_ = nullptr;
  QLabel* lbExhaustedVortices_ = nullptr;
  QLineEdit* edX_ = nullptr;
  QLineEdit* edY_ = nullptr;
  QLineEdit* edStep_ = nullptr;
  QLineEdit* edMaxLen_ = nullptr;
  QPushButton* btnBuildFlowLine_ = nullptr;
  QPushButton* btnEraseFlowLines_ = nullptr;
  // Picture panel.
  QToolButton* tbZoomOut_ = nullptr;
  QToolButton* tbZoomIn_ = nullptr;
  QToolButton* tbZoomNo_ = nullptr;
  QToolButton* tbDrawFreeVortexes_ = nullptr;
  QToolButton* tbDrawFixedVortexes_ = nullptr;
  QToolButton* tbDrawAxes_ = nullptr;
  QToolButton* tbDrawVortexNumbers_ = nullptr;
  QToolButton* tbDrawSpeedField_ = nullptr;
  TNumberField* edVortexSize_ = nullptr;
  TPaintBox* pbxPicture_ = nullptr;
  // The one panel of the status bar, and the progress of a run beside it,
  // shown while the run is active.
  QLabel* StatusPanel_ = nullptr;
  QProgressBar* RunProgress_ = nullptr;
};

}  // namespace ltr
