#include "ui/results_window.h"

#include <algorithm>
#include <cmath>

#include <QDateTime>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dust/run_statistics.h"
#include "io/results_export.h"
#include "ltr/version.h"
#include "numerics/number_text.h"
#include "ui/font_fit.h"
#include "ui/run_details_window.h"
#include "view/report_pdf.h"

namespace ltr {

namespace {

constexpr int kClientWidth = 485;
constexpr int kClientHeight = 265;
constexpr int kColumnWidths[4] = {24, 167, 168, 71};
constexpr int kRowHeight = 20;

QString Text(const std::string& s) { return QString::fromStdString(s); }

const char* const NoResultsText = "Расчет концентрации еще не выполнен";
const char* const RealInputCaption = "Полученная входная концентрация: ";
const char* const OutputCaption = "Выходная концентрация: ";
// The window's margins and the gap before the text beside a value.
constexpr int RowMargins = 2 * 8;
constexpr int BesideGap = 4;

void FitBeside(QLabel* beside, const QLabel* value, const char* caption) {
  const QFontMetrics metrics(value->font());
  const int room = kClientWidth - RowMargins - BesideGap - metrics.horizontalAdvance(QString::fromUtf8(caption)) -
                   metrics.horizontalAdvance(value->text()) - 1;
  const QString text = beside->text();
  beside->setFont(NarrowedFont(value->font(), [&](const QFontMetrics& m) { return m.horizontalAdvance(text) <= room; }));
}

QString Concentration(double value) { return Text(FormatFixed(value, 8, 7)) + QString::fromUtf8(" кг/м3"); }

// A concentration in mg/m3 with three significant digits (at most six decimals).
QString Milligrams(double kgPerCubicMetre) {
  const Extended mg = static_cast<Extended>(kgPerCubicMetre) * 1000000.0L;
  int decimals = 2;
  if (mg > 0) decimals = std::clamp(2 - static_cast<int>(std::floor(std::log10(static_cast<double>(mg)))), 0, 6);
  return Text(FormatFixed(mg, 15, decimals));
}

// A diameter bound in metres as micrometres.
QString Micrometres(double metres) { return Text(FormatFixed(static_cast<Extended>(metres) * 1000000.0L, 3, 1)); }

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

// The fixed number column looks like the header.
QTableWidgetItem* NumberCell(int number, const QPalette& palette) {
  auto* item = new QTableWidgetItem(QString::number(number));
  item->setFlags(Qt::ItemIsEnabled);
  item->setTextAlignment(Qt::AlignCenter);
  item->setBackground(palette.button());
  item->setForeground(palette.buttonText());
  return item;
}

// The header captions are long for their columns: the header font is made
// small enough that each caption fits its column whole.
void FitHeaderFont(QHeaderView* header, const QStringList& captions) {
  constexpr int kPadding = 8;
  QFont font = header->font();
  for (int size = font.pointSize(); size > 6; --size) {
    font.setPointSize(size);
    const QFontMetrics metrics(font);
    bool fits = metrics.height() + 2 <= kRowHeight;
    for (int c = 0; c < captions.size() && fits; ++c)
      fits = metrics.horizontalAdvance(captions[c]) + kPadding <= kColumnWidths[c];
    if (fits) break;
  }
  header->setFont(font);
}

}  // namespace

TfrmShowOutputConcentration::TfrmShowOutputConcentration(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("frmShowOutputConcentration");
  setWindowTitle(QString::fromUtf8("Результаты расчета выходной концентрации"));
  setFixedSize(kClientWidth, kClientHeight);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(8, 8, 8, 8);
  root->setSpacing(6);

  auto addValueRow = [&](const char* caption, const char* name, const char* besideName, QLabel*& beside) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(new QLabel(QString::fromUtf8(caption), this));
    auto* value = new QLabel(this);
    value->setObjectName(name);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(value);
    beside = new QLabel(this);
    beside->setObjectName(besideName);
    beside->setTextInteractionFlags(Qt::TextSelectableByMouse);
    beside->setToolTip(QString::fromUtf8(ConfidenceIntervalHint));
    row->addSpacing(4);
    row->addWidget(beside);
    row->addStretch(1);
    root->addLayout(row);
    return value;
  };
  lbRealInputConcentration_ = addValueRow(RealInputCaption, "lbRealInputConcentration",
                                          "lbRealInputMg", lbRealInputMg_);
  lbOutputConcentration_ =
      addValueRow(OutputCaption, "lbOutputConcentration", "lbOutputInterval", lbOutputInterval_);

  lbSnapshots_ = new QLabel(this);
  lbSnapshots_->setObjectName("lbSnapshots");
  lbSnapshots_->setWordWrap(true);
  lbSnapshots_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lbSnapshots_->hide();
  root->addWidget(lbSnapshots_);

  auto* frame = new QGroupBox(QString::fromUtf8(" Дисперсный состав пыли в отсасываемом воздухе: "), this);
  frame->setObjectName("GroupBox1");
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->setContentsMargins(6, 4, 6, 6);
  frameLayout->setSpacing(4);
  frameLayout->addWidget(new QLabel(QString::fromUtf8("Доли частиц по фракциям:"), frame));

  sgDispersedComposition_ = new QTableWidget(0, 4, frame);
  sgDispersedComposition_->setObjectName("sgDispersedComposition");
  // The grid header is written once; FormShow only fills the data rows.
  const QStringList captions = {
      QString::fromUtf8("№"),
      QString::fromUtf8("Нижняя граница фракции, мкм"),
      QString::fromUtf8("Верхняя граница фракции, мкм"),
      QString::fromUtf8("Доля частиц"),
  };
  sgDispersedComposition_->setHorizontalHeaderLabels(captions);
  sgDispersedComposition_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sgDispersedComposition_->setSelectionMode(QAbstractItemView::NoSelection);
  sgDispersedComposition_->setFocusPolicy(Qt::NoFocus);
  sgDispersedComposition_->setWordWrap(false);
  sgDispersedComposition_->verticalHeader()->hide();
  sgDispersedComposition_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sgDispersedComposition_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  QHeaderView* header = sgDispersedComposition_->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Fixed);
  header->setHighlightSections(false);
  header->setFixedHeight(kRowHeight);
  header->setStretchLastSection(false);
  header->setMinimumSectionSize(kColumnWidths[0]);
  FitHeaderFont(header, captions);
  int gridWidth = 2 * sgDispersedComposition_->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  for (int c = 0; c < 4; ++c) {
    sgDispersedComposition_->setColumnWidth(c, kColumnWidths[c]);
    gridWidth += kColumnWidths[c];
  }
  // Room for all columns and a vertical scroll bar, so no column is hidden.
  sgDispersedComposition_->setMinimumWidth(gridWidth);
  sgDispersedComposition_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frameLayout->addWidget(sgDispersedComposition_, 1);
  root->addWidget(frame, 1);

  auto* bottom = new QHBoxLayout;
  lbHeldParticles_ = new QLabel(this);
  lbHeldParticles_->setObjectName("lbHeldParticles");
  lbHeldParticles_->hide();
  bottom->addWidget(lbHeldParticles_);
  lbNoResults_ = new QLabel(QString::fromUtf8(NoResultsText), this);
  lbNoResults_->setObjectName("lbNoResults");
  lbNoResults_->hide();
  bottom->addWidget(lbNoResults_);
  bottom->addStretch(1);
  btnDetails_ = new QPushButton(QString::fromUtf8("Подробнее…"), this);
  btnDetails_->setObjectName("btnDetails");
  btnDetails_->setAutoDefault(false);
  connect(btnDetails_, &QPushButton::clicked, this, &TfrmShowOutputConcentration::btnDetailsClick);
  bottom->addWidget(btnDetails_);
  btnExport_ = new QPushButton(QString::fromUtf8("Экспорт…"), this);
  btnExport_->setObjectName("btnExport");
  btnExport_->setAutoDefault(false);
  connect(btnExport_, &QPushButton::clicked, this, &TfrmShowOutputConcentration::btnExportClick);
  bottom->addWidget(btnExport_);
  btnReport_ = new QPushButton(QString::fromUtf8("Отчет…"), this);
  btnReport_->setObjectName("btnReport");
  btnReport_->setAutoDefault(false);
  connect(btnReport_, &QPushButton::clicked, this, &TfrmShowOutputConcentration::btnReportClick);
  bottom->addWidget(btnReport_);
  btnClose_ = new QPushButton(QString::fromUtf8("Закрыть"), this);
  btnClose_->setObjectName("btnClose");
  btnClose_->setDefault(true);
  connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);
  bottom->addWidget(btnClose_);
  root->addLayout(bottom);
}

void TfrmShowOutputConcentration::ShowFor(const TModelState& s, const TSnapshotResults* snapshots) {
  FormShow(s, snapshots != nullptr && !snapshots->Empty() ? snapshots : nullptr);
  Services_.execDialog(this);
}

void TfrmShowOutputConcentration::FormShow(const TModelState& s, const TSnapshotResults* snapshots) {
  Shown_ = &s;
  ShownSnapshots_ = snapshots;
  if (snapshots != nullptr) {
    FormShowAverage(s, *snapshots);
    return;
  }
  lbSnapshots_->clear();
  lbSnapshots_->hide();
  setFixedSize(kClientWidth, kClientHeight);
  lbRealInputConcentration_->setText(Concentration(s.RealInputConcentration));
  lbOutputConcentration_->setText(Concentration(s.OutputConcentration));
  // Before the first complete run there is nothing to detail or export, and
  // no concentration to give in other units.
  const bool hasResults = HasResults(s);
  for (QPushButton* b : {btnDetails_, btnExport_, btnReport_}) {
    b->setEnabled(hasResults);
    b->setToolTip(hasResults ? QString() : QString::fromUtf8(NoResultsText));
  }
  lbNoResults_->setVisible(!hasResults);
  if (!hasResults) {
    lbRealInputMg_->clear();
    lbOutputInterval_->clear();
  } else {
    lbRealInputMg_->setText(QString::fromUtf8("(%1 мг/м3)").arg(Milligrams(s.RealInputConcentration)));
  }
  if (hasResults) {
    const TOutletStatistics stats = OutletStatistics(s.OutputTally.Total(), s.RealInputConcentration);
    QString interval = QString::fromUtf8("(%1 мг/м3").arg(Milligrams(s.OutputConcentration));
    if (std::isfinite(stats.Output95.Low))
      interval += QString::fromUtf8("; ") + QString::fromStdString(ConfidenceIntervalText(
                                                 Milligrams(stats.Output95.Low).toStdString(),
                                                 Milligrams(stats.Output95.High).toStdString(), "мг/м3"));
    lbOutputInterval_->setText(interval + ")");
    if (Details_ != nullptr) Details_->Fill(s);
  }
  // The text beside a value stays whole in the window's fixed width: where
  // the window's font is too wide for it, a narrower face of it is taken.
  FitBeside(lbRealInputMg_, lbRealInputConcentration_, RealInputCaption);
  FitBeside(lbOutputInterval_, lbOutputConcentration_, OutputCaption);

  const int n = static_cast<int>(s.OutputFractions.size());
  sgDispersedComposition_->setRowCount(n);
  for (int i = 0; i < n; ++i) {
    const TFraction& f = s.OutputFractions[static_cast<size_t>(i)];
    sgDispersedComposition_->setItem(i, 0, NumberCell(i + 1, sgDispersedComposition_->palette()));
    sgDispersedComposition_->setItem(i, 1, Cell(Micrometres(f.Lower)));
    sgDispersedComposition_->setItem(i, 2, Cell(Micrometres(f.Upper)));
    sgDispersedComposition_->setItem(i, 3, Cell(Text(FormatFixed(f.Share, 4, 3))));
  }

  if (s.HeldCount > 0) {
    lbHeldParticles_->setText(QString::fromUtf8("Задержано в потоке частиц: %1 (доля массы: %2)")
                                  .arg(s.HeldCount)
                                  .arg(Text(FormatFixed(s.HeldMassShare, 5, 4))));
    lbHeldParticles_->show();
  } else {
    lbHeldParticles_->clear();
    lbHeldParticles_->hide();
  }
}

bool TfrmShowOutputConcentration::HasResults(const TModelState& s) {
  return s.OutputTally.Total().CountOf(TFateKind::Injected) > 0;
}

void TfrmShowOutputConcentration::FormShowAverage(const TModelState& s, const TSnapshotResults& a) {
  lbRealInputConcentration_->setText(Concentration(a.Input.Mean));
  lbRealInputMg_->setText(QString::fromUtf8("(%1 мг/м3)").arg(Milligrams(a.Input.Mean)));
  const TSnapshotStatistic& out = a.Output;
  lbOutputConcentration_->setText(Concentration(out.Between.Mean));
  QString interval = QString::fromUtf8("(%1 мг/м3").arg(Milligrams(out.Between.Mean));
  if (std::isfinite(out.Between.Mean95.Low))
    interval += QString::fromUtf8("; ") + QString::fromStdString(ConfidenceIntervalText(
                                               Milligrams(std::max(out.Between.Mean95.Low, 0.0)).toStdString(),
                                               Milligrams(out.Between.Mean95.High).toStdString(), "мг/м3"));
  lbOutputInterval_->setText(interval + ")");
  lbNoResults_->hide();
  // The report is of one run: it is not offered for an average.
  for (QPushButton* b : {btnDetails_, btnExport_}) {
    b->setEnabled(true);
    b->setToolTip(QString());
  }
  btnReport_->setEnabled(false);
  btnReport_->setToolTip(QString::fromUtf8("Отчет составляется по одному расчету, не по среднему"));
  FitBeside(lbRealInputMg_, lbRealInputConcentration_, RealInputCaption);
  FitBeside(lbOutputInterval_, lbOutputConcentration_, OutputCaption);
  QString text = QString::fromUtf8("Среднее по %1 мгновенным полям через %2 с (%3–%4 с); интервал - по разбросу между "
                                   "полями")
                     .arg(a.Plan.Count)
                     .arg(Text(FormatGeneral(a.Plan.Every)))
                     .arg(Text(FormatFixed(a.Runs.front().Time, 6, 3)), Text(FormatFixed(a.Runs.back().Time, 6, 3)));
  if (std::isfinite(out.RunMean95.Low))
    text += QString::fromUtf8("; 95 % одного расчета в среднем: %1–%2 мг/м3")
                .arg(Milligrams(out.RunMean95.Low), Milligrams(out.RunMean95.High));
  lbSnapshots_->setText(text + ".");
  lbSnapshots_->show();
  setFixedSize(kClientWidth, kClientHeight + 2 * fontMetrics().lineSpacing() + 6);
  if (Details_ != nullptr) Details_->Fill(s, &a);

  const int n = static_cast<int>(std::min(a.OutletShares.size(), a.Fractions.size()));
  sgDispersedComposition_->setRowCount(n);
  for (int i = 0; i < n; ++i) {
    const TFraction& f = a.Fractions[static_cast<size_t>(i)];
    sgDispersedComposition_->setItem(i, 0, NumberCell(i + 1, sgDispersedComposition_->palette()));
    sgDispersedComposition_->setItem(i, 1, Cell(Micrometres(f.Lower)));
    sgDispersedComposition_->setItem(i, 2, Cell(Micrometres(f.Upper)));
    sgDispersedComposition_->setItem(i, 3, Cell(Text(FormatFixed(a.OutletShares[static_cast<size_t>(i)].Mean, 4, 3))));
  }
  if (a.HeldShare.Mean > 0) {
    lbHeldParticles_->setText(
        QString::fromUtf8("Задержано в потоке: доля массы %1 в среднем").arg(Text(FormatFixed(a.HeldShare.Mean, 5, 4))));
    lbHeldParticles_->show();
  } else {
    lbHeldParticles_->clear();
    lbHeldParticles_->hide();
  }
}

void TfrmShowOutputConcentration::btnDetailsClick() {
  if (Shown_ == nullptr || !HasResults(*Shown_)) return;
  if (Details_ == nullptr) {
    Details_ = new TfrmRunDetails(this);
    Details_->OnReport = [this] { btnReportClick(); };
    Details_->Fill(*Shown_, ShownSnapshots_);
  }
  Services_.execDialog(Details_);
}

void TfrmShowOutputConcentration::btnExportClick() {
  if (Shown_ == nullptr || !HasResults(*Shown_) || !Services_.saveResultsFile) return;
  setProperty(SpreadsheetCsvProperty, false);
  const QString fileName = Services_.saveResultsFile(this);
  if (fileName.isEmpty()) return;
  const TCsvFlavour flavour =
      property(SpreadsheetCsvProperty).toBool() ? TCsvFlavour::Spreadsheet : TCsvFlavour::Program;
  std::string reason;
  if (!ExportResults(*Shown_, VersionText, QFile::encodeName(fileName).toStdString(), reason, flavour,
                     ShownSnapshots_))
    Services_.message(this, QString::fromUtf8("Не удалось записать файл %1: %2").arg(fileName, Text(reason)));
}

void TfrmShowOutputConcentration::btnReportClick() {
  if (Shown_ == nullptr || !HasResults(*Shown_) || ShownSnapshots_ != nullptr || !Services_.saveReportFile) return;
  const QString fileName = Services_.saveReportFile(this);
  if (fileName.isEmpty()) return;
  const QImage picture = Picture_ ? Picture_() : QImage();
  std::string reason;
  if (!WriteReportFile(RunReportPdf(*Shown_, picture, VersionText, QDateTime::currentDateTime()),
                       QFile::encodeName(fileName).toStdString(), reason))
    Services_.message(this, QString::fromUtf8("Не удалось записать отчет в файл %1: %2").arg(fileName, Text(reason)));
}

}  // namespace ltr
