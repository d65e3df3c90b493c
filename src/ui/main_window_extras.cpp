// The main window's commands beside the specified ones: the cases kept in
// files (through the case controller), the parameter study, the user's guide
// and the keys that start and stop the run of the page shown; a case put in
// place of the window's one.

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <optional>

#include "model/discretization.h"
#include "ui/case_controller.h"
#include "ui/help_window.h"
#include "ui/main_window.h"
#include "ui/main_window_shared.h"
#include "ui/study_window.h"

namespace ltr {

using namespace main_window_detail;

void TfrmMain::AddExtraCommands() {
  Cases_ = new TCaseController(*this);

  auto action = [this](QMenu* menu, QAction* before, const char* name, const char* text, const QKeySequence& keys,
                       void (TfrmMain::*slot)()) {
    auto* a = new QAction(Tr(text), menu);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(keys);
    menu->insertAction(before, a);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  if (QMenu* params = findChild<QMenu*>(QStringLiteral("N2")); params != nullptr) {
    params->addSeparator();
    action(params, nullptr, "miStudy", "Исследование параметра…", QKeySequence(), &TfrmMain::miStudyClick);
  }
  // The run of the page shown starts and stops from the keyboard too.
  auto* run = new QMenu(Tr("&Расчет"), this);
  run->setObjectName(QStringLiteral("miRun"));
  run->setFont(font());
  action(run, nullptr, "miStartRun", "Начать расчет", QKeySequence(Qt::Key_F5), &TfrmMain::miStartRunClick);
  action(run, nullptr, "miStopRun", "Остановить расчет", QKeySequence(Qt::SHIFT | Qt::Key_F5),
         &TfrmMain::miStopRunClick);
  if (QMenu* zoom = findChild<QMenu*>(QStringLiteral("N8")); zoom != nullptr)
    menuBar()->insertMenu(zoom->menuAction(), run);
  else
    menuBar()->addMenu(run);
  if (QMenu* help = findChild<QMenu*>(QStringLiteral("N6")); help != nullptr) {
    QAction* about = findChild<QAction*>(QStringLiteral("N7"));
    action(help, about, "miHelp", "Руководство пользователя", QKeySequence(Qt::Key_F1), &TfrmMain::miHelpClick);
  }
}

bool TfrmMain::OpenFile(const QString& fileName) {
  if (fileName.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) return Cases_->Open(fileName);
  return LoadFile(fileName);
}

void TfrmMain::ReplaceCase(const TCase& c, TFlow* flow, const TLoadResult* loaded) {
  s_.Case() = c;
  s_.ParticleCount = 0;
  s_.Particles.clear();
  if (flow != nullptr && loaded != nullptr) {
    s_.Flow() = std::move(*flow);
    lbTime_->setText(QString::fromStdString(loaded->TimeLabel));
    lbVortexCount_->setText(QString::fromStdString(loaded->VortexCountLabel));
    edMaxTime_->setText(QString::fromStdString(loaded->MaxTimeText));
    edMaxFreeVortex_->setText(QString::fromStdString(loaded->MaxFreeVortexText));
    edDt_->setText(QString::fromStdString(loaded->DtText));
    btnContinue_->setEnabled(true);
  } else {
    // As a confirmed change of the enclosure: the simulation is discarded.
    s_.FreeCount = 0;
    s_.Time = 0.0;
    s_.ExhaustedVortexCount = 0;
    lbTime_->setText(Tr(ElapsedTimePrefix));
    lbVortexCount_->setText(Tr(VortexCountLabelText));
    BuildArea(s_.Area, s_.Flow());
    btnContinue_->setEnabled(false);
  }
  SetStatusText(BoundCountText(s_.BoundCount));
  ShowExhaustedCount();
  btnDrawClick();
}

// Menu "Параметры" → "Исследование параметра…".
void TfrmMain::miStudyClick() {
  if (ActiveRun_ != TRunKind::None) return;
  QString problem;
  const std::optional<TCaseFile> current = Cases_->CurrentCase(&problem);
  if (!current) {
    ShowText(problem);
    return;
  }
  TfrmStudy study(this);
  study.SetUiServices(Services_);
  study.SetCase(*current);
  Services_.execDialog(&study);
}

// Menu "Справка" → "Руководство пользователя" (F1).
void TfrmMain::miHelpClick() {
  if (Help_ == nullptr) Help_ = new TfrmHelp(this);
  Help_->show();
  Help_->raise();
  Help_->activateWindow();
}

// Menu "Расчет" → "Начать расчет" (F5): the Start button of the page shown.
void TfrmMain::miStartRunClick() {
  QPushButton* start = pgcPages_->currentIndex() == 0 ? btnStartCountConcentration_ : btnStart_;
  if (ActiveRun_ == TRunKind::None && start->isEnabled()) start->click();
}

// Menu "Расчет" → "Остановить расчет" (Shift+F5): the Stop button of the run.
void TfrmMain::miStopRunClick() {
  if (ActiveRun_ == TRunKind::Vortex && btnStop_->isEnabled()) btnStop_->click();
  if (ActiveRun_ == TRunKind::Concentration && btnStopCountConcentration_->isEnabled())
    btnStopCountConcentration_->click();
}

}  // namespace ltr
