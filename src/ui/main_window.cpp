#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGridLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <new>

#include "io/vortex_file.h"
#include "ltr/version.h"
#include "model/discretization.h"
#include "model/run_defaults.h"
#include "numerics/number_text.h"
#include "solver/streamline.h"
#include "solver/velocity.h"
#include "solver/vortex_run.h"
#include "view/scene_file.h"
#include "view/speed_colors.h"
#include "ui/about_box.h"
#include "ui/area_params_dialog.h"
#include "ui/dust_properties_dialog.h"
#include "ui/font_fit.h"
#include "ui/number_field.h"
#include "ui/paint_box.h"
#include "ui/results_window.h"

namespace ltr {

namespace {

QString Tr(const char* utf8) { return QString::fromUtf8(utf8); }

const char* const TimeLabelText = "Прошло времени: ";
const char* const VortexCountLabelText = "Свободных вихрей: ";
const char* const ExhaustedVortexLabelText = "Ушло в отсос: ";
const char* const ConcentrationPageRefusal = "Переключение режима невозможно во время расчета концентрации!";
const char* const VortexPageRefusal = "Переключение режима невозможно во время моделирования движения вихрей!";
const char* const OutOfMemoryText = "Недостаточно памяти для расчета";

constexpr int MainWidth = 800;
constexpr int MainHeight = 544;
constexpr int PageControlWidth = 255;
// What the tab control's frame and a page's margins take of its width.
constexpr int PageFrameAndMargins = 2 * 2 + 2 * 6;

// The small pictures of the tool buttons, 16 x 16 pixels.
enum class TIcon { ZoomOut, ZoomIn, ZoomNo, FreeVortices, BoundVortices, Axes, Numbers, SpeedField };

QIcon MakeIcon(TIcon kind) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
  auto magnifier = [&p] {
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    p.setPen(QPen(QColor(40, 40, 40), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
  };
  switch (kind) {
    case TIcon::ZoomOut:
      magnifier();
      p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
      break;
    case TIcon::ZoomIn:
      magnifier();
      p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
      p.drawLine(QPointF(6, 3.5), QPointF(6, 8.5));
      break;
    case TIcon::ZoomNo: {
      p.setRenderHint(QPainter::Antialiasing, false);
      p.setPen(QColor(40, 40, 40));
      p.setBrush(Qt::white);
      p.drawRect(1, 3, 13, 10);
      QFont f = p.font();
      f.setPixelSize(8);
      f.setBold(true);
      p.setFont(f);
      p.drawText(QRect(1, 3, 14, 11), Qt::AlignCenter, QStringLiteral("1:1"));
      break;
    }
    case TIcon::FreeVortices:
      p.setPen(QPen(QColor(255, 0, 0), 1.5));
      p.setBrush(Qt::white);
      p.drawEllipse(QRectF(2, 2, 5, 5));
      p.drawEllipse(QRectF(9, 4, 5, 5));
      p.drawEllipse(QRectF(4, 9, 5, 5));
      break;
    case TIcon::BoundVortices:
      p.setPen(QPen(QColor(0, 0, 0), 1));
      p.drawLine(QPointF(1, 14.5), QPointF(15, 14.5));
      p.drawLine(QPointF(1.5, 1), QPointF(1.5, 15));
      p.setPen(QPen(QColor(0, 0, 255), 1.2));
      p.setBrush(Qt::white);
      for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(4 + 4 * i, 10.5, 3, 3));
      for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(3, 1 + 3 * i, 3, 3));
      break;
    case TIcon::Axes:
      p.setPen(QPen(QColor(0, 128, 128), 1.5));
      p.drawLine(QPointF(3, 13), QPointF(15, 13));
      p.drawLine(QPointF(3, 13), QPointF(3, 1));
      p.drawLine(QPointF(15, 13), QPointF(12, 11));
      p.drawLine(QPointF(15, 13), QPointF(12, 15));
      p.drawLine(QPointF(3, 1), QPointF(1, 4));
      p.drawLine(QPointF(3, 1), QPointF(5, 4));
      break;
    case TIcon::Numbers: {
      p.setPen(QColor(128, 0, 0));
      QFont f = p.font();
      f.setPixelSize(10);
      f.setBold(true);
      p.setFont(f);
      p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("12"));
      break;
    }
    case TIcon::SpeedField:
      for (int y = 0; y < 14; ++y) p.fillRect(QRect(1, 1 + y, 14, 1), ViridisColor(1.0 - y / 13.0));
      p.setPen(QPen(Qt::white, 1.2));
      p.drawLine(QPointF(3, 11), QPointF(12, 5));
      p.drawLine(QPointF(12, 5), QPointF(8.5, 5.2));
      p.drawLine(QPointF(12, 5), QPointF(10.6, 8.2));
      break;
  }
  return QIcon(pixmap);
}

QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& hint, TIcon icon,
                            bool checkable, bool down) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(hint);
  b->setIcon(MakeIcon(icon));
  b->setIconSize(QSize(16, 16));
  b->setAutoRaise(true);
  b->setCheckable(checkable);
  b->setChecked(down);
  return b;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const char* name = nullptr) {
  auto* l = new QLabel(text, parent);
  if (name != nullptr) l->setObjectName(QString::fromLatin1(name));
  return l;
}

// A text field starting with `text`, a number written with a decimal point
// (shown with a comma).
QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* text, int width) {
  auto* e = new QLineEdit(QString::fromStdString(WithDecimalComma(text)), parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setFixedWidth(width);
  return e;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text, bool enabled) {
  auto* b = new QPushButton(Tr(text), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setEnabled(enabled);
  b->setAutoDefault(false);
  return b;
}

// Lays out a hidden window as showing it would, so that the sizes of its parts
// are known before it is shown for the first time.
void ActivateLayouts(QWidget* w) {
  if (w->layout() != nullptr) w->layout()->activate();
  for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) ActivateLayouts(child);
}

}  // namespace

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

  s_.Observer = this;

  BuildMenus();

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Central"));
  auto* layout = new QHBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  PageControl1_ = new QTabWidget(central);
  PageControl1_->setObjectName(QStringLiteral("PageControl1"));
  PageControl1_->setFixedWidth(PageControlWidth);
  // Both page tabs fit side by side in the narrow page control.
  PageControl1_->tabBar()->setStyleSheet(QStringLiteral(
      "QTabBar::tab { padding: 3px 4px; border: 1px solid #9a9a9a; border-bottom: none;"
      " border-top-left-radius: 3px; border-top-right-radius: 3px; background: #dedede; margin-right: 1px; }"
      "QTabBar::tab:selected { background: palette(window); }"
      "QTabBar::tab:!selected { margin-top: 2px; }"));
  PageControl1_->addTab(BuildConcentrationPage(), Tr("Расчет концентрации"));
  PageControl1_->addTab(BuildVortexPage(), Tr("Расчет поля скоростей"));
  PageControl1_->setCurrentIndex(0);
  layout->addWidget(PageControl1_);
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

  connect(PageControl1_, &QTabWidget::currentChanged, this, &TfrmMain::OnPageChanged);

  ensurePolished();
  ActivateLayouts(this);
  FormCreate();
}

TfrmMain::~TfrmMain() {
  if (s_.Observer == this) s_.Observer = nullptr;
  Renderer_.Present = nullptr;
}

void TfrmMain::BuildMenus() {
  auto action = [this](QMenu* menu, const char* name, const char* text, void (TfrmMain::*slot)()) {
    QAction* a = menu->addAction(Tr(text));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));

  QMenu* data = bar->addMenu(Tr("Данные"));
  data->setObjectName(QStringLiteral("N1"));
  miLoad_ = action(data, "miLoad", "Загрузить вихревую структуру", &TfrmMain::miLoadClick);
  miSave_ = action(data, "miSave", "Сохранить вихревую структуру", &TfrmMain::miSaveClick);
  miSavePicture_ = action(data, "miSavePicture", "Сохранить рисунок…", &TfrmMain::miSavePictureClick);
  data->addSeparator();
  N5_ = action(data, "N5", "Выход", &TfrmMain::N5Click);

  QMenu* params = bar->addMenu(Tr("Параметры"));
  params->setObjectName(QStringLiteral("N2"));
  N12_ = action(params, "N12", "Конфигурация области течения", &TfrmMain::N12Click);
  N4_ = action(params, "N4", "Характеристика пылевого состава", &TfrmMain::N4Click);
  miShowLastConcentration_ = action(params, "miShowLastConcentration", "Показать последний расчет концентрации",
                                    &TfrmMain::miShowLastConcentrationClick);

  QMenu* zoom = bar->addMenu(Tr("Масштаб"));
  zoom->setObjectName(QStringLiteral("N8"));
  miZoomOut_ = action(zoom, "miZoomOut", "Уменьшить", &TfrmMain::miZoomOutClick);
  miZoomIn_ = action(zoom, "miZoomIn", "Увеличить", &TfrmMain::miZoomInClick);
  miZoomNo_ = action(zoom, "miZoomNo", "Исходный", &TfrmMain::miZoomNoClick);

  QMenu* help = bar->addMenu(Tr("Справка"));
  help->setObjectName(QStringLiteral("N6"));
  N7_ = action(help, "N7", "О программе", &TfrmMain::N7Click);

  // The drop-down menus are windows of their own and take the window's font
  // only when given it.
  for (QMenu* menu : {data, params, zoom, help}) menu->setFont(font());
}

// The opt-in fast mode of a run, with what it changes.
QCheckBox* TfrmMain::MakeFastModeBox(QWidget* parent, const char* name) {
  auto* box = new QCheckBox(Tr("Быстрый режим"), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setToolTip(
      Tr("Скорости частиц и свободных вихрей считаются в двойной точности векторными командами процессора:\n"
         "расчет в несколько раз быстрее, результаты отличаются от точного расчета в последних знаках,\n"
         "а выходная концентрация и состав - в пределах статистического разброса."));
  return box;
}

QWidget* TfrmMain::BuildConcentrationPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet1"));
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(6, 8, 6, 6);
  v->setSpacing(8);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(8);
  grid->setColumnStretch(0, 1);
  auto spin = [page](const char* name) {
    auto* e = new TNumberField(page);
    e->setObjectName(QString::fromLatin1(name));
    e->setDecimals(0);
    e->setRange(2, 200);
    e->setSingleStep(1);
    e->FitWidth(58);
    return e;
  };
  edNumParticle_ = spin("edNumParticle");
  edNumParticle_->setValue(DefaultParticleCount);
  edNumIteration_ = spin("edNumIteration");
  edNumIteration_->setValue(DefaultMomentCount);
  // The two-line captions next to the count fields stay whole: where the
  // window's font is too wide for them, a narrower face of it is taken.
  const QString particleCaption = Tr("Количество пылевых частиц, по-\nявляющихся в каждый момент");
  const QString momentCaption = Tr("Количество моментов появле-\nния пылевых частиц");
  const int captionWidth = PageControlWidth - PageFrameAndMargins - grid->horizontalSpacing() - edNumParticle_->width();
  const QFont captionFont = NarrowedFont(font(), [&](const QFontMetrics& m) {
    for (const QString& caption : {particleCaption, momentCaption})
      for (const QString& line : caption.split(QLatin1Char('\n')))
        if (m.horizontalAdvance(line) > captionWidth) return false;
    return true;
  });
  const std::pair<QString, TNumberField*> rows[] = {{particleCaption, edNumParticle_}, {momentCaption, edNumIteration_}};
  for (int row = 0; row < 2; ++row) {
    QLabel* label = MakeLabel(page, rows[row].first);
    label->setFont(captionFont);
    grid->addWidget(label, row, 0);
    grid->addWidget(rows[row].second, row, 1, Qt::AlignVCenter);
  }
  v->addLayout(grid);

  // The residence limit has a field of its own width (up to 100000,00), so
  // it has a line of its own.
  edMaxResidence_ = new TNumberField(page);
  edMaxResidence_->setObjectName(QStringLiteral("edMaxResidence"));
  edMaxResidence_->setDecimals(2);
  edMaxResidence_->setRange(0.0, 100000.0);
  edMaxResidence_->setSingleStep(1.0);
  edMaxResidence_->setValue(s_.MaxResidence);
  edMaxResidence_->FitWidth(58);
  edMaxResidence_->setToolTip(Tr("0 - без ограничения"));
  QLabel* residence = MakeLabel(page, Tr("Предельное время пребывания частицы, с:"));
  residence->setWordWrap(true);
  auto* residenceLine = new QHBoxLayout;
  residenceLine->setSpacing(6);
  residenceLine->addWidget(residence, 1);
  residenceLine->addWidget(edMaxResidence_, 0, Qt::AlignVCenter);
  v->addLayout(residenceLine);

  // How the particles are integrated: one Runge-Kutta step of the particle
  // time step, or sub-steps of each particle's own, by the automatic rule or
  // of the length typed (in seconds).
  v->addWidget(MakeLabel(page, Tr("Шаг интегрирования частиц"), "lbParticleStep"));
  cbParticleStep_ = new QComboBox(page);
  cbParticleStep_->setObjectName(QStringLiteral("cbParticleStep"));
  cbParticleStep_->addItems({Tr("как в описании"), Tr("автоматически"), Tr("задать, с:")});
  cbParticleStep_->setToolTip(
      Tr("Автоматически и заданный шаг: частицы появляются через тот же шаг по времени, а движутся\n"
         "каждая своими шагами по точному решению уравнения движения; движущиеся вихри - со своим\n"
         "шагом по времени (страница \"Расчет поля скоростей\")."));
  edParticleStep_ = MakeEdit(page, "edParticleStep", "0,001", 58);
  edParticleStep_->setEnabled(false);
  auto* stepLine = new QHBoxLayout;
  stepLine->setSpacing(6);
  stepLine->addWidget(cbParticleStep_, 1);
  stepLine->addWidget(edParticleStep_, 0, Qt::AlignVCenter);
  v->addLayout(stepLine);
  connect(cbParticleStep_, &QComboBox::currentIndexChanged, this,
          [this](int index) { edParticleStep_->setEnabled(index == 2); });

  auto* rg = new QGroupBox(Tr(" Движение свободных вихрей "), page);
  rg->setObjectName(QStringLiteral("rgMoveVortexes"));
  auto* rgLayout = new QVBoxLayout(rg);
  rbVortexesFixed_ = new QRadioButton(Tr("Вихри неподвижны"), rg);
  rbVortexesFixed_->setObjectName(QStringLiteral("rbVortexesFixed"));
  rbVortexesMove_ = new QRadioButton(Tr("Вихри движутся"), rg);
  rbVortexesMove_->setObjectName(QStringLiteral("rbVortexesMove"));
  rbVortexesFixed_->setChecked(true);
  rgLayout->addWidget(rbVortexesFixed_);
  rgLayout->addWidget(rbVortexesMove_);
  v->addWidget(rg);

  auto* run = new QGroupBox(Tr(" Моделирование движения частиц "), page);
  run->setObjectName(QStringLiteral("GroupBoxParticles"));
  auto* runLayout = new QGridLayout(run);
  btnStartCountConcentration_ = MakeButton(run, "btnStartCountConcentration", "Начать", true);
  btnStopCountConcentration_ = MakeButton(run, "btnStopCountConcentration", "Остановить", false);
  lbVortexCount2_ = MakeLabel(run, Tr("Свободных вихрей:"), "lbVortexCount2");
  runLayout->addWidget(btnStartCountConcentration_, 0, 0);
  runLayout->addWidget(btnStopCountConcentration_, 0, 1);
  runLayout->addWidget(lbVortexCount2_, 1, 0, 1, 2);
  cbFastConcentration_ = MakeFastModeBox(run, "cbFastConcentration");
  runLayout->addWidget(cbFastConcentration_, 2, 0, 1, 2);
  v->addWidget(run);

  lbStep_ = MakeLabel(page, QString(), "lbStep");
  v->addWidget(lbStep_);
  v->addStretch(1);

  connect(btnStartCountConcentration_, &QPushButton::clicked, this, &TfrmMain::btnStartCountConcentrationClick);
  connect(btnStopCountConcentration_, &QPushButton::clicked, this, &TfrmMain::btnStopCountConcentrationClick);
  return page;
}

QWidget* TfrmMain::BuildVortexPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet2"));
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(6, 8, 6, 6);
  v->setSpacing(8);

  auto* params = new QGroupBox(Tr(" Параметры движения вихрей:  "), page);
  params->setObjectName(QStringLiteral("GroupBoxVortexParams"));
  auto* pg = new QGridLayout(params);
  pg->setContentsMargins(6, 6, 6, 6);
  pg->setHorizontalSpacing(4);
  pg->setColumnStretch(0, 1);
  edMaxFreeVortex_ = MakeEdit(params, "edMaxFreeVortex", DefaultMaxFreeVortexText, 46);
  edMaxTime_ = MakeEdit(params, "edMaxTime", DefaultMaxTimeText, 46);
  edDt_ = MakeEdit(params, "edDt", DefaultDtText, 46);
  // The first label may take two lines where the font is wide.
  QLabel* maxFreeLabel = MakeLabel(params, Tr("Макс. кол-во свободных вихрей: "));
  maxFreeLabel->setWordWrap(true);
  pg->addWidget(maxFreeLabel, 0, 0);
  pg->addWidget(edMaxFreeVortex_, 0, 1, 1, 2);
  QLabel* maxTimeLabel = MakeLabel(params, Tr("Макс. время моделирования"));
  maxTimeLabel->setWordWrap(true);
  pg->addWidget(maxTimeLabel, 1, 0);
  pg->addWidget(edMaxTime_, 1, 1);
  pg->addWidget(MakeLabel(params, Tr("сек.")), 1, 2);
  pg->addWidget(MakeLabel(params, Tr("Шаг по времени")), 2, 0);
  pg->addWidget(edDt_, 2, 1);
  pg->addWidget(MakeLabel(params, Tr("сек.")), 2, 2);
  cbFastVortexRun_ = MakeFastModeBox(params, "cbFastVortexRun");
  pg->addWidget(cbFastVortexRun_, 3, 0, 1, 3);
  cbExhaustVortices_ = new QCheckBox(Tr("Вихри уходят в отсос"), params);
  cbExhaustVortices_->setObjectName(QStringLiteral("cbExhaustVortices"));
  cbExhaustVortices_->setToolTip(
      Tr("Свободный вихрь, дошедший до отсоса, удаляется вместе со своей циркуляцией;\n"
         "без отметки все свободные вихри остаются в укрытии.\n"
         "Действует и на движущиеся вихри при расчете концентрации."));
  pg->addWidget(cbExhaustVortices_, 4, 0, 1, 3);
  v->addWidget(params);

  auto* run = new QGroupBox(Tr(" Моделирование движения вихрей: "), page);
  run->setObjectName(QStringLiteral("GroupBoxVortexRun"));
  auto* rl = new QGridLayout(run);
  rl->setHorizontalSpacing(4);
  btnStart_ = MakeButton(run, "btnStart", "Начать", true);
  btnContinue_ = MakeButton(run, "btnContinue", "Продолжить", false);
  btnStop_ = MakeButton(run, "btnStop", "Остановить", false);
  lbTime_ = MakeLabel(run, Tr("Прошло времени:"), "lbTime");
  lbVortexCount_ = MakeLabel(run, Tr(VortexCountLabelText), "lbVortexCount");
  rl->addWidget(btnStart_, 0, 0);
  rl->addWidget(btnContinue_, 0, 1);
  rl->addWidget(btnStop_, 0, 2);
  rl->addWidget(lbTime_, 1, 0, 1, 3);
  rl->addWidget(lbVortexCount_, 2, 0, 1, 3);
  // The vortices gone through the exhaust, shown while they may go.
  lbExhaustedVortices_ = MakeLabel(run, Tr(ExhaustedVortexLabelText), "lbExhaustedVortices");
  rl->addWidget(lbExhaustedVortices_, 3, 0, 1, 3);
  lbExhaustedVortices_->setVisible(false);
  connect(cbExhaustVortices_, &QCheckBox::toggled, this, &TfrmMain::ShowExhaustedCount);
  v->addWidget(run);

  auto* line = new QGroupBox(Tr(" Построение линии тока: "), page);
  line->setObjectName(QStringLiteral("GroupBoxFlowLine"));
  auto* lg = new QGridLayout(line);
  lg->setHorizontalSpacing(4);
  lg->setColumnStretch(0, 1);
  lg->addWidget(MakeLabel(line, Tr("Координаты начала:")), 0, 0, 1, 3);
  auto* xy = new QHBoxLayout;
  xy->setSpacing(4);
  edX_ = MakeEdit(line, "edX", DefaultFlowLineXText, 60);
  edY_ = MakeEdit(line, "edY", DefaultFlowLineYText, 60);
  xy->addWidget(MakeLabel(line, Tr("X =")));
  xy->addWidget(edX_);
  xy->addSpacing(10);
  xy->addWidget(MakeLabel(line, Tr("Y =")));
  xy->addWidget(edY_);
  xy->addStretch(1);
  lg->addLayout(xy, 1, 0, 1, 3);
  edStep_ = MakeEdit(line, "edStep", DefaultFlowLineStepText, 50);
  edMaxLen_ = MakeEdit(line, "edMaxLen", DefaultFlowLineMaxLenText, 50);
  lg->addWidget(MakeLabel(line, Tr("Шаг построения линии тока:")), 2, 0);
  lg->addWidget(edStep_, 2, 1);
  lg->addWidget(MakeLabel(line, Tr("м")), 2, 2);
  lg->addWidget(MakeLabel(line, Tr("Максим. длина линии тока:")), 3, 0);
  lg->addWidget(edMaxLen_, 3, 1);
  lg->addWidget(MakeLabel(line, Tr("м")), 3, 2);
  btnBuildFlowLine_ = MakeButton(line, "btnBuildFlowLine", "Построить линию тока", true);
  btnEraseFlowLines_ = MakeButton(line, "btnEraseFlowLines", "Удалить все линии тока", true);
  lg->addWidget(btnBuildFlowLine_, 4, 0, 1, 3);
  lg->addWidget(btnEraseFlowLines_, 5, 0, 1, 3);
  v->addWidget(line);
  v->addStretch(1);

  connect(btnStart_, &QPushButton::clicked, this, &TfrmMain::btnStartClick);
  connect(btnContinue_, &QPushButton::clicked, this, &TfrmMain::btnContinueClick);
  connect(btnStop_, &QPushButton::clicked, this, &TfrmMain::btnStopClick);
  connect(btnBuildFlowLine_, &QPushButton::clicked, this, &TfrmMain::btnBuildFlowLineClick);
  connect(btnEraseFlowLines_, &QPushButton::clicked, this, &TfrmMain::btnEraseFlowLinesClick);
  return page;
}

QWidget* TfrmMain::BuildPicturePanel() {
  auto* panel = new QWidget;
  panel->setObjectName(QStringLiteral("Panel1"));
  auto* v = new QVBoxLayout(panel);
  v->setContentsMargins(2, 2, 2, 2);
  v->setSpacing(2);

  auto* bars = new QHBoxLayout;
  bars->setSpacing(6);
  auto* zoomBar = new QToolBar(panel);
  zoomBar->setObjectName(QStringLiteral("ToolBar1"));
  zoomBar->setIconSize(QSize(16, 16));
  ToolButton2_ = MakeToolButton(zoomBar, "ToolButton2", Tr("Уменьшить"), TIcon::ZoomOut, false, false);
  ToolButton1_ = MakeToolButton(zoomBar, "ToolButton1", Tr("Увеличить"), TIcon::ZoomIn, false, false);
  ToolButton3_ = MakeToolButton(zoomBar, "ToolButton3", Tr("Исходный масштаб"), TIcon::ZoomNo, false, false);
  zoomBar->addWidget(ToolButton2_);
  zoomBar->addWidget(ToolButton1_);
  zoomBar->addWidget(ToolButton3_);

  auto* drawBar = new QToolBar(panel);
  drawBar->setObjectName(QStringLiteral("ToolBar2"));
  drawBar->setIconSize(QSize(16, 16));
  tbDrawFreeVortexes_ =
      MakeToolButton(drawBar, "tbDrawFreeVortexes", Tr("Свободные вихри"), TIcon::FreeVortices, true, true);
  tbDrawFixedVortexes_ =
      MakeToolButton(drawBar, "tbDrawFixedVortexes", Tr("Присоединенные вихри"), TIcon::BoundVortices, true, false);
  tbDrawAxes_ = MakeToolButton(drawBar, "tbDrawAxes", Tr("Оси координат"), TIcon::Axes, true, true);
  ToolButton7_ = MakeToolButton(drawBar, "ToolButton7", Tr("Номера вихрей"), TIcon::Numbers, true, false);
  drawBar->addWidget(tbDrawFreeVortexes_);
  drawBar->addWidget(tbDrawFixedVortexes_);
  drawBar->addWidget(tbDrawAxes_);
  drawBar->addWidget(ToolButton7_);
  tbDrawSpeedField_ =
      MakeToolButton(drawBar, "tbDrawSpeedField", Tr("Поле скоростей"), TIcon::SpeedField, true, false);
  drawBar->addWidget(tbDrawSpeedField_);

  edVortexSize_ = new TNumberField(panel);
  edVortexSize_->setObjectName(QStringLiteral("edVortexSize"));
  edVortexSize_->setDecimals(0);
  edVortexSize_->setRange(1, 3);
  edVortexSize_->setSingleStep(1);
  edVortexSize_->setValue(3);
  edVortexSize_->FitWidth(45);

  bars->addWidget(zoomBar);
  bars->addWidget(drawBar);
  bars->addSpacing(8);
  bars->addWidget(MakeLabel(panel, Tr("Размер свободных вихрей:")));
  bars->addWidget(edVortexSize_);
  bars->addStretch(1);
  v->addLayout(bars);

  PaintBox1_ = new TPaintBox(panel);
  PaintBox1_->setObjectName(QStringLiteral("PaintBox1"));
  v->addWidget(PaintBox1_, 1);

  connect(ToolButton2_, &QToolButton::clicked, this, &TfrmMain::miZoomOutClick);
  connect(ToolButton1_, &QToolButton::clicked, this, &TfrmMain::miZoomInClick);
  connect(ToolButton3_, &QToolButton::clicked, this, &TfrmMain::miZoomNoClick);
  for (QToolButton* toggle : {tbDrawFreeVortexes_, tbDrawFixedVortexes_, tbDrawAxes_, ToolButton7_, tbDrawSpeedField_})
    connect(toggle, &QToolButton::clicked, this, &TfrmMain::btnDrawClick);
  // The picture takes each size in the range as it is typed or stepped; other
  // texts stay as typed and leave the last size.
  connect(edVortexSize_, &TNumberField::valueChanged, this,
          [this](double size) { edVortexSizeChange(static_cast<int>(size)); });
  // A text that is no size is not left standing unnoticed while the picture
  // keeps the last one.
  connect(edVortexSize_, &QAbstractSpinBox::editingFinished, this, [this] {
    const QString problem = edVortexSize_->Problem(Tr("Размер свободных вихрей"));
    // The message box takes the focus, which finishes the editing once more.
    if (problem.isEmpty() || VortexSizeReporting_) return;
    VortexSizeReporting_ = true;
    ShowText(problem);
    edVortexSize_->setValue(s_.FreeVortexSize);  // the size the picture uses
    VortexSizeReporting_ = false;
  });
  connect(PaintBox1_, &TPaintBox::MouseDown, this, &TfrmMain::PaintBox1MouseDown);
  connect(PaintBox1_, &TPaintBox::MouseMove, this, &TfrmMain::PaintBox1MouseMove);
  connect(PaintBox1_, &TPaintBox::MouseUp, this, &TfrmMain::PaintBox1MouseUp);
  connect(PaintBox1_, &TPaintBox::Resized, this, &TfrmMain::btnDrawClick);
  return panel;
}

void TfrmMain::FormCreate() {
  // The off-screen picture is shown by the paint box; every copy asks it to
  // repaint from the picture.
  PaintBox1_->SetPicture(&Renderer_.SceneBitmap);
  Renderer_.Present = [this](const QImage&) { PaintBox1_->update(); };

  SetInitialView(View_, PaintBox1_->height());
  View_.Dragging = false;

  for (int i = 0; i < SeparationPointCount; ++i) s_.SepPoints[i].Enabled = DefaultSeparationSwitches[i];
  s_.FreeVortexSize = static_cast<int>(edVortexSize_->value());

  BuildArea(s_);
  btnDrawClick();

  s_.Dust.Fractions = TDustParams::DefaultFractions();
}

void TfrmMain::SetWindows(TfrmAbout* about, TfrmAreaParams* areaParams, TfrmDustProperties* dustProperties,
                          TfrmShowOutputConcentration* results) {
  About_ = about;
  AreaParams_ = areaParams;
  DustProperties_ = dustProperties;
  Results_ = results;
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

void TfrmMain::ShowExhaustedCount() {
  lbExhaustedVortices_->setVisible(cbExhaustVortices_->isChecked());
  lbExhaustedVortices_->setText(Tr(ExhaustedVortexLabelText) + QString::number(s_.ExhaustedVortexCount));
  lbExhaustedVortices_->repaint();
}

void TfrmMain::RedrawRun(const TModelState& state, bool withParticles) {
  Renderer_.RepaintRun(state, withParticles);
}

void TfrmMain::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TfrmMain::ShowMessage(const std::string& text) { ShowText(QString::fromStdString(text)); }

void TfrmMain::FlowLineStart(const TRealPoint& p) { Renderer_.FlowLineStart(p); }

void TfrmMain::FlowLineTo(const TRealPoint& p) {
  const QLine segment = Renderer_.FlowLineTo(p);
  PaintBox1_->update(QRect(segment.p1(), segment.p2()).normalized().adjusted(-1, -1, 1, 1));
}

void TfrmMain::ConcentrationProgress(int moment, int moments, int inFlight, long long steps, double time) {
  // While particles are injected the bar counts the moments, then the
  // particles that have left the flight.
  if (moment > 0) {
    RunProgress_->setRange(0, std::max(moments, 1));
    RunProgress_->setValue(std::clamp(moment, 0, std::max(moments, 1)));
  } else {
    const int total = static_cast<int>(std::clamp<long long>(ConcentrationTotal_, 1, 1 << 30));
    RunProgress_->setRange(0, total);
    RunProgress_->setValue(static_cast<int>(std::clamp<long long>(total - inFlight, 0, total)));
  }
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

void TfrmMain::ShowText(const QString& text) {
  if (Services_.message) Services_.message(this, text);
}

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
// The vortex run.

void TfrmMain::SetVortexButtons(bool start, bool cont, bool stop) {
  btnStart_->setEnabled(start);
  btnContinue_->setEnabled(cont);
  btnStop_->setEnabled(stop);
}

void TfrmMain::SetDataCommandsEnabled(bool enabled) {
  miLoad_->setEnabled(enabled);
  miSave_->setEnabled(enabled);
  N12_->setEnabled(enabled);
  N4_->setEnabled(enabled);
  btnBuildFlowLine_->setEnabled(enabled);
  cbExhaustVortices_->setEnabled(enabled);
}

void TfrmMain::RunVortexCommand(int maxFree, int startFreeCount, double startTime, double maxTime, double dt) {
  const bool continueWas = btnContinue_->isEnabled();
  // The keyboard focus goes with the run to its Stop button and comes back
  // to the command that started it, rather than to the next text field.
  QPushButton* command = btnStart_->hasFocus() ? btnStart_ : btnContinue_->hasFocus() ? btnContinue_ : nullptr;
  btnStop_->setEnabled(true);
  if (command != nullptr) btnStop_->setFocus();
  SetVortexButtons(false, false, true);
  bool ran = false;
  try {
    TRunGuard guard(*this, TRunKind::Vortex);
    s_.Compute.Fast = cbFastVortexRun_->isChecked();
    s_.Compute.ExhaustVortices = cbExhaustVortices_->isChecked();
    ran = RunVortices(s_, maxFree, startFreeCount, startTime, maxTime, dt);
  } catch (const std::bad_alloc&) {
    ShowText(Tr(OutOfMemoryText));
  }
  // A refused run changed nothing and leaves the buttons as they were.
  const bool stopHadFocus = btnStop_->hasFocus();
  SetVortexButtons(true, ran || continueWas, false);
  if (command != nullptr && stopHadFocus && command->isEnabled()) command->setFocus();
}

void TfrmMain::btnStartClick() {
  if (ActiveRun_ != TRunKind::None) return;
  btnDrawClick();
  int maxFree = 0;
  double maxTime = 0, dt = 0;
  if (!ReadVortexRunFields(maxFree, maxTime, dt)) return;
  RunVortexCommand(maxFree, 0, 0.0, maxTime, dt);
}

void TfrmMain::btnContinueClick() {
  if (ActiveRun_ != TRunKind::None) return;
  btnDrawClick();
  int maxFree = 0;
  double maxTime = 0, dt = 0;
  if (!ReadVortexRunFields(maxFree, maxTime, dt)) return;
  TRunStart start;
  const std::string error = BeginContinuedRun(s_, maxFree, maxTime, dt, start);
  if (!error.empty()) {
    ShowMessage(error);
    return;
  }
  RunVortexCommand(maxFree, start.FreeCount, start.Time, maxTime, dt);
}

void TfrmMain::btnStopClick() {
  s_.StopVortexRun = true;
  const bool hadFocus = btnStop_->hasFocus();
  SetVortexButtons(true, true, false);
  if (hadFocus) btnContinue_->setFocus();
}

// ---------------------------------------------------------------------------
// The concentration run.

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
  if (const std::string error = CheckConcentrationArgs(s_, numParticle, numIteration, moveVortices, options.ParticleStep);
      !error.empty()) {
    ShowMessage(error);
    return;
  }
  if (!ConcentrationFlowComputed(s_, moveVortices) && !ConfirmWithoutFlow()) return;
  const bool startHadFocus = btnStartCountConcentration_->hasFocus();
  btnStopCountConcentration_->setEnabled(true);
  if (startHadFocus) btnStopCountConcentration_->setFocus();
  btnStartCountConcentration_->setEnabled(false);

  ConcentrationBegun_ = false;
  ConcentrationTotal_ = static_cast<long long>(numParticle) * numIteration;
  bool completed = false;
  try {
    TRunGuard guard(*this, TRunKind::Concentration);
    s_.Compute.Fast = cbFastConcentration_->isChecked();
    s_.Compute.ExhaustVortices = cbExhaustVortices_->isChecked();
    if (options.ParticleStep.OwnSteps() && moveVortices) s_.Dt = vortexDt;
    completed = RunConcentration(s_, numParticle, numIteration, moveVortices, options);
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
  // The run repainted the picture only every few steps: the full picture of
  // the state it ended in.
  btnDrawClick();
  miShowLastConcentration_->setVisible(completed);
  if (completed && Results_ != nullptr) Results_->ShowFor(s_);
}

void TfrmMain::btnStopCountConcentrationClick() {
  s_.StopConcentration = true;
  const bool hadFocus = btnStopCountConcentration_->hasFocus();
  btnStartCountConcentration_->setEnabled(true);
  if (hadFocus) btnStartCountConcentration_->setFocus();
  btnStopCountConcentration_->setEnabled(false);
}

// ---------------------------------------------------------------------------
// Streamlines.

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
  if (!FlowComputed(s_) && !ConfirmWithoutFlow()) return;
  try {
    TFlowLineEnd end = TFlowLineEnd::MaxLength;
    if (TraceFlowLine(s_, x, y, step, maxLen, &end) && end == TFlowLineEnd::StepLimit)
      ShowMessage(FlowLineStepLimitText(static_cast<int>(s_.FlowLines.back().size()) - 1));
  } catch (const std::bad_alloc&) {
    ShowText(Tr(OutOfMemoryText));
  }
}

void TfrmMain::btnEraseFlowLinesClick() {
  s_.FlowLines.clear();
  s_.FlowLines.shrink_to_fit();
  s_.FlowLineCount = 0;
  btnDrawClick();
}

// ---------------------------------------------------------------------------
// Files.

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
    loaded = LoadVortexStructure(s_, QFile::encodeName(fileName).toStdString(), result);
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
  return true;
}

void TfrmMain::miSaveClick() {
  if (ActiveRun_ != TRunKind::None) return;
  const QString fileName = Services_.saveVortexFile ? Services_.saveVortexFile(this) : QString();
  if (!fileName.isEmpty()) SaveFile(fileName);
}

bool TfrmMain::SaveFile(const QString& fileName) {
  if (ActiveRun_ != TRunKind::None) return false;
  std::string error;
  return SaveVortexStructure(s_, QFile::encodeName(fileName).toStdString(), error);
}

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

void TfrmMain::N5Click() { close(); }

void TfrmMain::N12Click() {
  if (ActiveRun_ != TRunKind::None || AreaParams_ == nullptr) return;
  AreaParams_->LoadFrom(s_);
  if (!AreaParams_->Execute()) return;
  AreaParams_->StoreInto(s_);
  s_.FreeCount = 0;
  s_.Time = 0.0;
  lbTime_->setText(Tr(TimeLabelText));
  lbVortexCount_->setText(Tr(VortexCountLabelText));
  BuildArea(s_);
  ShowExhaustedCount();
  btnDrawClick();
  btnContinue_->setEnabled(false);
}

void TfrmMain::N4Click() {
  if (ActiveRun_ != TRunKind::None || DustProperties_ == nullptr) return;
  DustProperties_->LoadFrom(s_);
  if (!DustProperties_->Execute()) return;
  DustProperties_->StoreInto(s_);
}

void TfrmMain::N7Click() {
  if (About_ != nullptr) About_->ShowModal();
}

void TfrmMain::miShowLastConcentrationClick() {
  if (Results_ != nullptr) Results_->ShowFor(s_);
}

// ---------------------------------------------------------------------------
// The picture.

void TfrmMain::btnDrawClick() {
  TDrawToggles toggles;
  toggles.FreeVortices = tbDrawFreeVortexes_->isChecked();
  toggles.BoundVortices = tbDrawFixedVortexes_->isChecked();
  toggles.Axes = tbDrawAxes_->isChecked();
  toggles.VortexNumbers = ToolButton7_->isChecked();
  toggles.SpeedField = tbDrawSpeedField_->isChecked();
  Renderer_.FullRedraw(s_, PaintBox1_->width(), PaintBox1_->height(), View_, toggles);
}

void TfrmMain::miZoomInClick() {
  ZoomIn(View_, PaintBox1_->width(), PaintBox1_->height());
  btnDrawClick();
}

void TfrmMain::miZoomOutClick() {
  ZoomOut(View_, PaintBox1_->width(), PaintBox1_->height());
  btnDrawClick();
}

void TfrmMain::miZoomNoClick() {
  SetInitialView(View_, PaintBox1_->height());
  btnDrawClick();
}

void TfrmMain::edVortexSizeChange(int value) {
  s_.FreeVortexSize = value;
  btnDrawClick();
}

void TfrmMain::PaintBox1MouseDown(int x, int y) { PanPress(View_, x, y); }

void TfrmMain::PaintBox1MouseMove(int x, int y) {
  if (PanMove(View_, x, y)) btnDrawClick();
}

void TfrmMain::PaintBox1MouseUp() { PanRelease(View_); }

// ---------------------------------------------------------------------------
// Pages.

bool TfrmMain::PageControl1Changing(int leaving) {
  if (leaving == 0 && ActiveRun_ == TRunKind::Concentration) return false;
  if (leaving == 1 && ActiveRun_ == TRunKind::Vortex) return false;
  return true;
}

void TfrmMain::OnPageChanged(int index) {
  if (index == ActivePage_) return;
  const int leaving = ActivePage_;
  if (!PageControl1Changing(leaving)) {
    {
      const QSignalBlocker blocker(PageControl1_);
      PageControl1_->setCurrentIndex(leaving);
    }
    ShowText(Tr(leaving == 0 ? ConcentrationPageRefusal : VortexPageRefusal));
    return;
  }
  ActivePage_ = index;
  PageControl1Change();
}

void TfrmMain::PageControl1Change() {
  if (ActivePage_ == 1 && s_.ParticleCount != 0) {
    s_.ParticleCount = 0;
    s_.Particles.clear();
    btnDrawClick();
  }
}

// ---------------------------------------------------------------------------

void TfrmMain::closeEvent(QCloseEvent* event) {
  // A run in progress ends after its current step, so that the program can
  // end cleanly once its handler has returned.
  if (ActiveRun_ != TRunKind::None) {
    s_.StopVortexRun = true;
    s_.StopConcentration = true;
  }
  event->accept();
}

}  // namespace ltr
