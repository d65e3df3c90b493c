#include "ui/results_window.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "ui/qstring_printer.h"

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

}  // namespace
}  // namespace ltr
