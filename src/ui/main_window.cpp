// The main window's frame: the window with its page control, picture panel
// and status bar, its start-up state, the other windows and services it is
// given, and what the core asks of it while a run is active.

#include "ui/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>
#include <cmath>

#include "ltr/version.h"
#include "model/discretization.h"
#include "solver/vortex_run.h"
#include "ui/case_controller.h"
#include "ui/main_window_shared.h"
#include "ui/number_field.h"
#include "ui/paint_box.h"
#include "ui/results_window.h"

namespace ltr {

using namespace main_window_detail;

namespace {

const char* const QuitDuringRunQuestion = "Расчет не завершен. Прервать его и выйти?";

constexpr int MainWidth = 800;
constexpr int MainHeight = 544;

// Lays out a hidden window as showing it would, so that the sizes of its parts
// are known before it is shown for the first time.
void ActivateLayouts(QWidget* w) {
  if (w->layout() != nullptr) w->layout()->activate();
  for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) ActivateLayouts(child);
}

}  // namespace

TfrmMain::TfrmMain(TModelState& s, QWidget* parent)
    : QMainWindow(parent), s_(s), Services_(DefaultUiServices()) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(Tr(MainCaption));
  setMinimumSize(MainWidth, MainHeight);
  resize(MainWidth, MainHeight);
  // A narrow sans-serif face of 8 points, as the window was designed for;
  // the first family the system has is taken.
  QFont windowFont = font();
  windowFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                          QStringLiteral("Tahoma"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                          QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans Condensed"),
                          windowFont.family()});
  windowFont.setPointSize(8);
  setFont(windowFont);

  BuildMenus();

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Central"));
  auto* layout = new QHBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  pgcPages_ = new QTabWidget(central);
  pgcPages_->setObjectName(QStringLiteral("PageControl1"));
  pgcPages_->setFixedWidth(PageControlWidth);
  // Both page tabs fit side by side in the narrow page control.
  pgcPages_->tabBar()->setStyleSheet(QStringLiteral(
      "QTabBar::tab { padding: 3px 4px; border: 1px solid #9a9a9a; border-bottom: none;"
      " border-top-left-radius: 3px; border-top-right-radius: 3px; background: #dedede; margin-right: 1px; }"
      "QTabBar::tab:selected { background: palette(window); }"
      "QTabBar::tab:!selected { margin-top: 2px; }"));
  scrConcentration_ = ScrollingPage(BuildConcentrationPage(), "ScrollBox1");
  scrVortex_ = ScrollingPage(BuildVortexPage(), "ScrollBox2");
  pgcPages_->addTab(scrConcentration_, Tr("Расчет концентрации"));
  pgcPages_->addTab(scrVortex_, Tr("Расчет поля скоростей"));
  pgcPages_->setCurrentIndex(0);
  layout->addWidget(pgcPages_);
  layout->addWidget(BuildPicturePanel(), 1);
  setCentralWidget(central);

  auto* bar = new QStatusBar(this);
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(true);
  StatusPanel_ = new QLabel(bar);
  StatusPanel_->setObjectName(QStringLiteral("StatusPanel"));
  bar->addWidget(StatusPanel_, 1);
  RunProgress_ = new QProgressBar(bar);
  RunProgress_->setObjectName(QStringLiteral("RunProgress"));
  RunProgress_->setTextVisible(true);
  RunProgress_->setAlignment(Qt::AlignCenter);
  RunProgress_->setFixedWidth(300);
  RunProgress_->setVisible(false);
  bar->addPermanentWidget(RunProgress_);
  setStatusBar(bar);

  connect(pgcPages_, &QTabWidget::currentChanged, this, &TfrmMain::OnPageChanged);

  ensurePolished();
  ActivateLayouts(this);
  FitPageControl();
  ActivateLayouts(this);
  FormCreate();
  AddExtraCommands();
}

TfrmMain::~TfrmMain() {
  Renderer_.Present = nullptr;
}

// The window's creation (frmMain): the picture, the view and the start-up case.
void TfrmMain::FormCreate() {
  // The off-screen picture is shown by the paint box; every copy asks it to
  // repaint from the picture.
  pbxPicture_->SetPicture(&Renderer_.SceneBitmap);
  Renderer_.Present = [this](const QImage&) { pbxPicture_->update(); };
  // The speed field is only drawn: the fast kernel, and during a run a few
  // times a second rather than after every step.
  Renderer_.FastField = true;
  Renderer_.FieldRefreshSeconds = 0.25;

  SetInitialView(View_, pbxPicture_->height());
  View_.Dragging = false;

  for (int i = 0; i < SeparationPointCount; ++i) s_.Enabled[i] = DefaultSeparationSwitches[i];
  s_.FreeVortexSize = static_cast<int>(edVortexSize_->value());

  BuildArea(s_.Area, s_.Flow());
  SetStatusText(BoundCountText(s_.BoundCount));
  btnDrawClick();

  s_.Dust.Fractions = TDustParams::DefaultFractions();
}

void TfrmMain::SetWindows(TfrmAbout* about, TfrmAreaParams* areaParams, TfrmDustProperties* dustProperties,
                          TfrmShowOutputConcentration* results) {
  About_ = about;
  AreaParams_ = areaParams;
  DustProperties_ = dustProperties;
  Results_ = results;
  // The report of a run shows the picture as it is on the screen.
  if (Results_ != nullptr) Results_->SetPictureSource([this] { return Renderer_.SceneBitmap; });
}

void TfrmMain::SetUiServices(const TUiServices& services) { Services_ = services; }

// ---------------------------------------------------------------------------
// What the core asks of the window.

void TfrmMain::SetStatusText(const std::string& text) {
  StatusPanel_->setText(QString::fromStdString(text));
}

void TfrmMain::SetLabel(TLabel label, const std::string& text) {
  QLabel* target = nullptr;
  switch (label) {
    case TLabel::Time: target = lbTime_; break;
    case TLabel::VortexCount: target = lbVortexCount_; break;
    case TLabel::VortexCount2: target = lbVortexCount2_; break;
    case TLabel::Step:
      target = lbStep_;
      ConcentrationBegun_ = true;
      break;
  }
  if (target == nullptr) return;
  target->setText(QString::fromStdString(text));
  target->repaint();
  if (label == TLabel::VortexCount || label == TLabel::VortexCount2) ShowExhaustedCount();
}

void TfrmMain::RedrawRun(const TFlow& /*flow*/, bool withParticles) {
  Renderer_.RepaintRun(s_, withParticles);
}

void TfrmMain::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TfrmMain::ShowMessage(const std::string& text) { ShowText(QString::fromStdString(text)); }

bool TfrmMain::Report(const TOutcome& outcome) {
  if (!outcome.Message().empty()) ShowMessage(outcome.Message());
  return outcome.Ok();
}

void TfrmMain::FlowLineStart(const TRealPoint& p) { Renderer_.FlowLineStart(p); }

void TfrmMain::FlowLineTo(const TRealPoint& p) {
  const QLine segment = Renderer_.FlowLineTo(p);
  pbxPicture_->update(QRect(segment.p1(), segment.p2()).normalized().adjusted(-1, -1, 1, 1));
}

void TfrmMain::ConcentrationProgress(int moment, int moments, int inFlight, long long steps, double time) {
  // One scale that never goes back: the first half fills with the moments of
  // the injection, the second with the share of the injected dust mass that
  // has left the flight (through the exhaust, settled or held).
  constexpr int Scale = 1000;
  int value = 0;
  if (moment > 0)
    value = static_cast<int>(static_cast<long long>(Scale / 2) * std::clamp(moment, 0, moments) / std::max(moments, 1));
  else
    value = Scale / 2 + static_cast<int>(std::floor(Scale / 2 * FinishedMassShare(s_.Tally.Total())));
  RunProgress_->setRange(0, Scale);
  RunProgress_->setValue(std::max(value, RunProgress_->value()));
  RunProgress_->setFormat(QString::fromStdString(ConcentrationProgressText(moment, moments, inFlight, steps, time)));
}

void TfrmMain::VortexRunProgress(double time, double startTime, double maxTime) {
  constexpr int Steps = 1000;
  const double span = maxTime - startTime;
  const double fraction = span > 0 ? (time - startTime) / span : 1.0;
  RunProgress_->setRange(0, Steps);
  RunProgress_->setValue(fraction >= 1.0 ? Steps : fraction > 0.0 ? static_cast<int>(fraction * Steps) : 0);
  RunProgress_->setFormat(QString::fromStdString(VortexRunProgressText(time, maxTime)));
}

void TfrmMain::SnapshotProgress(int done, int count, double fraction) {
  constexpr int Steps = 1000;
  RunProgress_->setRange(0, Steps);
  RunProgress_->setValue(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * Steps));
  RunProgress_->setFormat(QString::fromStdString(SnapshotProgressText(done, count)));
}

void TfrmMain::ShowText(const QString& text) {
  if (Services_.message) Services_.message(this, text);
}

// ---------------------------------------------------------------------------

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  UpdatePageControlWidth();
}

void TfrmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::FontChange) FitPageControl();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // A run in progress is not ended without asking; then changes of the case
  // not yet saved are saved, dropped, or the window stays. If the user
  // agrees to both, the run ends after its current step, so that the program
  // can end cleanly once its handler has returned.
  if (ActiveRun_ != TRunKind::None && Services_.confirm && !Services_.confirm(this, Tr(QuitDuringRunQuestion))) {
    event->ignore();
    return;
  }
  if (Cases_ != nullptr && !Cases_->MayDiscardChanges()) {
    event->ignore();
    return;
  }
  if (ActiveRun_ != TRunKind::None) {
    s_.StopVortexRun = true;
    s_.StopConcentration = true;
  }
  event->accept();
}

}  // namespace ltr
