#include "ui/results_window.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <QFile>
#include <QFontMetrics>
#include <nlohmann/json.hpp>
#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLineSeries>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>

#include "dust/coarse_case.h"
#include "dust/concentration_run.h"
#include "dust/run_statistics.h"
#include "model/discretization.h"
#include "numerics/number_text.h"
#include "solver/vortex_run.h"
#include "ui/qstring_printer.h"
#include "ui/run_details_window.h"

namespace ltr {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

class ResultsWindowTest : public ::testing::Test {
 protected:
  ResultsWindowTest() {
    TUiServices services = DefaultUiServices();
    // Showing returns at once; the test looks at the window as it was shown.
    services.execDialog = [this](QDialog* dialog) {
      ++Shown;
      EXPECT_EQ(dialog, &w);
      return int(QDialog::Accepted);
    };
    w.SetUiServices(services);
  }

  QString Text(const char* label) const { return w.findChild<QLabel*>(label)->text(); }
  QTableWidget* Grid() const { return w.findChild<QTableWidget*>("sgDispersedComposition"); }
  QString Cell(int row, int column) const {
    const QTableWidgetItem* item = Grid()->item(row, column);
    return item != nullptr ? item->text() : QString();
  }
  QStringList Row(int row) const { return {Cell(row, 0), Cell(row, 1), Cell(row, 2), Cell(row, 3)}; }
  bool HeldShown() const { return !w.findChild<QLabel*>("lbHeldParticles")->isHidden(); }

  TfrmShowOutputConcentration w;
  TModelState s;
  int Shown = 0;
};

TEST_F(ResultsWindowTest, WindowAndGridLayout) {
  EXPECT_EQ(w.windowTitle(), U("Результаты расчета выходной концентрации"));
  EXPECT_EQ(w.minimumSize(), QSize(485, 265));
  EXPECT_EQ(w.maximumSize(), QSize(485, 265));
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowContextHelpButtonHint);

  QTableWidget* grid = Grid();
  ASSERT_NE(grid, nullptr);
  ASSERT_EQ(grid->columnCount(), 4);
  const QStringList header = {U("№"), U("Нижняя граница фракции, мкм"), U("Верхняя граница фракции, мкм"),
                              U("Доля частиц")};
  const int widths[4] = {24, 167, 168, 71};
  const QFontMetrics headerFont(grid->horizontalHeader()->font());
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(grid->horizontalHeaderItem(c)->text(), header[c]);
    EXPECT_EQ(grid->columnWidth(c), widths[c]);
    EXPECT_LT(headerFont.horizontalAdvance(header[c]), widths[c]) << "caption cut off";
  }
  EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 20);
  EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
  ASSERT_NE(w.findChild<QPushButton*>("btnClose"), nullptr);
  EXPECT_EQ(w.findChild<QPushButton*>("btnClose")->text(), U("Закрыть"));
}

TEST_F(ResultsWindowTest, BeforeAnyRunShowsZerosAndNoRows) {
  w.ShowFor(s);
  EXPECT_EQ(Shown, 1);
  EXPECT_EQ(Text("lbRealInputConcentration"), U("0,0000000 кг/м3"));
  EXPECT_EQ(Text("lbOutputConcentration"), U("0,0000000 кг/м3"));
  EXPECT_EQ(Grid()->rowCount(), 0);
  EXPECT_FALSE(HeldShown());
  // Nothing to detail or export yet, and the window says so.
  for (const char* name : {"btnDetails", "btnExport"}) {
    EXPECT_FALSE(w.findChild<QPushButton*>(name)->isEnabled()) << name;
    EXPECT_EQ(w.findChild<QPushButton*>(name)->toolTip(), U("Расчет концентрации еще не выполнен"));
  }
  EXPECT_FALSE(w.findChild<QLabel*>("lbNoResults")->isHidden());
  EXPECT_EQ(Text("lbOutputInterval"), QString());
}

TEST_F(ResultsWindowTest, ShowsConcentrationsAndComposition) {
  s.RealInputConcentration = 3e-05;
  s.OutputConcentration = 0.0123456789;
  s.OutputFractions = {{30e-6, 50e-6, 0.25}, {50e-6, 1234.5e-6, 0.7496}, {1e-6, 2.5e-6, 0.00049}};
  w.ShowFor(s);
  EXPECT_EQ(Text("lbRealInputConcentration"), U("0,0000300 кг/м3"));
  EXPECT_EQ(Text("lbOutputConcentration"), U("0,0123457 кг/м3"));
  ASSERT_EQ(Grid()->rowCount(), 3);
  EXPECT_EQ(Row(0), QStringList({"1", "30,0", "50,0", "0,250"}));
  // Beyond three significant digits a bound is written in scientific notation.
  EXPECT_EQ(Row(1), QStringList({"2", "50,0", "1,23E3", "0,750"}));
  EXPECT_EQ(Row(2), QStringList({"3", "1,0", "2,5", "0,000"}));
  // Cells cannot be edited.
  EXPECT_FALSE(Grid()->item(1, 2)->flags() & Qt::ItemIsEditable);
}

TEST_F(ResultsWindowTest, EveryShowingFillsAnew) {
  s.OutputConcentration = 2e-6;
  s.OutputFractions = {{10e-6, 20e-6, 0.5}, {20e-6, 40e-6, 0.5}};
  w.ShowFor(s);
  const QString first = Text("lbOutputConcentration");
  const QStringList row = Row(1);
  w.ShowFor(s);
  EXPECT_EQ(Shown, 2);
  EXPECT_EQ(Text("lbOutputConcentration"), first);
  EXPECT_EQ(Grid()->rowCount(), 2);
  EXPECT_EQ(Row(1), row);

  // A later run with fewer outlet fractions leaves no rows of the earlier one.
  s.OutputConcentration = 0.5;
  s.OutputFractions = {{5e-6, 6e-6, 1.0}};
  w.ShowFor(s);
  EXPECT_EQ(Text("lbOutputConcentration"), U("0,5000000 кг/м3"));
  ASSERT_EQ(Grid()->rowCount(), 1);
  EXPECT_EQ(Row(0), QStringList({"1", "5,0", "6,0", "1,000"}));
}

TEST_F(ResultsWindowTest, HeldParticlesLineOnlyWhenThereAreAny) {
  s.HeldCount = 3;
  s.HeldMassShare = 0.123456;
  w.ShowFor(s);
  EXPECT_TRUE(HeldShown());
  EXPECT_EQ(Text("lbHeldParticles"), U("Задержано в потоке частиц: 3 (доля массы: 0,1235)"));

  s.HeldCount = 0;
  s.HeldMassShare = 0.0;
  w.ShowFor(s);
  EXPECT_FALSE(HeldShown());
}

TEST_F(ResultsWindowTest, CloseButtonEndsTheShowing) {
  w.setResult(QDialog::Rejected);
  w.findChild<QPushButton*>("btnClose")->click();
  EXPECT_EQ(w.result(), QDialog::Accepted);
}


// After a real run: the interval beside the outlet concentration, the details
// window's table, and an export whose numbers read back to the window's.
TEST(ResultsWindowExtras, IntervalDetailsAndExportAgreeWithTheRun) {
  const TModelState s = testing::AfterSeededRun(4);

  char folder[] = "/tmp/ltr_results_ui_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const QString file = QString::fromUtf8(folder) + "/результаты.json";
  TfrmShowOutputConcentration w;
  std::vector<QDialog*> shown;
  std::vector<QString> messages;
  TUiServices services = DefaultUiServices();
  services.execDialog = [&](QDialog* dialog) {
    shown.push_back(dialog);
    return int(QDialog::Accepted);
  };
  services.saveResultsFile = [&](QWidget*) { return file; };
  services.message = [&](QWidget*, const QString& text) { messages.push_back(text); };
  w.SetUiServices(services);
  // Shown before the run, then after it: the details and the export become
  // usable.
  {
    TUiServices quiet = services;
    quiet.execDialog = [](QDialog*) { return int(QDialog::Accepted); };
    w.SetUiServices(quiet);
    w.ShowFor(TModelState{});
    EXPECT_FALSE(w.findChild<QPushButton*>("btnExport")->isEnabled());
    w.SetUiServices(services);
  }
  w.ShowFor(s);
  EXPECT_TRUE(w.findChild<QPushButton*>("btnDetails")->isEnabled());
  EXPECT_TRUE(w.findChild<QPushButton*>("btnExport")->isEnabled());
  EXPECT_TRUE(w.findChild<QLabel*>("lbNoResults")->isHidden());

  const TOutletStatistics stats = OutletStatistics(s.OutputTally.Total(), s.RealInputConcentration);
  const QString interval = w.findChild<QLabel*>("lbOutputInterval")->text();
  EXPECT_TRUE(interval.contains(QString::fromUtf8("мг/м3; 95 %: "))) << interval.toStdString();
  EXPECT_TRUE(interval.contains(QString::fromStdString(FormatFixed(stats.Output95.High * 1e6L, 15, 3)).left(4)))
      << interval.toStdString();
  EXPECT_TRUE(w.findChild<QLabel*>("lbRealInputMg")->text().endsWith(QString::fromUtf8(" мг/м3)")));
  // The interval stays whole in the window's fixed width.
  w.layout()->activate();
  for (const char* name : {"lbOutputInterval", "lbRealInputMg"}) {
    const QLabel* label = w.findChild<QLabel*>(name);
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width()) << name;
    EXPECT_LE(label->geometry().right(), w.contentsRect().right()) << name;
  }
  // Both windows write the confidence interval alike, with its unit.
  const QRegularExpression ci(QString::fromUtf8("95 %: \\d+(,\\d+)?–\\d+(,\\d+)? (мг/м3|%)\\)$"));
  EXPECT_TRUE(ci.match(interval).hasMatch()) << interval.toStdString();

  w.findChild<QPushButton*>("btnDetails")->click();
  ASSERT_EQ(shown.size(), 2u);
  ASSERT_NE(w.Details(), nullptr);
  const QString summary = w.Details()->findChild<QLabel*>("lbSummary")->text();
  EXPECT_TRUE(ci.match(summary).hasMatch()) << summary.toStdString();
  auto* fates = w.Details()->findChild<QTableWidget*>("sgFates");
  ASSERT_EQ(fates->rowCount(), 3);  // two fractions and the total
  EXPECT_EQ(fates->item(2, 0)->text(), QString::fromUtf8("Всего"));
  EXPECT_EQ(fates->item(2, 1)->text(), "20");
  long long ended = 0;
  for (int c = 2; c <= 5; ++c) ended += fates->item(2, c)->text().toLongLong();
  EXPECT_EQ(ended, 20);
  EXPECT_EQ(fates->item(2, 2)->text().toLongLong(), s.OutputTally.Total().CountOf(TFateKind::Exhausted));

  w.findChild<QPushButton*>("btnExport")->click();
  EXPECT_TRUE(messages.empty());
  QFile in(file);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  const nlohmann::json j = nlohmann::json::parse(in.readAll().toStdString());
  EXPECT_EQ(j["results"]["output_concentration"].get<double>(), s.OutputConcentration);
  EXPECT_EQ(j["results"]["output_concentration_ci95"][1].get<double>(), stats.Output95.High);
  EXPECT_EQ(j["run"]["seed"], 4);
  in.remove();

  // The CSV for spreadsheets, when the file dialog says it was chosen.
  const QString sheet = QString::fromUtf8(folder) + "/результаты.csv";
  services.saveResultsFile = [&](QWidget* parent) {
    parent->setProperty(SpreadsheetCsvProperty, true);
    return sheet;
  };
  w.SetUiServices(services);
  w.findChild<QPushButton*>("btnExport")->click();
  QFile sheetFile(sheet);
  ASSERT_TRUE(sheetFile.open(QIODevice::ReadOnly));
  EXPECT_TRUE(sheetFile.readAll().startsWith("\xEF\xBB\xBF# program\nname;version\n"));
  sheetFile.remove();
  services.saveResultsFile = [&](QWidget*) { return file; };
  w.SetUiServices(services);

  // A folder that is gone: the export says so and writes nothing.
  rmdir(folder);
  w.findChild<QPushButton*>("btnExport")->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].startsWith(QString::fromUtf8("Не удалось записать файл ")));
}

// The details window draws the 95 % interval of every point of the
// grade-efficiency curve and of every outlet share as an error bar around it.
TEST(ResultsWindowExtras, DetailsDrawIntervalsAsErrorBars) {
  const TModelState s = testing::AfterSeededRun(4, 8, 5);
  TfrmRunDetails details;
  details.Fill(s);
  auto errorBars = [](QChart* chart) {
    std::vector<QList<QPointF>> bars;
    for (QAbstractSeries* series : chart->series())
      if (auto* line = qobject_cast<QLineSeries*>(series); line != nullptr && line->name().isEmpty())
        bars.push_back(line->points());
    return bars;
  };
  const TRunTally& tally = s.OutputTally;
  QChart* grade = details.findChild<QChartView*>("chGradeEfficiency")->chart();
  const auto gradeBars = errorBars(grade);
  size_t expected = 0;
  for (int k = 0; k < static_cast<int>(tally.Classes.size()); ++k) {
    if (tally.Classes[k].CountOf(TFateKind::Injected) < 2) continue;
    const double middle = (tally.ClassLower(k) + tally.ClassUpper(k)) / 2 * 1e6;
    const double percent = Penetration(tally.Classes[k]) * 100;
    const TInterval p95 = OutletStatistics(tally.Classes[k], 0.0).Penetration95;
    ASSERT_LT(expected, gradeBars.size());
    const QList<QPointF>& bar = gradeBars[expected++];
    ASSERT_EQ(bar.size(), 6);
    EXPECT_DOUBLE_EQ(bar[2].x(), middle);
    EXPECT_DOUBLE_EQ(bar[2].y(), p95.Low * 100);
    EXPECT_DOUBLE_EQ(bar[3].y(), p95.High * 100);
    EXPECT_LE(bar[2].y(), percent);
    EXPECT_GE(bar[3].y(), percent);
  }
  EXPECT_GT(expected, 3u);
  EXPECT_EQ(gradeBars.size(), expected);

  QChart* composition = details.findChild<QChartView*>("chComposition")->chart();
  const auto shareBars = errorBars(composition);
  const long long exhausted = tally.Total().CountOf(TFateKind::Exhausted);
  ASSERT_GT(exhausted, 0);
  ASSERT_EQ(shareBars.size(), tally.Fractions.size());
  for (size_t k = 0; k < shareBars.size(); ++k) {
    const double share = static_cast<double>(tally.Fractions[k].CountOf(TFateKind::Exhausted)) / exhausted;
    EXPECT_LE(shareBars[k][2].y(), share);
    EXPECT_GE(shareBars[k][3].y(), share);
    EXPECT_GT(shareBars[k][3].y(), shareBars[k][2].y());
  }
}

}  // namespace
}  // namespace ltr
