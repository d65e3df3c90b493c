#include "ui/run_details_window.h"

#include <algorithm>
#include <cmath>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLocale>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>

#include "dust/run_statistics.h"
#include "numerics/number_text.h"

namespace ltr {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }
QString Micrometres(double metres) { return Text(FormatFixed(static_cast<Extended>(metres) * 1000000.0L, 3, 1)); }
QString Percent(double share) { return Text(FormatFixed(static_cast<Extended>(share) * 100, 5, 1)); }

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

QChart* NewChart(const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->setMargins(QMargins(4, 4, 4, 4));
  // Axis labels with the decimal comma of the interface's locale.
  chart->setLocalizeNumbers(true);
  chart->setLocale(QLocale());
  return chart;
}

// An error bar from interval.Low to interval.High at x, with caps of the given
// width, in the chart's axes; it has no legend entry.
void AddErrorBar(QChart* chart, QValueAxis* xAxis, QValueAxis* yAxis, double x, const TInterval& interval,
                 double capWidth, const QPen& pen) {
  auto* bar = new QLineSeries;
  bar->setPen(pen);
  bar->append(x - capWidth / 2, interval.Low);
  bar->append(x + capWidth / 2, interval.Low);
  bar->append(x, interval.Low);
  bar->append(x, interval.High);
  bar->append(x - capWidth / 2, interval.High);
  bar->append(x + capWidth / 2, interval.High);
  chart->addSeries(bar);
  bar->attachAxis(xAxis);
  bar->attachAxis(yAxis);
  for (QLegendMarker* marker : chart->legend()->markers(bar)) marker->setVisible(false);
}

}  // namespace

TfrmRunDetails::TfrmRunDetails(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("frmRunDetails");
  setWindowTitle(QString::fromUtf8("Подробные результаты расчета"));
  resize(900, 640);
  auto* root = new QVBoxLayout(this);
  lbSummary_ = new QLabel(this);
  lbSummary_->setObjectName("lbSummary");
  lbSummary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lbSummary_->setWordWrap(true);
  lbSummary_->setToolTip(QString::fromUtf8(ConfidenceIntervalHint));
  root->addWidget(lbSummary_);

  sgFates_ = new QTableWidget(0, 8, this);
  sgFates_->setObjectName("sgFates");
  sgFates_->setHorizontalHeaderLabels({QString::fromUtf8("Фракция, мкм"), QString::fromUtf8("Введено"),
                                       QString::fromUtf8("Ушло в отсос"), QString::fromUtf8("Осело на дно"),
                                       QString::fromUtf8("Остановилось"), QString::fromUtf8("Задержано"),
                                       QString::fromUtf8("Проскок по массе, %"),
                                       QString::fromUtf8("Доля в отсосе")});
  sgFates_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sgFates_->setSelectionMode(QAbstractItemView::NoSelection);
  sgFates_->verticalHeader()->hide();
  sgFates_->setFocusPolicy(Qt::NoFocus);
  sgFates_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  sgFates_->horizontalHeader()->setStretchLastSection(true);
  root->addWidget(sgFates_);

  auto* charts = new QHBoxLayout;
  chComposition_ = new QChartView(this);
  chComposition_->setObjectName("chComposition");
  chComposition_->setRenderHint(QPainter::Antialiasing);
  chComposition_->setMinimumHeight(300);
  chGradeEfficiency_ = new QChartView(this);
  chGradeEfficiency_->setObjectName("chGradeEfficiency");
  chGradeEfficiency_->setRenderHint(QPainter::Antialiasing);
  chGradeEfficiency_->setMinimumHeight(300);
  charts->addWidget(chComposition_, 1);
  charts->addWidget(chGradeEfficiency_, 1);
  root->addLayout(charts, 2);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  auto* report = new QPushButton(QString::fromUtf8("Отчет…"), this);
  report->setObjectName("btnReportDetails");
  report->setAutoDefault(false);
  connect(report, &QPushButton::clicked, this, [this] {
    if (OnReport) OnReport();
  });
  bottom->addWidget(report);
  auto* close = new QPushButton(QString::fromUtf8("Закрыть"), this);
  close->setObjectName("btnCloseDetails");
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  bottom->addWidget(close);
  root->addLayout(bottom);
}

void TfrmRunDetails::Fill(const TModelState& s, const TSnapshotResults* snapshots) {
  const TRunTally& tally = s.OutputTally;
  const TFateTally total = tally.Total();
  const TOutletStatistics stats = OutletStatistics(total, s.RealInputConcentration);
  QString summary = QString::fromUtf8("Частиц введено: %1; проскок пыли по массе: %2 %")
                        .arg(total.CountOf(TFateKind::Injected))
                        .arg(Percent(stats.Penetration));
  if (std::isfinite(stats.Penetration95.Low))
    summary += QString::fromUtf8(" (%1)").arg(Text(ConfidenceIntervalText(
        Percent(stats.Penetration95.Low).toStdString(), Percent(stats.Penetration95.High).toStdString(), "%")));
  if (snapshots != nullptr && !snapshots->Empty()) {
    const TSnapshotResults& a = *snapshots;
    const TSnapshotStatistic& p = a.Penetration;
    QString average =
        QString::fromUtf8("Среднее по %1 мгновенным полям через %2 с: проскок пыли по массе %3 %")
            .arg(a.Plan.Count)
            .arg(Text(FormatGeneral(a.Plan.Every)))
            .arg(Percent(p.Between.Mean));
    if (std::isfinite(p.Between.Mean95.Low))
      average += QString::fromUtf8(" (95 % между полями: %1 – %2 %").arg(Percent(p.Between.Mean95.Low),
                                                                       Percent(p.Between.Mean95.High));
    else
      average += QString::fromUtf8(" (");
    if (std::isfinite(p.RunMean95.Low))
      average += QString::fromUtf8("; 95 % одного расчета в среднем: %1 – %2 %")
                     .arg(Percent(p.RunMean95.Low), Percent(p.RunMean95.High));
    average += QString::fromUtf8("). Выходная концентрация по полям, мг/м3:");
    for (const TSnapshotResult& r : a.Runs)
      average += QString::fromUtf8(" %1 (%2 с);")
                     .arg(Text(FormatFixed(static_cast<Extended>(r.OutputConcentration) * 1000000.0L, 3, 2)),
                          Text(FormatFixed(r.Time, 6, 3)));
    average.chop(1);
    summary = average + QString::fromUtf8(".\nТаблица и графики - расчет в последнем поле (%1 с): ")
                            .arg(Text(FormatFixed(a.Runs.back().Time, 6, 3))) +
              summary;
  }
  lbSummary_->setText(summary);

  const int K = static_cast<int>(std::min(tally.Fractions.size(), s.Dust.Fractions.size()));
  long long exhaustedTotal = total.CountOf(TFateKind::Exhausted);
  sgFates_->setRowCount(K + 1);
  auto fillRow = [&](int row, const QString& name, const TFateTally& t) {
    sgFates_->setItem(row, 0, Cell(name));
    const TFateKind kinds[] = {TFateKind::Injected, TFateKind::Exhausted, TFateKind::Settled, TFateKind::AtRest,
                               TFateKind::Held};
    for (int c = 0; c < 5; ++c) sgFates_->setItem(row, c + 1, Cell(QString::number(t.CountOf(kinds[c]))));
    sgFates_->setItem(row, 6, Cell(Percent(Penetration(t))));
    const double share = exhaustedTotal > 0 ? static_cast<double>(t.CountOf(TFateKind::Exhausted)) / exhaustedTotal : 0.0;
    sgFates_->setItem(row, 7, Cell(Text(FormatFixed(share, 4, 3))));
  };
  for (int k = 0; k < K; ++k)
    fillRow(k, Micrometres(s.Dust.Fractions[k].Lower) + QString::fromUtf8(" – ") + Micrometres(s.Dust.Fractions[k].Upper),
            tally.Fractions[k]);
  fillRow(K, QString::fromUtf8("Всего"), total);
  // The table as high as its rows, the charts take the rest.
  int height = sgFates_->horizontalHeader()->height() + 2 * sgFates_->frameWidth() + 2;
  for (int r = 0; r <= K; ++r) height += sgFates_->rowHeight(r);
  sgFates_->setFixedHeight(std::min(height, 320));

  // The input against the outlet composition, shares by number.
  QChart* composition = NewChart(QString::fromUtf8("Состав пыли по фракциям (доли частиц)"));
  auto* input = new QBarSet(QString::fromUtf8("Введено"));
  auto* output = new QBarSet(QString::fromUtf8("В отсосе"));
  QStringList categories;
  const long long injected = total.CountOf(TFateKind::Injected);
  for (int k = 0; k < K; ++k) {
    const TFateTally& f = tally.Fractions[k];
    *input << (injected > 0 ? static_cast<double>(f.CountOf(TFateKind::Injected)) / injected : 0.0);
    *output << (exhaustedTotal > 0 ? static_cast<double>(f.CountOf(TFateKind::Exhausted)) / exhaustedTotal : 0.0);
    categories << Micrometres(s.Dust.Fractions[k].Lower) + QString::fromUtf8("–") + Micrometres(s.Dust.Fractions[k].Upper);
  }
  auto* bars = new QBarSeries;
  bars->append(input);
  bars->append(output);
  composition->addSeries(bars);
  auto* categoryAxis = new QBarCategoryAxis;
  categoryAxis->append(categories);
  categoryAxis->setTitleText(QString::fromUtf8("Фракция, мкм"));
  composition->addAxis(categoryAxis, Qt::AlignBottom);
  bars->attachAxis(categoryAxis);
  auto* shareAxis = new QValueAxis;
  shareAxis->setRange(0.0, 1.0);
  shareAxis->setTickCount(6);
  shareAxis->setLabelFormat("%.1f");
  shareAxis->setTitleText(QString::fromUtf8("Доля"));
  composition->addAxis(shareAxis, Qt::AlignLeft);
  bars->attachAxis(shareAxis);
  // The outlet shares with their 95 % intervals, as error bars on the outlet
  // bars: the categories lie at 0, 1, ... on a hidden value axis, each pair
  // of bars half a category wide, the outlet bar the right one.
  auto* position = new QValueAxis;
  position->setRange(-0.5, K - 0.5);
  position->setVisible(false);
  composition->addAxis(position, Qt::AlignBottom);
  const double outletBarCentre = bars->barWidth() / 4;
  const QPen errorPen(Qt::black, 1.2);
  for (int k = 0; k < K; ++k) {
    const TInterval share = ShareInterval95(tally.Fractions[k].CountOf(TFateKind::Exhausted), exhaustedTotal);
    if (!std::isfinite(share.Low)) continue;
    AddErrorBar(composition, position, shareAxis, k + outletBarCentre, share, 0.06, errorPen);
  }
  QChart* old = chComposition_->chart();
  chComposition_->setChart(composition);
  delete old;

  // The grade-efficiency curve: penetration by mass against the class middle.
  QChart* grade = NewChart(QString::fromUtf8("Фракционный проскок"));
  auto* line = new QLineSeries;
  line->setName(QString::fromUtf8("Проскок по массе, %"));
  auto* points = new QScatterSeries;
  points->setMarkerSize(7);
  points->setName(QString::fromUtf8("Классы размеров"));
  for (int k = 0; k < static_cast<int>(tally.Classes.size()); ++k) {
    if (tally.Classes[k].CountOf(TFateKind::Injected) == 0) continue;
    const double middle = (tally.ClassLower(k) + tally.ClassUpper(k)) / 2 * 1e6;
    line->append(middle, Penetration(tally.Classes[k]) * 100);
    points->append(middle, Penetration(tally.Classes[k]) * 100);
  }
  grade->addSeries(line);
  grade->addSeries(points);
  QLineSeries* mean = nullptr;
  if (snapshots != nullptr && !snapshots->Empty()) {
    mean = new QLineSeries;
    mean->setName(QString::fromUtf8("Среднее по мгновенным полям, %"));
    const TSnapshotResults& a = *snapshots;
    for (size_t k = 0; k < a.GradeEfficiency.size() && k < a.ClassLower.size(); ++k)
      if (a.GradeEfficiency[k].Count > 0)
        mean->append((a.ClassLower[k] + a.ClassUpper[k]) / 2 * 1e6, a.GradeEfficiency[k].Mean * 100);
    grade->addSeries(mean);
  }
  for (QLegendMarker* marker : grade->legend()->markers(points)) marker->setVisible(false);
  auto* sizeAxis = new QValueAxis;
  sizeAxis->setRange(tally.ClassLow * 1e6, tally.ClassHigh * 1e6);
  sizeAxis->setLabelFormat("%.0f");
  sizeAxis->setTitleText(QString::fromUtf8("Диаметр, мкм"));
  auto* percentAxis = new QValueAxis;
  percentAxis->setRange(0, 100);
  percentAxis->setTickCount(6);
  percentAxis->setLabelFormat("%.0f");
  percentAxis->setTitleText(QString::fromUtf8("Проскок, %"));
  grade->addAxis(sizeAxis, Qt::AlignBottom);
  grade->addAxis(percentAxis, Qt::AlignLeft);
  for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(line), static_cast<QAbstractSeries*>(points),
                                  static_cast<QAbstractSeries*>(mean)}) {
    if (series == nullptr) continue;
    series->attachAxis(sizeAxis);
    series->attachAxis(percentAxis);
  }
  // Each point's 95 % interval as an error bar, so that a curve of few
  // particles that zig-zags is seen as noise.
  const double capWidth = (tally.ClassHigh - tally.ClassLow) * 1e6 / std::max<size_t>(tally.Classes.size(), 1) / 6;
  for (int k = 0; k < static_cast<int>(tally.Classes.size()); ++k) {
    if (tally.Classes[k].CountOf(TFateKind::Injected) == 0) continue;
    const TInterval p95 = OutletStatistics(tally.Classes[k], 0.0).Penetration95;
    if (!std::isfinite(p95.Low)) continue;
    const double middle = (tally.ClassLower(k) + tally.ClassUpper(k)) / 2 * 1e6;
    AddErrorBar(grade, sizeAxis, percentAxis, middle, {p95.Low * 100, p95.High * 100}, capWidth, errorPen);
  }
  old = chGradeEfficiency_->chart();
  chGradeEfficiency_->setChart(grade);
  delete old;
}

}  // namespace ltr
