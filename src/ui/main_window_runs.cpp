// The main window's run control: the run fields read as numbers, the vortex
// run (Start, Continue, Stop), the concentration run, the streamlines, and
// the state of the commands and labels while a run is active.

#include "ui/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <new>
#include <string>
#include <utility>

#include "numerics/extended.h"
#include "numerics/number_text.h"
#include "solver/streamline.h"
#include "solver/velocity.h"
#include "solver/vortex_run.h"
#include "ui/case_controller.h"
#include "ui/main_window_shared.h"
#include "ui/number_field.h"
#include "ui/results_window.h"

namespace ltr {

using namespace main_window_detail;

// Marks a run as active for its whole duration and keeps the commands that
// would replace the data under it (loading, saving, the enclosure and dust
// dialogs, streamlines, the other page's run buttons) disabled until it
// returns, by whatever way.
class TRunGuard {
 public:
  TRunGuard(TfrmMain& w, TfrmMain::TRunKind kind) : W_(w), Kind_(kind) {
    W_.ActiveRun_ = kind;
    W_.SetDataCommandsEnabled(false);
    W_.RunProgress_->reset();
    W_.RunProgress_->setFormat(QString());
    W_.RunProgress_->setVisible(true);
    if (kind == TfrmMain::TRunKind::Vortex) {
      W_.btnStartCountConcentration_->setEnabled(false);
    } else {
      StartWas_ = W_.btnStart_->isEnabled();
      ContinueWas_ = W_.btnContinue_->isEnabled();
      W_.btnStart_->setEnabled(false);
      W_.btnContinue_->setEnabled(false);
    }
  }
  ~TRunGuard() {
    W_.ActiveRun_ = TfrmMain::TRunKind::None;
    W_.SetDataCommandsEnabled(true);
    W_.RunProgress_->setVisible(false);
    if (Kind_ == TfrmMain::TRunKind::Vortex) {
      W_.btnStartCountConcentration_->setEnabled(true);
    } else {
      W_.btnStart_->setEnabled(StartWas_);
      W_.btnContinue_->setEnabled(ContinueWas_);
    }
  }
  TRunGuard(const TRunGuard&) = delete;
  TRunGuard& operator=(const TRunGuard&) = delete;

 private:
  TfrmMain& W_;
  TfrmMain::TRunKind Kind_;
  bool StartWas_ = true;
  bool ContinueWas_ = false;
};

bool TfrmMain::ConfirmWithoutFlow() {
  return !Services_.confirm || Services_.confirm(this, Tr(FlowNotComputedQuestion));
}

// ---------------------------------------------------------------------------
// Reading the text fields.

bool TfrmMain::ReadReal(QLineEdit* field, const QString& name, double& value) {
  const QString text = field->text();
  Extended v = 0;
  if (text.trimmed().isEmpty()) {
    ShowText(Tr("Не заполнено поле «%1»").arg(name));
    return false;
  }
  if (!ParseReal(text.toStdString(), v)) {
    ShowText(Tr("«%1» не является числом (поле «%2»)").arg(text, name));
    return false;
  }
  value = ToDouble(v);
  return true;
}

bool TfrmMain::ReadInteger(QLineEdit* field, const QString& name, int& value) {
  const QString text = field->text();
  if (text.trimmed().isEmpty()) {
    ShowText(Tr("Не заполнено поле «%1»").arg(name));
    return false;
  }
  if (!ParseInteger(text.toStdString(), value)) {
    ShowText(Tr("«%1» не является целым числом (поле «%2»)").arg(text, name));
    return false;
  }
  return true;
}

bool TfrmMain::ReadVortexRunFields(int& maxFree, double& maxTime, double& dt) {
  return ReadReal(edDt_, Tr("Шаг по времени"), dt) && ReadReal(edMaxTime_, Tr("Макс. время моделирования"), maxTime) &&
         ReadInteger(edMaxFreeVortex_, Tr("Макс. кол-во свободных вихрей"), maxFree);
}

// ---------------------------------------------------------------------------
// The commands and labels while a run is active.

void TfrmMain::SetVortexButtons(bool start, bool cont, bool stop) {
  btnStart_->setEnabled(start);
  btnContinue_->setEnabled(cont);
  btnStop_->setEnabled(stop);
}

void TfrmMain::SetDataCommandsEnabled(bool enabled) {
  miLoad_->setEnabled(enabled);
  miSave_->setEnabled(enabled);
  miAreaParams_->setEnabled(enabled);
  miDustProperties_->setEnabled(enabled);
  btnBuildFlowLine_->setEnabled(enabled);
  cbExhaustVortices_->setEnabled(enabled);
}

void TfrmMain::ShowExhaustedCount() {
  lbExhaustedVortices_->setVisible(cbExhaustVortices_->isChecked());
  lbExhaustedVortices_->setText(Tr(ExhaustedVortexLabelText) + QString::number(s_.ExhaustedVortexCount));
  lbExhaustedVortices_->repaint();
}

// ---------------------------------------------------------------------------
// The vortex run.

void TfrmMain::RunVortexCommand(int maxFree, int startFreeCount, double startTime, double maxTime, double dt) {
  const bool continueWas = btnContinue_->isEnabled();
  // The keyboard focus goes with the run to its Stop button and comes back
  // to the command that started it, rather than to the next text field.
  QPushButton* command = btnStart_->hasFocus() ? btnStart_ : btnContinue_->hasFocus() ? btnContinue_ : nullptr;
  btnStop_->setEnabled(true);
  if (command != nullptr) btnStop_->setFocus();
  SetVortexButtons(false, false, true);
  bool ran = false;
  bool flowChanged = false;
  try {
    TRunGuard guard(*this, TRunKind::Vortex);
    s_.Compute.Fast = cbFastVortexRun_->isChecked();
    s_.Compute.ExhaustVortices = cbExhaustVortices_->isChecked();
    const TOutcome outcome =
        RunVortices(s_.Case(), s_.Flow(), s_.Control(), *this, maxFree, startFreeCount, startTime, maxTime, dt);
    flowChanged = outcome.Kind() != TOutcome::TKind::Refused;
    ran = Report(outcome);
  } catch (const std::bad_alloc&) {
    ShowText(Tr(OutOfMemoryText));
    flowChanged = true;
  }
  if (flowChanged && Cases_ != nullptr) Cases_->FlowChanged(QString());
  // A refused run changed nothing and leaves the buttons as they were.
  const bool stopHadFocus = btnStop_->hasFocus();
  SetVortexButtons(true, ran || continueWas, false);
  if (command != nullptr && stopHadFocus && command->isEnabled()) command->setFocus();
}

// Button "Начать" (page "Расчет поля скоростей").
void TfrmMain::btnStartClick() {
  if (ActiveRun_ != TRunKind::None) return;
  btnDrawClick();
  int maxFree = 0;
  double maxTime = 0, dt = 0;
  if (!ReadVortexRunFields(maxFree, maxTime, dt)) return;
  RunVortexCommand(maxFree, 0, 0.0, maxTime, dt);
}

// Button "Продолжить" (page "Расчет поля скоростей").
void TfrmMain::btnContinueClick() {
  if (ActiveRun_ != TRunKind::None) return;
  btnDrawClick();
  int maxFree = 0;
  double maxTime = 0, dt = 0;
  if (!ReadVortexRunFields(maxFree, maxTime, dt)) return;
  TRunStart start;
  if (!Report(BeginContinuedRun(s_.Case(), s_.Flow(), maxFree, maxTime, dt, start))) return;
  RunVortexCommand(maxFree, start.FreeCount, start.Time, maxTime, dt);
}

// Button "Остановить" (page "Расчет поля скоростей").
void TfrmMain::btnStopClick() {
  s_.StopVortexRun = true;
  const bool hadFocus = btnStop_->hasFocus();
  SetVortexButtons(true, true, false);
  if (hadFocus) btnContinue_->setFocus();
}

// ---------------------------------------------------------------------------
// The concentration run.

// Button "Начать" (page "Расчет концентрации").
void TfrmMain::btnStartCountConcentrationClick() {
  if (ActiveRun_ != TRunKind::None) return;
  // The counts and the residence limit are used as typed; a text that is not
  // a number in its field's range is reported and nothing starts.
  const std::pair<TNumberField*, const char*> fields[] = {
      {edNumIteration_, "Количество моментов появления пылевых частиц"},
      {edNumParticle_, "Количество пылевых частиц, появляющихся в каждый момент"},
      {edMaxResidence_, "Предельное время пребывания частицы"},
  };
  for (const auto& [field, name] : fields) {
    if (const QString problem = field->Problem(Tr(name)); !problem.isEmpty()) {
      ShowText(problem);
      return;
    }
  }
  const bool averaged = cbSnapshots_->isChecked();
  TSnapshotPlan plan;
  if (averaged) {
    const std::pair<TNumberField*, const char*> snapshotFields[] = {
        {edSnapshotCount_, "Усреднить по мгновенным полям"},
        {edSnapshotEvery_, "через … с"},
    };
    for (const auto& [field, name] : snapshotFields) {
      if (const QString problem = field->Problem(Tr(name)); !problem.isEmpty()) {
        ShowText(problem);
        return;
      }
    }
    // The vortex run between the moments goes on as Continue would.
    double maxTime = 0;
    if (!ReadVortexRunFields(plan.MaxFree, maxTime, plan.Dt)) return;
    plan.Count = static_cast<int>(std::nearbyint(edSnapshotCount_->value()));
    plan.Every = edSnapshotEvery_->value();
    if (const std::string error = CheckSnapshotArgs(s_, plan); !error.empty()) {
      ShowMessage(error);
      return;
    }
  }
  const bool moveVortices = rbVortexesMove_->isChecked();
  TConcentrationOptions options = ConcentrationOptions_;
  double vortexDt = s_.Dt;
  switch (cbParticleStep_->currentIndex()) {
    case 1: options.ParticleStep = TParticleStepMode::Auto(); break;
    case 2: {
      double step = 0;
      if (!ReadReal(edParticleStep_, Tr("Шаг интегрирования частиц"), step)) return;
      if (!(std::isfinite(step) && step > 0)) {
        ShowMessage(ParticleSubStepErrorText);
        return;
      }
      options.ParticleStep = TParticleStepMode::FixedStep(step);
      break;
    }
    default: options.ParticleStep = TParticleStepMode::Described(); break;
  }
  // Moving vortices keep the time step of the velocity page.
  if (options.ParticleStep.OwnSteps() && moveVortices) {
    if (!ReadReal(edDt_, Tr("Шаг по времени"), vortexDt)) return;
    if (!(std::isfinite(vortexDt) && vortexDt > 0)) {
      ShowMessage(VortexDtErrorText);
      return;
    }
  }
  const int numIteration = static_cast<int>(std::nearbyint(edNumIteration_->value()));
  const int numParticle = static_cast<int>(std::nearbyint(edNumParticle_->value()));
  s_.MaxResidence = edMaxResidence_->value();
  // A run the core would refuse is refused before the user is asked about
  // the flow.
  if (const std::string error = CheckConcentrationArgs(s_.Case(), s_.Flow(), s_.MaxResidence, numParticle, numIteration,
                                                       moveVortices, options.ParticleStep);
      !error.empty()) {
    ShowMessage(error);
    return;
  }
  if (!ConcentrationFlowComputed(s_.Flow(), moveVortices) && !ConfirmWithoutFlow()) return;
  const bool startHadFocus = btnStartCountConcentration_->hasFocus();
  btnStopCountConcentration_->setEnabled(true);
  if (startHadFocus) btnStopCountConcentration_->setFocus();
  btnStartCountConcentration_->setEnabled(false);

  ConcentrationBegun_ = false;
  bool completed = false;
  try {
    TRunGuard guard(*this, TRunKind::Concentration);
    s_.Compute.Fast = cbFastConcentration_->isChecked();
    s_.Compute.ExhaustVortices = cbExhaustVortices_->isChecked();
    if (options.ParticleStep.OwnSteps() && moveVortices) s_.Dt = vortexDt;
    if (averaged) {
      TSnapshotResults snapshots;
      const TOutcome outcome = RunSnapshots(s_, *this, numParticle, numIteration, moveVortices, options, plan, snapshots);
      // The runs of the moments report to no window: the labels of the last.
      if (outcome.Kind() != TOutcome::TKind::Refused) {
        ConcentrationBegun_ = true;
        SetLabel(TLabel::Step, ParticleDtLabel(s_.Dust.ParticleDt));
        SetLabel(TLabel::VortexCount2, FreeVortexCountLabel(s_.FreeCount));
      }
      completed = Report(outcome);
      if (completed) LastSnapshots_ = std::move(snapshots);
    } else {
      completed = Report(RunConcentration(s_.Case(), s_.Flow(), s_.DustRun(), s_.Results(), s_.Control(), *this,
                                          numParticle, numIteration, moveVortices, options));
      if (completed) LastSnapshots_ = {};
    }
  } catch (const std::bad_alloc&) {
    ShowText(Tr(OutOfMemoryText));
    s_.StopConcentration = true;
  }
  const bool stopHadFocus = btnStopCountConcentration_->hasFocus();
  btnStartCountConcentration_->setEnabled(true);
  if (stopHadFocus) btnStartCountConcentration_->setFocus();
  btnStopCountConcentration_->setEnabled(false);
  // A run refused before it began leaves the last results and their menu item
  // as they were.
  if (!ConcentrationBegun_) return;
  // Moving vortices leave the flow another than that of a file.
  if (moveVortices && Cases_ != nullptr) Cases_->FlowChanged(QString());
  // The run repainted the picture only every few steps: the full picture of
  // the state it ended in.
  btnDrawClick();
  miShowLastConcentration_->setVisible(completed);
  if (completed && Results_ != nullptr) Results_->ShowFor(s_, &LastSnapshots_);
}

// Button "Остановить" (page "Расчет концентрации").
void TfrmMain::btnStopCountConcentrationClick() {
  s_.StopConcentration = true;
  const bool hadFocus = btnStopCountConcentration_->hasFocus();
  btnStartCountConcentration_->setEnabled(true);
  if (hadFocus) btnStartCountConcentration_->setFocus();
  btnStopCountConcentration_->setEnabled(false);
}

// ---------------------------------------------------------------------------
// Streamlines.

// Button "Построить линию тока" (page "Расчет поля скоростей").
void TfrmMain::btnBuildFlowLineClick() {
  if (ActiveRun_ != TRunKind::None) return;
  double x = 0, y = 0, step = 0, maxLen = 0;
  if (!ReadReal(edX_, Tr("X"), x) || !ReadReal(edY_, Tr("Y"), y) ||
      !ReadReal(edStep_, Tr("Шаг построения линии тока"), step) ||
      !ReadReal(edMaxLen_, Tr("Максим. длина линии тока"), maxLen))
    return;
  if (const std::string error = CheckFlowLineArgs(x, y, step, maxLen); !error.empty()) {
    ShowMessage(error);
    return;
  }
  if (!FlowComputed(s_.Flow()) && !ConfirmWithoutFlow()) return;
  try {
    TFlowLineEnd end = TFlowLineEnd::MaxLength;
    if (Report(TraceFlowLine(s_.Case(), s_.Flow(), s_.Lines(), *this, x, y, step, maxLen, &end)) &&
        end == TFlowLineEnd::StepLimit)
      ShowMessage(FlowLineStepLimitText(static_cast<int>(s_.FlowLines.back().size()) - 1));
  } catch (const std::bad_alloc&) {
    ShowText(Tr(OutOfMemoryText));
  }
}

// Button "Удалить все линии тока" (page "Расчет поля скоростей").
void TfrmMain::btnEraseFlowLinesClick() {
  s_.FlowLines.clear();
  s_.FlowLines.shrink_to_fit();
  s_.FlowLineCount = 0;
  btnDrawClick();
}

}  // namespace ltr
