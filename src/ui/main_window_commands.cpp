// The main window's commands: loading and saving the vortex structure and the
// picture, the menu commands that show the other windows, the picture's zoom,
// pan and redraw, and the change of page.

#include "ui/main_window.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <new>
#include <string>

#include "io/vortex_commands.h"
#include "model/discretization.h"
#include "ui/about_box.h"
#include "ui/area_params_dialog.h"
#include "ui/case_controller.h"
#include "ui/dust_properties_dialog.h"
#include "ui/main_window_shared.h"
#include "ui/paint_box.h"
#include "ui/results_window.h"
#include "view/scene_file.h"

namespace ltr {

using namespace main_window_detail;

namespace {

const char* const TimeLabelText = ElapsedTimePrefix;
const char* const ConcentrationPageRefusal = "Переключение режима невозможно во время расчета концентрации!";
const char* const VortexPageRefusal = "Переключение режима невозможно во время моделирования движения вихрей!";

}  // namespace

// ---------------------------------------------------------------------------
// Files.

// Menu "Данные" → "Загрузить вихревую структуру".
void TfrmMain::miLoadClick() {
  if (ActiveRun_ != TRunKind::None) return;
  const QString fileName = Services_.openVortexFile ? Services_.openVortexFile(this) : QString();
  // A refused file ends the command with its message; Continue stays as it was.
  if (!fileName.isEmpty() && !LoadFile(fileName)) return;
  btnContinue_->setEnabled(true);
}

bool TfrmMain::LoadFile(const QString& fileName) {
  if (ActiveRun_ != TRunKind::None) return false;
  TLoadResult result;
  bool loaded = false;
  try {
    loaded = Report(LoadVortexStructure(s_.Case(), s_.Flow(), s_.DustRun(), *this,
                                        QFile::encodeName(fileName).toStdString(), result));
  } catch (const std::bad_alloc&) {
    ShowText(Tr(OutOfMemoryText));
    return false;
  }
  if (!loaded) return false;
  btnDrawClick();
  lbTime_->setText(QString::fromStdString(result.TimeLabel));
  lbVortexCount_->setText(QString::fromStdString(result.VortexCountLabel));
  edMaxTime_->setText(QString::fromStdString(result.MaxTimeText));
  edMaxFreeVortex_->setText(QString::fromStdString(result.MaxFreeVortexText));
  edDt_->setText(QString::fromStdString(result.DtText));
  ShowExhaustedCount();
  btnContinue_->setEnabled(true);
  if (Cases_ != nullptr) Cases_->FlowChanged(fileName);
  return true;
}

// Menu "Данные" → "Сохранить вихревую структуру".
void TfrmMain::miSaveClick() {
  if (ActiveRun_ != TRunKind::None) return;
  const QString fileName = Services_.saveVortexFile ? Services_.saveVortexFile(this) : QString();
  if (!fileName.isEmpty()) SaveFile(fileName);
}

bool TfrmMain::SaveFile(const QString& fileName) {
  if (ActiveRun_ != TRunKind::None) return false;
  if (!Report(SaveVortexStructure(s_.Case(), s_.Flow(), QFile::encodeName(fileName).toStdString()))) return false;
  if (Cases_ != nullptr) Cases_->FlowChanged(fileName);
  return true;
}

// Menu "Данные" → "Сохранить рисунок…".
void TfrmMain::miSavePictureClick() {
  const QString fileName = Services_.savePictureFile ? Services_.savePictureFile(this) : QString();
  if (!fileName.isEmpty()) SavePicture(fileName);
}

bool TfrmMain::SavePicture(const QString& fileName) {
  std::string error;
  if (SaveImagePng(Renderer_.SceneBitmap, QFile::encodeName(fileName).toStdString(), &error)) return true;
  ShowText(Tr("Не удалось сохранить рисунок: ") + QString::fromStdString(error));
  return false;
}

// ---------------------------------------------------------------------------
// The other windows.

// Menu "Данные" → "Выход".
void TfrmMain::N5Click() { close(); }

// Menu "Параметры" → "Конфигурация области течения".
void TfrmMain::N12Click() {
  if (ActiveRun_ != TRunKind::None || AreaParams_ == nullptr) return;
  AreaParams_->LoadFrom(s_);
  if (!AreaParams_->Execute()) return;
  AreaParams_->StoreInto(s_);
  s_.FreeCount = 0;
  s_.Time = 0.0;
  lbTime_->setText(Tr(TimeLabelText));
  lbVortexCount_->setText(Tr(VortexCountLabelText));
  BuildArea(s_.Area, s_.Flow());
  SetStatusText(BoundCountText(s_.BoundCount));
  ShowExhaustedCount();
  btnDrawClick();
  btnContinue_->setEnabled(false);
  if (Cases_ != nullptr) Cases_->FlowChanged(QString());
}

// Menu "Параметры" → "Характеристика пылевого состава".
void TfrmMain::N4Click() {
  if (ActiveRun_ != TRunKind::None || DustProperties_ == nullptr) return;
  DustProperties_->LoadFrom(s_);
  if (!DustProperties_->Execute()) return;
  DustProperties_->StoreInto(s_);
}

// Menu "Справка" → "О программе".
void TfrmMain::N7Click() {
  if (About_ != nullptr) About_->ShowModal();
}

// Menu "Параметры" → "Показать последний расчет концентрации".
void TfrmMain::miShowLastConcentrationClick() {
  if (Results_ != nullptr) Results_->ShowFor(s_, &LastSnapshots_);
}

// ---------------------------------------------------------------------------
// The picture.

// The drawing toggles of the picture's tool bar (tbDrawFreeVortexes … tbDrawSpeedField); every full redraw.
void TfrmMain::btnDrawClick() {
  TDrawToggles toggles;
  toggles.FreeVortices = tbDrawFreeVortexes_->isChecked();
  toggles.BoundVortices = tbDrawFixedVortexes_->isChecked();
  toggles.Axes = tbDrawAxes_->isChecked();
  toggles.VortexNumbers = tbDrawVortexNumbers_->isChecked();
  toggles.SpeedField = tbDrawSpeedField_->isChecked();
  // Drawn with the screen's pixels, so that a scaled desktop shows it sharp.
  Renderer_.DevicePixelRatio = pbxPicture_->devicePixelRatioF();
  Renderer_.FullRedraw(s_, pbxPicture_->width(), pbxPicture_->height(), View_, toggles);
}

// Menu "Масштаб" → "Увеличить"; tool button ToolButton1 ("Увеличить").
void TfrmMain::miZoomInClick() {
  ZoomIn(View_, pbxPicture_->width(), pbxPicture_->height());
  btnDrawClick();
}

// Menu "Масштаб" → "Уменьшить"; tool button ToolButton2 ("Уменьшить").
void TfrmMain::miZoomOutClick() {
  ZoomOut(View_, pbxPicture_->width(), pbxPicture_->height());
  btnDrawClick();
}

// Menu "Масштаб" → "Исходный"; tool button ToolButton3 ("Исходный масштаб").
void TfrmMain::miZoomNoClick() {
  SetInitialView(View_, pbxPicture_->height());
  btnDrawClick();
}

// Field "Размер свободных вихрей:" (edVortexSize).
void TfrmMain::edVortexSizeChange(int value) {
  s_.FreeVortexSize = value;
  btnDrawClick();
}

// The picture PaintBox1: a mouse button pressed starts dragging the view.
void TfrmMain::PaintBox1MouseDown(int x, int y) { PanPress(View_, x, y); }

// The picture PaintBox1: the mouse moved while dragging pans the view.
void TfrmMain::PaintBox1MouseMove(int x, int y) {
  if (PanMove(View_, x, y)) btnDrawClick();
}

// The picture PaintBox1: the mouse button released ends the drag.
void TfrmMain::PaintBox1MouseUp() { PanRelease(View_); }

// ---------------------------------------------------------------------------
// Pages.

// Page control PageControl1 ("Расчет концентрации", "Расчет поля скоростей"): may the page be left.
bool TfrmMain::PageControl1Changing(int leaving) {
  if (leaving == 0 && ActiveRun_ == TRunKind::Concentration) return false;
  if (leaving == 1 && ActiveRun_ == TRunKind::Vortex) return false;
  return true;
}

// Page control PageControl1: another page chosen; goes back with a message when the page may not be left.
void TfrmMain::OnPageChanged(int index) {
  if (index == ActivePage_) return;
  const int leaving = ActivePage_;
  if (!PageControl1Changing(leaving)) {
    {
      const QSignalBlocker blocker(pgcPages_);
      pgcPages_->setCurrentIndex(leaving);
    }
    ShowText(Tr(leaving == 0 ? ConcentrationPageRefusal : VortexPageRefusal));
    return;
  }
  ActivePage_ = index;
  PageControl1Change();
}

// Page control PageControl1: another page shown.
void TfrmMain::PageControl1Change() {
  if (ActivePage_ == 1 && s_.ParticleCount != 0) {
    s_.ParticleCount = 0;
    s_.Particles.clear();
    btnDrawClick();
  }
}

}  // namespace ltr
