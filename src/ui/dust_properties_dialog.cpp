#include "ui/dust_properties_dialog.h"

#include <QBrush>
#include <QColor>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QPainter>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "model/fields.h"
#include "model/validation.h"
#include "numerics/number_text.h"
#include "ui/number_field.h"

namespace ltr {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// Micrometres in the grid, metres in the model.
constexpr Extended MicrometresPerMetre = 1000000.0L;


// Grid columns.
constexpr int NumberColumn = 0;
constexpr int LowerColumn = 1;
constexpr int UpperColumn = 2;
constexpr int ShareColumn = 3;
constexpr int RowHeight = 20;

const QColor DerivedCellColor(220, 220, 220);

// A share with 3 decimals, or with as many more (up to 7) as it takes to read
// back the stored value, so that a composition such as three shares of
// 0.3333333, 0.3333333 and 0.3333334 is shown as it adds up.
QString ShareText(double share) {
  std::string text;
  for (int digits = 3; digits <= 7; ++digits) {
    text = FormatFixed(share, digits + 1, digits);
    Extended back = 0.0L;
    if (ParseReal(text, back) && ToDouble(back) == share) break;
  }
  return QString::fromStdString(text);
}

// A field at least `width` wide and wide enough to show `widest`, the longest
// text its values usually have.
TNumberField* MakeField(QWidget* parent, double TDustParams::*member, double step, int width, const char* widest) {
  const TDustField& field = DustField(member);
  auto* e = new TNumberField(parent);
  e->setObjectName(QString::fromLatin1(field.Control));
  e->setDecimals(field.Decimals);
  e->setRange(field.Minimum, field.Maximum);
  e->setSingleStep(step);
  e->setFixedWidth(std::max(width, e->WidthToShow(QString::fromLatin1(widest))));
  return e;
}

// The derived upper bounds (column 2 of every row but the last) are painted
// light grey with black text, also while selected, so that they always read as
// not typed.
class TDerivedCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QAbstractItemModel* model = index.model();
    if (index.column() != UpperColumn || index.row() + 1 >= model->rowCount()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    painter->save();
    painter->fillRect(option.rect, DerivedCellColor);
    painter->setPen(QColor(0, 0, 0));
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(2, 2, -1, 0), Qt::AlignLeft | Qt::AlignTop,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
  }
};

// The column captions are long for their widths: the header font is made
// smaller, in half points, until every caption fits its column.
void FitHeaderFont(QHeaderView* header, const int (&widths)[4]) {
  const QAbstractItemModel* model = header->model();
  const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
  QFont font = header->font();
  for (qreal size = font.pointSizeF(); size >= 6.0; size -= 0.5) {
    font.setPointSizeF(size);
    const QFontMetrics metrics(font);
    bool fits = true;
    for (int c = 0; c < 4; ++c)
      fits = fits && metrics.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString()) + 2 * margin <=
                         widths[c];
    if (fits) break;
  }
  header->setFont(font);
}

}  // namespace

TfrmDustProperties::TfrmDustProperties(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmDustProperties"));
  setWindowTitle(Text("Характеристика пылевого состава"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  // The window is 492 x 358 with its frame and title bar.
  setFixedSize(484, 327);
  QFont compact = font();
  compact.setPointSize(8);
  setFont(compact);

  // The six properties: three in a left column, three in a right one.
  edInputConcentration = MakeField(this, &TDustParams::InputConcentration, 0.01, 80, "00,0000000");
  edParticleDencity = MakeField(this, &TDustParams::ParticleDensity, 0.1, 80, "00000,00");
  edMu = MakeField(this, &TDustParams::AirViscosity, 5e-06, 80, "0,00000000");
  edHi = MakeField(this, &TDustParams::ShapeFactor, 0.1, 50, "00,00");
  edKoefK = MakeField(this, &TDustParams::KoefK, 0.05, 50, "00,00");
  edKoefF = MakeField(this, &TDustParams::KoefF, 0.05, 50, "00,00");
  auto column = [this](const QRect& place, const std::pair<const char*, TNumberField*> (&rows)[3]) {
    auto* box = new QWidget(this);
    box->setGeometry(place);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    // The fields of a column share the width of the widest.
    int width = 0;
    for (const auto& row : rows) width = std::max(width, row.second->width());
    int row = 0;
    for (const auto& [caption, field] : rows) {
      field->setFixedWidth(width);
      auto* label = new QLabel(Text(caption), box);
      label->setWordWrap(true);
      grid->addWidget(label, row, 0);
      grid->addWidget(field, row, 1);
      ++row;
    }
    grid->setColumnStretch(0, 1);
  };
  auto caption = [](double TDustParams::*member) { return DustField(member).Caption; };
  column(QRect(6, 4, 262, 88), {{caption(&TDustParams::InputConcentration), edInputConcentration},
                                {caption(&TDustParams::ParticleDensity), edParticleDencity},
                                {caption(&TDustParams::AirViscosity), edMu}});
  column(QRect(282, 4, 196, 88), {{caption(&TDustParams::ShapeFactor), edHi},
                                  {caption(&TDustParams::KoefK), edKoefK},
                                  {caption(&TDustParams::KoefF), edKoefF}});

  // The size composition.
  auto* frame = new QGroupBox(Text(" Дисперсный состав пыли в приточном воздухе: "), this);
  frame->setObjectName(QStringLiteral("GroupBox1"));
  frame->setGeometry(4, 96, 476, 194);
  edFractionCnt = new TNumberField(frame);
  edFractionCnt->setObjectName(QStringLiteral("edFractionCnt"));
  edFractionCnt->setDecimals(0);
  edFractionCnt->setRange(2, 100);
  edFractionCnt->setSingleStep(1);
  edFractionCnt->setValue(2);
  edFractionCnt->FitWidth(50);

  sgDispersedComposition = new QTableWidget(2, 4, frame);
  QTableWidget* sg = sgDispersedComposition;
  sg->setObjectName(QStringLiteral("sgDispersedComposition"));
  sg->setHorizontalHeaderLabels({Text("№"), Text("Нижняя граница фракции, мкм"),
                                 Text("Верхняя граница фракции, мкм"), Text("Доля частиц")});
  sg->verticalHeader()->hide();
  sg->verticalHeader()->setMinimumSectionSize(RowHeight);
  sg->verticalHeader()->setDefaultSectionSize(RowHeight);
  sg->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sg->horizontalHeader()->setFixedHeight(RowHeight);
  sg->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sg->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  sg->horizontalHeader()->setHighlightSections(false);
  const int widths[] = {24, 167, 168, 71};
  for (int c = 0; c < 4; ++c) sg->setColumnWidth(c, widths[c]);
  FitHeaderFont(sg->horizontalHeader(), widths);
  sg->setShowGrid(true);
  sg->setItemDelegate(new TDerivedCellDelegate(sg));
  sg->setSelectionMode(QAbstractItemView::SingleSelection);
  sg->setSelectionBehavior(QAbstractItemView::SelectItems);
  sg->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                      QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  sg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  sg->setFixedWidth(24 + 167 + 168 + 71 + 2 * sg->frameWidth() +
                    sg->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, sg));
  {
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(8, 2, 8, 6);
    layout->setSpacing(3);
    auto* countLine = new QHBoxLayout;
    countLine->addWidget(new QLabel(Text("Количество фракций:"), frame));
    countLine->addWidget(edFractionCnt);
    countLine->addStretch(1);
    layout->addLayout(countLine);
    layout->addWidget(new QLabel(Text("Доли частиц по фракциям:"), frame));
    layout->addWidget(sg, 1, Qt::AlignLeft);
  }

  // The grid at creation: two fractions.
  PrepareRows();
  const char* initial[2][4] = {{"1", "50", "70", "0,300"}, {"2", "70", "90", "0,700"}};
  for (int r = 1; r <= 2; ++r)
    for (int c = 0; c < 4; ++c) SetCell(r, c, Text(initial[r - 1][c]));

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  BitBtn1->setGeometry(4, 296, 90, 26);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(Text("Отмена"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  BitBtn2->setGeometry(102, 296, 90, 26);

  ShowFields(TDustParams{});

  // The rows follow every count in the range, typed or stepped; a raise by
  // the arrow then prefills the new row.
  connect(edFractionCnt, &TNumberField::valueChanged, this,
          [this](double count) { edFractionCntChange(static_cast<int>(count)); });
  connect(edFractionCnt, &TNumberField::raisedByArrow, this, &TfrmDustProperties::edFractionCntTopClick);
  connect(sg, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (!Filling_) sgDispersedCompositionSetEditText(item->row() + 1, item->column(), item->text());
  });
  connect(BitBtn1, &QPushButton::clicked, this, &TfrmDustProperties::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

QString TfrmDustProperties::Cell(int row, int column) const {
  const QTableWidgetItem* item = sgDispersedComposition->item(row - 1, column);
  return item != nullptr ? item->text() : QString();
}

void TfrmDustProperties::SetCell(int row, int column, const QString& text) {
  QTableWidgetItem* item = sgDispersedComposition->item(row - 1, column);
  if (item == nullptr) return;
  const bool filling = Filling_;
  Filling_ = true;
  item->setText(text);
  Filling_ = filling;
}

void TfrmDustProperties::PrepareRows() {
  QTableWidget* sg = sgDispersedComposition;
  const bool filling = Filling_;
  Filling_ = true;
  const int count = sg->rowCount();
  for (int r = 1; r <= count; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (sg->item(r - 1, c) != nullptr) continue;
      auto* item = new QTableWidgetItem;
      if (c == NumberColumn) {
        // Every row shows its number, also a row added by typing the count.
        item->setText(QString::number(r));
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(sg->palette().brush(QPalette::Button));
      } else {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
      }
      sg->setItem(r - 1, c, item);
    }
    // An upper bound below the last row is the next row's lower bound: not
    // typed, shown in grey.
    QTableWidgetItem* upper = sg->item(r - 1, UpperColumn);
    if (r < count) {
      upper->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      upper->setBackground(DerivedCellColor);
      upper->setForeground(QColor(0, 0, 0));
    } else {
      upper->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
      upper->setData(Qt::BackgroundRole, QVariant());
      upper->setData(Qt::ForegroundRole, QVariant());
    }
  }
  Filling_ = filling;
}

void TfrmDustProperties::edFractionCntChange(int count) {
  sgDispersedComposition->setRowCount(count);
  PrepareRows();
}

void TfrmDustProperties::edFractionCntTopClick() {
  const int r = sgDispersedComposition->rowCount();
  SetCell(r, NumberColumn, QString::number(r));
  SetCell(r, LowerColumn, Cell(r - 1, UpperColumn));
}

void TfrmDustProperties::sgDispersedCompositionSetEditText(int row, int column, const QString& text) {
  if (column == LowerColumn && row >= 2) SetCell(row - 1, UpperColumn, text);
}

void TfrmDustProperties::LoadFrom(const TCase& s) {
  const TDustParams& d = s.Dust;
  ShowFields(d);
  edFractionCnt->setValue(static_cast<int>(std::min<size_t>(d.Fractions.size(), 1000)));
  const int rows = std::min(sgDispersedComposition->rowCount(), static_cast<int>(d.Fractions.size()));
  for (int r = 1; r <= rows; ++r) {
    const TFraction& f = d.Fractions[r - 1];
    SetCell(r, LowerColumn, QString::fromStdString(FormatFixed(f.Lower * MicrometresPerMetre, 4, 1)));
    SetCell(r, UpperColumn, QString::fromStdString(FormatFixed(f.Upper * MicrometresPerMetre, 4, 1)));
    SetCell(r, ShareColumn, ShareText(f.Share));
  }
}

bool TfrmDustProperties::Execute() { return Services_.execDialog(this) == QDialog::Accepted; }

std::vector<std::pair<const TDustField*, TNumberField*>> TfrmDustProperties::Fields() const {
  std::vector<std::pair<const TDustField*, TNumberField*>> fields;
  for (const TDustField& field : DustFields)
    if (*field.Control != '\0')
      fields.emplace_back(&field, findChild<TNumberField*>(QString::fromLatin1(field.Control)));
  return fields;
}

void TfrmDustProperties::ShowFields(const TDustParams& d) {
  for (const auto& [field, e] : Fields()) e->setValue(d.*field->Member);
}

TDustParams TfrmDustProperties::FieldValues() const {
  TDustParams d;
  for (const auto& [field, e] : Fields()) d.*field->Member = e->value();
  return d;
}

void TfrmDustProperties::StoreInto(TCase& s) const {
  const TDustParams fields = FieldValues();
  TDustParams& d = s.Dust;
  for (const auto& [field, e] : Fields()) d.*field->Member = fields.*field->Member;
  const int count = sgDispersedComposition->rowCount();
  d.Fractions.assign(static_cast<size_t>(count), TFraction{});
  auto value = [this](int row, int column) {
    Extended v = 0.0L;
    return ParseReal(Cell(row, column).toStdString(), v) ? v : 0.0L;
  };
  for (int r = 1; r <= count; ++r) {
    TFraction& f = d.Fractions[r - 1];
    f.Lower = ToDouble(value(r, LowerColumn) / MicrometresPerMetre);
    f.Upper = ToDouble(value(r, UpperColumn) / MicrometresPerMetre);
    f.Share = ToDouble(value(r, ShareColumn));
  }
}

QString TfrmDustProperties::CompositionError() const {
  const int count = sgDispersedComposition->rowCount();
  std::vector<TTypedFraction> typed(static_cast<size_t>(count));
  // A value not above 0 is reported before a later cell that is no number.
  bool notPositive = false;
  for (int r = 1; r <= count; ++r) {
    TTypedFraction& f = typed[r - 1];
    for (int c = LowerColumn; c <= ShareColumn; ++c) {
      Extended v = 0.0L;
      if (!ParseReal(Cell(r, c).toStdString(), v))
        return Text(notPositive ? FractionsNotPositiveText : "Ошибка при вводе параметров дисперсного состава");
      notPositive = notPositive || !(v > 0);
      (c == LowerColumn ? f.Lower : c == UpperColumn ? f.Upper : f.Share) = v;
    }
  }
  return QString::fromStdString(FractionsError(typed, MicrometresPerMetre));
}

void TfrmDustProperties::BitBtn1Click() {
  // Each field is used as typed: a count or a value that cannot be used is
  // reported, never replaced.
  if (const QString error = edFractionCnt->Problem(Text("Количество фракций")); !error.isEmpty()) {
    Services_.message(this, error);
    return;
  }
  if (const QString error = CompositionError(); !error.isEmpty()) {
    Services_.message(this, error);
    return;
  }
  for (const auto& [description, field] : Fields()) {
    if (const QString error = field->Problem(Text(description->Quoted)); !error.isEmpty()) {
      Services_.message(this, error);
      return;
    }
  }
  if (const std::string error = DustParamsError(FieldValues()); !error.empty()) {
    Services_.message(this, QString::fromStdString(error));
    return;
  }
  accept();
}

}  // namespace ltr
