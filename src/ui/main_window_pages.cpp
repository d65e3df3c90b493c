// The main window's menus, its two pages of fields and run controls, and the
// picture panel with its tool bars.

#include "ui/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QKeySequence>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "model/run_defaults.h"
#include "ui/main_window_shared.h"
#include "ui/number_field.h"
#include "ui/paint_box.h"
#include "ui/tool_icons.h"

namespace ltr {

using namespace main_window_detail;

namespace {

// The width a text field of the pages was designed with, and the text it
// must show whole.
const char* const EditWidthProperty = "ltrDesignWidth";
const char* const EditSampleProperty = "ltrWidthSample";

// What a push button's frame and padding take around its text.
constexpr int ButtonTextMargins = 2 * 8;

void FitEditWidth(QLineEdit* e) {
  const QVariant design = e->property(EditWidthProperty);
  if (!design.isValid()) return;
  const QMargins margins = e->textMargins();
  // The frame and the inner margins of a line edit, as its style lays it out.
  constexpr int Chrome = 2 * 2 + 2 * 2;
  const int need = e->fontMetrics().horizontalAdvance(e->property(EditSampleProperty).toString()) + margins.left() +
                   margins.right() + Chrome;
  e->setFixedWidth(std::max(design.toInt(), need));
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
// (shown with a comma), at least `width` pixels wide and wide enough for its
// start-up text and two more characters in its font.
QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* text, int width) {
  auto* e = new QLineEdit(QString::fromStdString(WithDecimalComma(text)), parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setProperty(EditWidthProperty, width);
  e->setProperty(EditSampleProperty, e->text() + QStringLiteral("00"));
  FitEditWidth(e);
  return e;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text, bool enabled) {
  auto* b = new QPushButton(Tr(text), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setEnabled(enabled);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

void TfrmMain::BuildMenus() {
  auto action = [this](QMenu* menu, const char* name, const char* text, void (TfrmMain::*slot)()) {
    QAction* a = menu->addAction(Tr(text));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));

  QMenu* data = bar->addMenu(Tr("&Данные"));
  data->setObjectName(QStringLiteral("N1"));
  miLoad_ = action(data, "miLoad", "Загрузить вихревую структуру", &TfrmMain::miLoadClick);
  miSave_ = action(data, "miSave", "Сохранить вихревую структуру", &TfrmMain::miSaveClick);
  miSavePicture_ = action(data, "miSavePicture", "Сохранить рисунок…", &TfrmMain::miSavePictureClick);
  data->addSeparator();
  miExit_ = action(data, "N5", "Выход", &TfrmMain::N5Click);

  QMenu* params = bar->addMenu(Tr("&Параметры"));
  params->setObjectName(QStringLiteral("N2"));
  miAreaParams_ = action(params, "N12", "Конфигурация области течения", &TfrmMain::N12Click);
  miDustProperties_ = action(params, "N4", "Характеристика пылевого состава", &TfrmMain::N4Click);
  miShowLastConcentration_ = action(params, "miShowLastConcentration", "Показать последний расчет концентрации",
                                    &TfrmMain::miShowLastConcentrationClick);

  QMenu* zoom = bar->addMenu(Tr("&Масштаб"));
  zoom->setObjectName(QStringLiteral("N8"));
  miZoomOut_ = action(zoom, "miZoomOut", "Уменьшить", &TfrmMain::miZoomOutClick);
  miZoomIn_ = action(zoom, "miZoomIn", "Увеличить", &TfrmMain::miZoomInClick);
  miZoomNo_ = action(zoom, "miZoomNo", "Исходный", &TfrmMain::miZoomNoClick);

  QMenu* help = bar->addMenu(Tr("&Справка"));
  help->setObjectName(QStringLiteral("N6"));
  miAbout_ = action(help, "N7", "О программе", &TfrmMain::N7Click);

  // The menus open with Alt and their first letter; the commands used most
  // have the usual keys (Ctrl+O, Ctrl+S and F1 belong to the case and the
  // guide).
  miExit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  miZoomIn_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  miZoomOut_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  miZoomNo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));

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

// A page of the page control: its fields in a frameless area that scrolls
// when the window is too low for them, never sideways.
QScrollArea* TfrmMain::ScrollingPage(QWidget* content, const char* name) {
  auto* area = new QScrollArea;
  area->setObjectName(QString::fromLatin1(name));
  area->setFrameShape(QFrame::NoFrame);
  area->setWidgetResizable(true);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  area->setWidget(content);
  // The area paints nothing of its own: the page looks as without it.
  area->viewport()->setAutoFillBackground(false);
  content->setAutoFillBackground(false);
  return area;
}

// Every caption of the pages stays whole and is never squeezed. The pages are
// designed for 255 pixels: where the window's font is too wide for that, the
// pages take a narrower face of it (semi-condensed, then condensed), and
// where even that does not do, the page control takes the width its pages
// need.
void TfrmMain::FitPageControl() {
  if (pgcPages_ == nullptr) return;
  QFont pageFont = font();
  for (int stretch : {int(QFont::Unstretched), int(QFont::SemiCondensed), int(QFont::Condensed)}) {
    pageFont.setStretch(stretch);
    pgcPages_->setFont(pageFont);
    // The tab bar is styled by a sheet of its own and takes the font only
    // when given it.
    pgcPages_->tabBar()->setFont(pageFont);
    for (QLineEdit* edit : pgcPages_->findChildren<QLineEdit*>()) FitEditWidth(edit);
    // A button may be narrower than the style's usual minimum, never than its
    // text.
    for (QPushButton* button : pgcPages_->findChildren<QPushButton*>())
      button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + ButtonTextMargins);
    if (PageControlNeed() <= PageControlWidth) break;
  }
  UpdatePageControlWidth();
}

// The width the page control needs for both tabs side by side and for each
// page's fields at their minimum width, with a scroll bar where the page is
// higher than the room it has.
int TfrmMain::PageControlNeed() const {
  // The frame of the tab control around a page, and the room the pages have
  // below the tabs.
  constexpr int Frame = 2 * 2;
  const int roomHeight = pgcPages_->height() - pgcPages_->tabBar()->sizeHint().height() - Frame;
  int need = pgcPages_->tabBar()->sizeHint().width() + Frame;
  for (const QScrollArea* area : {scrConcentration_, scrVortex_}) {
    QWidget* content = area->widget();
    if (content->layout() != nullptr) content->layout()->activate();
    const QSize minimum = content->minimumSizeHint();
    int width = minimum.width() + Frame;
    if (minimum.height() > roomHeight) width += area->verticalScrollBar()->sizeHint().width();
    need = std::max(need, width);
  }
  return need;
}

void TfrmMain::UpdatePageControlWidth() {
  if (pgcPages_ == nullptr) return;
  const int width = std::max(PageControlWidth, PageControlNeed());
  if (width != pgcPages_->width() || pgcPages_->minimumWidth() != width) pgcPages_->setFixedWidth(width);
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
  // The two-line captions next to the count fields, broken where the
  // designed window breaks them.
  const QString particleCaption = Tr("Количество пылевых частиц, по-\nявляющихся в каждый момент");
  const QString momentCaption = Tr("Количество моментов появле-\nния пылевых частиц");
  const std::pair<QString, TNumberField*> rows[] = {{particleCaption, edNumParticle_}, {momentCaption, edNumIteration_}};
  for (int row = 0; row < 2; ++row) {
    grid->addWidget(MakeLabel(page, rows[row].first), row, 0);
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
  QLabel* residence = MakeLabel(page, Tr("Предельное время пребывания\nчастицы, с:"));
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
  for (const char* caption : ParticleStepCaptions) cbParticleStep_->addItem(Tr(caption));
  cbParticleStep_->setToolTip(
      Tr("По шагу ввода частиц: один шаг Рунге-Кутты на каждый шаг по времени, через который вводятся частицы.\n"
         "Автоматически и заданный шаг: частицы появляются через тот же шаг по времени, а движутся\n"
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

  // The average over the moments of the developed flow: the vortex run goes
  // on (with the fields of the velocity page) and the run is made in the flow
  // of each moment.
  cbSnapshots_ = new QCheckBox(Tr("Усреднить по мгновенным полям:"), page);
  cbSnapshots_->setObjectName(QStringLiteral("cbSnapshots"));
  cbSnapshots_->setToolTip(
      Tr("Расчет поля скоростей продолжается (поля страницы \"Расчет поля скоростей\"), и расчет\n"
         "концентрации делается в N мгновенных полях через заданное время; результат - среднее\n"
         "с 95 % интервалом по разбросу между полями."));
  v->addWidget(cbSnapshots_);
  edSnapshotCount_ = new TNumberField(page);
  edSnapshotCount_->setObjectName(QStringLiteral("edSnapshotCount"));
  edSnapshotCount_->setDecimals(0);
  edSnapshotCount_->setRange(2, MaxSnapshotCount);
  edSnapshotCount_->setSingleStep(1);
  edSnapshotCount_->setValue(8);
  edSnapshotCount_->FitWidth(58);
  edSnapshotEvery_ = new TNumberField(page);
  edSnapshotEvery_->setObjectName(QStringLiteral("edSnapshotEvery"));
  edSnapshotEvery_->setDecimals(3);
  edSnapshotEvery_->setRange(0.001, 10000.0);
  edSnapshotEvery_->setSingleStep(0.05);
  edSnapshotEvery_->setValue(0.25);
  edSnapshotEvery_->FitWidth(58);
  // "N, через … с" under the check box's text.
  auto* snapshotLine = new QHBoxLayout;
  snapshotLine->setSpacing(3);
  snapshotLine->addSpacing(style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                           style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
  snapshotLine->addWidget(edSnapshotCount_, 0, Qt::AlignVCenter);
  snapshotLine->addWidget(MakeLabel(page, Tr(", через")));
  snapshotLine->addSpacing(3);
  snapshotLine->addWidget(edSnapshotEvery_, 0, Qt::AlignVCenter);
  snapshotLine->addWidget(MakeLabel(page, Tr("с")));
  snapshotLine->addStretch(1);
  v->addLayout(snapshotLine);
  edSnapshotCount_->setEnabled(false);
  edSnapshotEvery_->setEnabled(false);
  connect(cbSnapshots_, &QCheckBox::toggled, this, [this](bool on) {
    edSnapshotCount_->setEnabled(on);
    edSnapshotEvery_->setEnabled(on);
  });

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
  // The page has the most lines of the two: its spacing is the tighter, so
  // that it fits the window's start-up height without scrolling.
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(6, 4, 6, 4);
  v->setSpacing(4);

  auto* params = new QGroupBox(Tr(" Параметры движения вихрей:  "), page);
  params->setObjectName(QStringLiteral("GroupBoxVortexParams"));
  auto* pg = new QGridLayout(params);
  pg->setContentsMargins(6, 6, 6, 6);
  pg->setHorizontalSpacing(4);
  pg->setVerticalSpacing(4);
  pg->setColumnStretch(0, 1);
  edMaxFreeVortex_ = MakeEdit(params, "edMaxFreeVortex", DefaultMaxFreeVortexText, 46);
  edMaxTime_ = MakeEdit(params, "edMaxTime", DefaultMaxTimeText, 46);
  edDt_ = MakeEdit(params, "edDt", DefaultDtText, 46);
  pg->addWidget(MakeLabel(params, Tr("Макс. кол-во свободных вихрей: ")), 0, 0);
  pg->addWidget(edMaxFreeVortex_, 0, 1, 1, 2);
  pg->addWidget(MakeLabel(params, Tr("Макс. время моделирования")), 1, 0);
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
  rl->setVerticalSpacing(4);
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
  // Its line is kept while it is hidden, so that ticking the box moves nothing.
  QSizePolicy keepRoom = lbExhaustedVortices_->sizePolicy();
  keepRoom.setRetainSizeWhenHidden(true);
  lbExhaustedVortices_->setSizePolicy(keepRoom);
  lbExhaustedVortices_->setVisible(false);
  connect(cbExhaustVortices_, &QCheckBox::toggled, this, &TfrmMain::ShowExhaustedCount);
  v->addWidget(run);

  auto* line = new QGroupBox(Tr(" Построение линии тока: "), page);
  line->setObjectName(QStringLiteral("GroupBoxFlowLine"));
  auto* lg = new QGridLayout(line);
  lg->setHorizontalSpacing(4);
  lg->setVerticalSpacing(4);
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
  tbZoomOut_ = MakeToolButton(zoomBar, "ToolButton2", Tr("Уменьшить"), TIcon::ZoomOut, false, false);
  tbZoomIn_ = MakeToolButton(zoomBar, "ToolButton1", Tr("Увеличить"), TIcon::ZoomIn, false, false);
  tbZoomNo_ = MakeToolButton(zoomBar, "ToolButton3", Tr("Исходный масштаб"), TIcon::ZoomNo, false, false);
  zoomBar->addWidget(tbZoomOut_);
  zoomBar->addWidget(tbZoomIn_);
  zoomBar->addWidget(tbZoomNo_);

  auto* drawBar = new QToolBar(panel);
  drawBar->setObjectName(QStringLiteral("ToolBar2"));
  drawBar->setIconSize(QSize(16, 16));
  tbDrawFreeVortexes_ =
      MakeToolButton(drawBar, "tbDrawFreeVortexes", Tr("Свободные вихри"), TIcon::FreeVortices, true, true);
  tbDrawFixedVortexes_ =
      MakeToolButton(drawBar, "tbDrawFixedVortexes", Tr("Присоединенные вихри"), TIcon::BoundVortices, true, false);
  tbDrawAxes_ = MakeToolButton(drawBar, "tbDrawAxes", Tr("Оси координат"), TIcon::Axes, true, true);
  tbDrawVortexNumbers_ = MakeToolButton(drawBar, "ToolButton7", Tr("Номера вихрей"), TIcon::Numbers, true, false);
  drawBar->addWidget(tbDrawFreeVortexes_);
  drawBar->addWidget(tbDrawFixedVortexes_);
  drawBar->addWidget(tbDrawAxes_);
  drawBar->addWidget(tbDrawVortexNumbers_);
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

  pbxPicture_ = new TPaintBox(panel);
  pbxPicture_->setObjectName(QStringLiteral("PaintBox1"));
  v->addWidget(pbxPicture_, 1);

  connect(tbZoomOut_, &QToolButton::clicked, this, &TfrmMain::miZoomOutClick);
  connect(tbZoomIn_, &QToolButton::clicked, this, &TfrmMain::miZoomInClick);
  connect(tbZoomNo_, &QToolButton::clicked, this, &TfrmMain::miZoomNoClick);
  for (QToolButton* toggle : {tbDrawFreeVortexes_, tbDrawFixedVortexes_, tbDrawAxes_, tbDrawVortexNumbers_, tbDrawSpeedField_})
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
  connect(pbxPicture_, &TPaintBox::MouseDown, this, &TfrmMain::PaintBox1MouseDown);
  connect(pbxPicture_, &TPaintBox::MouseMove, this, &TfrmMain::PaintBox1MouseMove);
  connect(pbxPicture_, &TPaintBox::MouseUp, this, &TfrmMain::PaintBox1MouseUp);
  connect(pbxPicture_, &TPaintBox::Resized, this, &TfrmMain::btnDrawClick);
  return panel;
}

}  // namespace ltr
