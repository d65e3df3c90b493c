#include "ui/area_params_dialog.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <algorithm>

#include "model/fields.h"
#include "model/validation.h"
#include "numerics/number_text.h"
#include "ui/font_fit.h"
#include "ui/number_field.h"

namespace ltr {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

constexpr int FieldWidth = 73;

// The two frames of the left column and their inner width for the texts: the
// frame's margins and border on both sides taken off.
constexpr int FrameWidth = 287;
constexpr int FrameMargin = 1;
constexpr int FrameBorder = 3;
constexpr int FrameInnerWidth = FrameWidth - 2 * FrameMargin - 2 * FrameBorder;
constexpr int FieldSpacing = 4;
// What a field adds to its text: the arrows, the frame and the editor's margins.
constexpr int FieldArrowsAndFrame = 30;
// The longest inflow speed in fixed notation: six integer digits and five
// decimals (larger speeds are written shorter, in scientific notation).
const QString WidestInflowSpeed = QStringLiteral("000000,00000");

// The field of an enclosure value, as its description has it.
TNumberField* MakeField(QWidget* parent, double TAreaParams::*member) {
  const TAreaField& field = AreaField(member);
  auto* e = new TNumberField(parent);
  e->setObjectName(QString::fromLatin1(field.Control));
  e->setDecimals(field.Decimals);
  e->setRange(field.Minimum, field.Maximum);
  e->setSingleStep(0.01);
  e->FitWidth(FieldWidth);
  return e;
}

// The value check, also on the ranges of the fields: a typed value outside its
// field's range is refused like any other incorrect value, never pulled into
// the range behind the user's back.
std::string ValuesError(TAreaParams a) {
  a.InflowSpeed = DerivedInflowSpeed(a);
  return AreaParamsError(a);
}

bool ValuesPass(const TAreaParams& a) { return ValuesError(a).empty(); }

}  // namespace

TfrmAreaParams::TfrmAreaParams(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAreaParams"));
  setWindowTitle(Text("Конфигурация области"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(695, 314);
  // The layout is made for a compact dialog font of 8 points, narrowed where
  // the system's font would not leave the texts whole.
  QFont compact = font();
  compact.setPointSize(8);
  const QString inflowCaption = Text(AreaField(&TAreaParams::InflowSpeed).Caption);
  const QString inflowUnit = Text("м/с )");
  const char* const mainLabels[] = {AreaField(&TAreaParams::H).Caption, AreaField(&TAreaParams::Speed).Caption};
  const char* const sizeLabels[] = {
      AreaField(&TAreaParams::RoomHeight).Caption,    AreaField(&TAreaParams::RoomWidth).Caption,
      AreaField(&TAreaParams::InflowWidth).Caption,   AreaField(&TAreaParams::InflowDistance).Caption,
      AreaField(&TAreaParams::ExhaustWidth).Caption,  AreaField(&TAreaParams::ExhaustHeight).Caption};
  setFont(NarrowedFont(compact, [&](const QFontMetrics& m) {
    // The inflow speed's line up to its longest value, and each caption next
    // to a field as wide as the longest field text.
    const int line = m.horizontalAdvance(inflowCaption) + m.horizontalAdvance(WidestInflowSpeed) +
                     m.horizontalAdvance(QLatin1Char(' ')) + m.horizontalAdvance(inflowUnit);
    int caption = 0;
    for (const char* label : mainLabels)
      for (const QString& text : Text(label).split(QLatin1Char('\n'))) caption = std::max(caption, m.horizontalAdvance(text));
    for (const char* label : sizeLabels)
      for (const QString& text : Text(label).split(QLatin1Char('\n'))) caption = std::max(caption, m.horizontalAdvance(text));
    const int field = m.horizontalAdvance(QStringLiteral("100,00000")) + FieldArrowsAndFrame;
    // A pixel to spare for the rounding of the layout.
    return line + 1 <= FrameInnerWidth && caption + FieldSpacing + field <= FrameInnerWidth;
  }));

  // Main parameters, upper left.
  auto* gbMain = new QGroupBox(Text(" Основные параметры "), this);
  gbMain->setObjectName(QStringLiteral("GroupBox1"));
  gbMain->setGeometry(4, 2, FrameWidth, 96);
  edH = MakeField(gbMain, &TAreaParams::H);
  edSpeed = MakeField(gbMain, &TAreaParams::Speed);
  lbInflowSpeed = new QLabel(gbMain);
  lbInflowSpeed->setObjectName(QStringLiteral("lbInflowSpeed"));
  {
    auto* grid = new QGridLayout(gbMain);
    grid->setContentsMargins(FrameMargin, 2, FrameMargin, 3);
    grid->setHorizontalSpacing(FieldSpacing);
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(Text(mainLabels[0]), gbMain), 0, 0);
    grid->addWidget(edH, 0, 1);
    grid->addWidget(new QLabel(Text(mainLabels[1]), gbMain), 1, 0);
    grid->addWidget(edSpeed, 1, 1);
    // The value label is as wide as its text, and the unit follows it.
    auto* line = new QHBoxLayout;
    line->setSpacing(0);
    line->addWidget(new QLabel(inflowCaption, gbMain));
    line->addWidget(lbInflowSpeed);
    line->addSpacing(fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    line->addWidget(new QLabel(inflowUnit, gbMain));
    line->addStretch(1);
    grid->addLayout(line, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
  }

  // Dimensions, below it.
  auto* gbSizes = new QGroupBox(Text(" Размеры области "), this);
  gbSizes->setObjectName(QStringLiteral("GroupBox2"));
  gbSizes->setGeometry(4, 100, FrameWidth, 180);
  edRoomHeight = MakeField(gbSizes, &TAreaParams::RoomHeight);
  edRoomWidth = MakeField(gbSizes, &TAreaParams::RoomWidth);
  edInflowWidth = MakeField(gbSizes, &TAreaParams::InflowWidth);
  edInflowDistance = MakeField(gbSizes, &TAreaParams::InflowDistance);
  edExhaustWidth = MakeField(gbSizes, &TAreaParams::ExhaustWidth);
  edExhaustHeight = MakeField(gbSizes, &TAreaParams::ExhaustHeight);
  {
    auto* grid = new QGridLayout(gbSizes);
    grid->setContentsMargins(FrameMargin, 2, FrameMargin, 3);
    grid->setHorizontalSpacing(FieldSpacing);
    grid->setVerticalSpacing(1);
    TNumberField* const fields[] = {edRoomHeight, edRoomWidth,    edInflowWidth,
                                    edInflowDistance, edExhaustWidth, edExhaustHeight};
    for (int row = 0; row < 6; ++row) {
      grid->addWidget(new QLabel(Text(sizeLabels[row]), gbSizes), row, 0);
      grid->addWidget(fields[row], row, 1);
    }
    grid->setColumnStretch(0, 1);
  }
  // All eight fields as wide as the widest needs to be.
  {
    const std::initializer_list<TNumberField*> all = {edH, edSpeed, edRoomHeight, edRoomWidth, edInflowWidth,
                                                     edInflowDistance, edExhaustWidth, edExhaustHeight};
    int width = 0;
    for (TNumberField* e : all) width = std::max(width, e->width());
    for (TNumberField* e : all) e->setFixedWidth(width);
  }

  // Separation points, upper right: a check list in two columns.
  auto* gbBreaks = new QGroupBox(Text(" Учитываемые при моделировании точки отрыва "), this);
  gbBreaks->setObjectName(QStringLiteral("GroupBox3"));
  gbBreaks->setGeometry(295, 2, SketchImageWidth, 68);
  cbBreaks = new QListWidget(gbBreaks);
  cbBreaks->setObjectName(QStringLiteral("cbBreaks"));
  cbBreaks->setFlow(QListView::TopToBottom);
  cbBreaks->setWrapping(true);
  cbBreaks->setResizeMode(QListView::Adjust);
  cbBreaks->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  cbBreaks->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  cbBreaks->setGridSize(QSize((SketchImageWidth - 22) / 2, 19));
  for (const char* caption : {"Слева от притока", "Справа от притока", "На дне укрытия", "На левой стенке"}) {
    auto* item = new QListWidgetItem(Text(caption), cbBreaks);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  {
    auto* box = new QHBoxLayout(gbBreaks);
    box->setContentsMargins(8, 0, 8, 4);
    box->addWidget(cbBreaks);
  }

  // The sketch, below the check list.
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(295, 72, SketchImageWidth, SketchImageHeight);
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1->installEventFilter(this);

  // Buttons, lower left.
  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  BitBtn1->setGeometry(4, 284, 90, 26);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(Text("Отмена"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  BitBtn2->setGeometry(102, 284, 90, 26);
  // Beside the buttons: why the values cannot be stored, while they cannot.
  lbProblem = new QLabel(this);
  lbProblem->setObjectName(QStringLiteral("lbProblem"));
  lbProblem->setGeometry(200, 280, 695 - 200 - 4, 32);
  lbProblem->setWordWrap(true);
  lbProblem->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lbProblem->setStyleSheet(QStringLiteral("color: #b00000;"));

  // Start from the program's default enclosure; the main window fills the
  // fields from the model before every showing.
  ShowValues(TAreaParams{});
  edSpeedChange();
  DrawAreaSketch();
  ShowProblem();

  // Every change of a field's text reaches its handler, set or typed, also
  // while the text is not (yet) a valid number.
  for (TNumberField* e : {edRoomHeight, edRoomWidth, edInflowDistance, edExhaustHeight})
    connect(e, &TNumberField::textChanged, this, [this] { edRoomHeightChange(); });
  for (TNumberField* e : {edInflowWidth, edExhaustWidth})
    connect(e, &TNumberField::textChanged, this, [this] { edInflowWidthChange(); });
  connect(edSpeed, &TNumberField::textChanged, this, [this] { edSpeedChange(); });
  for (const auto& [member, e] : Fields()) connect(e, &TNumberField::textChanged, this, [this] { ShowProblem(); });
  connect(cbBreaks, &QListWidget::itemChanged, this, [this] { cbBreaksClickCheck(); });
  connect(BitBtn1, &QPushButton::clicked, this, &TfrmAreaParams::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

std::array<std::pair<double TAreaParams::*, TNumberField*>, 8> TfrmAreaParams::Fields() const {
  // In the order of the descriptions, which is also the order the fields are
  // filled in.
  std::array<std::pair<double TAreaParams::*, TNumberField*>, 8> fields{};
  std::size_t k = 0;
  for (const TAreaField& field : AreaFields) {
    if (*field.Control == '\0') continue;
    fields[k++] = {field.Member, findChild<TNumberField*>(QString::fromLatin1(field.Control))};
  }
  return fields;
}

void TfrmAreaParams::ShowValues(const TAreaParams& a) {
  for (const auto& [member, e] : Fields()) e->setValue(a.*member);
}

void TfrmAreaParams::LoadFrom(const TCase& s) {
  ShowValues(s.Area);
  for (int i = 0; i < SeparationPointCount; ++i)
    cbBreaks->item(i)->setCheckState(s.Enabled[i] ? Qt::Checked : Qt::Unchecked);
  // A field set to the text it already had reports no change, so the inflow
  // speed of texts typed before a Cancel would stay: it is computed anew.
  edSpeedChange();
  ShowProblem();
}

QString TfrmAreaParams::Problem(TNumberField** field) const {
  TNumberField* at = nullptr;
  QString problem;
  // The texts in the order of the text check, then the values in the same
  // order, then the openings.
  const std::initializer_list<double TAreaParams::*> order = {
      &TAreaParams::H,           &TAreaParams::Speed,          &TAreaParams::RoomWidth,
      &TAreaParams::RoomHeight,  &TAreaParams::InflowDistance, &TAreaParams::InflowWidth,
      &TAreaParams::ExhaustHeight, &TAreaParams::ExhaustWidth};
  auto fieldOf = [this](double TAreaParams::*member) {
    return findChild<TNumberField*>(QString::fromLatin1(AreaField(member).Control));
  };
  for (double TAreaParams::*member : order) {
    double v = 0.0;
    if (fieldOf(member)->ReadValue(v)) continue;
    at = fieldOf(member);
    problem = at->Problem(QString::fromStdString(OneLineCaption(AreaField(member).Caption)));
    break;
  }
  if (at == nullptr) {
    const TAreaParams a = FieldValues();
    problem = QString::fromStdString(AreaParamsReason(a));
    if (!problem.isEmpty()) {
      at = static_cast<Extended>(a.RoomWidth) > static_cast<Extended>(a.InflowDistance) + a.InflowWidth
               ? edExhaustHeight
               : edInflowDistance;
      for (double TAreaParams::*member : order)
        if (!fieldOf(member)->InRange(a.*member)) {
          at = fieldOf(member);
          break;
        }
    }
  }
  if (field != nullptr) *field = at;
  return problem;
}

void TfrmAreaParams::FocusProblem() {
  ShowProblem();
  TNumberField* field = nullptr;
  Problem(&field);
  if (field == nullptr) return;
  field->setFocus();
  field->selectAll();
}

void TfrmAreaParams::ShowProblem() { lbProblem->setText(Problem()); }

bool TfrmAreaParams::Execute() { return Services_.execDialog(this) == QDialog::Accepted; }

void TfrmAreaParams::StoreInto(TCase& s) const {
  TAreaParams a = FieldValues();
  a.InflowSpeed = DerivedInflowSpeed(a);
  s.Area = a;
  const std::array<bool, SeparationPointCount> checked = CheckedBreaks();
  for (int i = 0; i < SeparationPointCount; ++i) s.Enabled[i] = checked[i];
}

bool TfrmAreaParams::TextsConvert() const {
  double v = 0.0;
  for (const auto& [member, e] : Fields())
    if (!e->ReadValue(v)) return false;
  return true;
}

TAreaParams TfrmAreaParams::FieldValues() const {
  TAreaParams a;
  for (const auto& [member, e] : Fields()) a.*member = e->value();
  a.InflowSpeed = 0.0;
  return a;
}

std::array<bool, SeparationPointCount> TfrmAreaParams::CheckedBreaks() const {
  std::array<bool, SeparationPointCount> checked{};
  for (int i = 0; i < SeparationPointCount; ++i) checked[i] = cbBreaks->item(i)->checkState() == Qt::Checked;
  return checked;
}

void TfrmAreaParams::edRoomHeightChange() {
  if (TextsConvert() && ValuesPass(FieldValues())) DrawAreaSketch();
}

void TfrmAreaParams::edInflowWidthChange() {
  edRoomHeightChange();
  edSpeedChange();
}

void TfrmAreaParams::edSpeedChange() {
  if (!TextsConvert()) return;
  const TAreaParams a = FieldValues();
  if (!ValuesPass(a)) return;
  lbInflowSpeed->setText(QString::fromStdString(FormatFixed(DerivedInflowSpeed(a), 6, 5)));
}

void TfrmAreaParams::cbBreaksClickCheck() { DrawAreaSketch(); }

void TfrmAreaParams::FormShow() {
  Sketch_.FitScale(SketchFieldsOf(FieldValues()));
  DrawAreaSketch();
}

void TfrmAreaParams::DrawAreaSketch() {
  Sketch_.DrawAreaSketch(SketchFieldsOf(FieldValues()), CheckedBreaks());
  Image1->setPixmap(QPixmap::fromImage(Sketch_.Image));
}

void TfrmAreaParams::Image1MouseDown(Qt::MouseButton button) {
  if (Sketch_.ZoomByClick(button)) DrawAreaSketch();
}

void TfrmAreaParams::BitBtn1Click() {
  if (!TextsConvert()) {
    Services_.message(this, Text("Ошибка при вводе параметров"));
    FocusProblem();
    return;
  }
  const TAreaParams a = FieldValues();
  if (const std::string error = ValuesError(a); !error.empty()) {
    Services_.message(this, QString::fromStdString(error));
    FocusProblem();
    return;
  }
  if (!Services_.confirm(this, Text("Изменение конфигурации области приведет к потере\r"
                                    "несохраненных результатов моделирования.\r"
                                    "Продолжить?")))
    return;
  // The fields take over what was checked, so that they show what is stored.
  ShowValues(a);
  accept();
}

void TfrmAreaParams::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Only a showing by the program, not the window system restoring it.
  if (!event->spontaneous()) FormShow();
}

bool TfrmAreaParams::eventFilter(QObject* watched, QEvent* event) {
  // A quick second click arrives as a double click instead of a second press;
  // it zooms again like any press.
  if (watched == Image1 &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
    Image1MouseDown(static_cast<QMouseEvent*>(event)->button());
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace ltr
