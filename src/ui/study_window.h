#pragma once
// "Исследование параметра": the concentration run of the main window's case
// for each of a list of values of one enclosure or dust field, with a
// progress bar (value k of K and the run within it) and Stop, a table of the
// rows and a chart of the outlet concentration with its 95 % interval,
// updated row by row; the rows export as CSV (the file ltr-cli sweep writes),
// the chart as PNG, and the whole as a report. The study itself is the
// core's (dust/study.h), as ltr-cli sweep runs it.

#include <QDialog>
#include <vector>

#include "dust/study.h"
#include "io/case_file.h"
#include "ui/ui_services.h"

class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QResizeEvent;
class QTableWidget;

namespace ltr {

class TNumberField;

class TfrmStudy : public QDialog, public TStudyObserver {
  Q_OBJECT

 public:
  explicit TfrmStudy(QWidget* parent = nullptr);

  void SetUiServices(const TUiServices& services) { Services_ = services; }
  // The case studied, with the settings of the main window's pages: the
  // counts start from them, and the runs take the rest (moving vortices,
  // residence limit, particle step, fast mode, vortices through the exhaust)
  // as they are; its vortex file, if any, is offered as the flow.
  void SetCase(const TCaseFile& file);

  // The study the fields describe now; nothing, after a message, when a
  // field cannot be read.
  std::optional<TStudy> Study();
  const std::vector<TStudyRow>& Rows() const { return Rows_; }
  bool Running() const { return Running_; }

  // The buttons.
  void btnStartClick();
  void btnStopClick();
  void btnExportClick();
  void btnSavePlotClick();
  void btnReportClick();

  // TStudyObserver: the progress of the study.
  void StudyValue(int k, int count, double value) override;
  void StudyRow(const TStudyRow& row) override;
  bool StudyStopRequested() override { return StopRequested_; }
  void ProcessMessages() override;
  void ConcentrationProgress(int moment, int moments, int inFlight, long long steps, double time) override;
  void VortexRunProgress(double time, double startTime, double maxTime) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowMessage(const QString& text);
  void ShowProgress(double withinRun, const QString& detail);
  void AddRow(const TStudyRow& row);
  void DrawChart();
  QString FieldCaption() const;
  // The table's header, the first column named after the field chosen.
  void ShowHeader();
  void SetRunning(bool running);

  TUiServices Services_ = DefaultUiServices();
  TCaseFile Case_;
  // The study of the rows shown, and its rows.
  TStudy Shown_;
  std::vector<TStudyRow> Rows_;
  bool Running_ = false;
  bool StopRequested_ = false;
  bool CloseAfterRun_ = false;
  int ValueIndex_ = 0;
  int ValueCount_ = 0;
  double Value_ = 0.0;
  long long RunParticles_ = 0;

  QComboBox* cbField_ = nullptr;
  QRadioButton* rbList_ = nullptr;
  QRadioButton* rbRange_ = nullptr;
  QLineEdit* edValues_ = nullptr;
  QLineEdit* edFrom_ = nullptr;
  QLineEdit* edTo_ = nullptr;
  TNumberField* edSteps_ = nullptr;
  TNumberField* edParticles_ = nullptr;
  TNumberField* edMoments_ = nullptr;
  QLineEdit* edSeed_ = nullptr;
  QComboBox* cbFlow_ = nullptr;
  QPushButton* btnStart_ = nullptr;
  QPushButton* btnStop_ = nullptr;
  QProgressBar* pbStudy_ = nullptr;
  QTableWidget* sgRows_ = nullptr;
  QLabel* lbChart_ = nullptr;
  QPushButton* btnExport_ = nullptr;
  QPushButton* btnSavePlot_ = nullptr;
  QPushButton* btnReport_ = nullptr;
  QPushButton* btnClose_ = nullptr;
};

}  // namespace ltr
