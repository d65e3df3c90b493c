#include "ui/dust_properties_dialog.h"

#include <gtest/gtest.h>

#include "ui/qstring_printer.h"
#include "ui/recording_ui.h"

#include <QApplication>
#include <QColor>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <functional>
#include <string>
#include <vector>

#include "dust/concentration_run.h"
#include "model/validation.h"
#include "ui/number_field.h"

namespace ltr {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

class DustPropertiesDialogTest : public ::testing::Test, public testing::TRecordingUi {
 protected:
  void SetUp() override {
    Dialog.SetUiServices(Services());
  }

  QTableWidget* Grid() { return Dialog.findChild<QTableWidget*>("sgDispersedComposition"); }
  TNumberField* Count() { return Dialog.findChild<TNumberField*>("edFractionCnt"); }
  TNumberField* Field(const char* name) {
    auto* e = Dialog.findChild<TNumberField*>(QString::fromLatin1(name));
    EXPECT_NE(e, nullptr) << name;
    return e;
  }
  // Cell text of fraction row r (1-based) and column c.
  QString Cell(int r, int c) { return Grid()->item(r - 1, c)->text(); }
  // As the user types into a cell.
  void Edit(int r, int c, const char* text) { Grid()->item(r - 1, c)->setText(U(text)); }
  QStringList Row(int r) { return {Cell(r, 0), Cell(r, 1), Cell(r, 2), Cell(r, 3)}; }
  bool Editable(int r, int c) { return Grid()->item(r - 1, c)->flags().testFlag(Qt::ItemIsEditable); }
  void Click(const char* button) { Dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click(); }
  // Shows the dialog, makes the edits and presses OK; true when it closed.
  bool Confirm(const std::function<void()>& edits) {
    Messages.clear();
    WhileShown = [&] {
      edits();
      Click("BitBtn1");
    };
    return Dialog.Execute();
  }

  TModelState Model;
  TfrmDustProperties Dialog;
};

TEST_F(DustPropertiesDialogTest, GridAtCreationAndFilledFromTheModel) {
  const QStringList header = {U("№"), U("Нижняя граница фракции, мкм"), U("Верхняя граница фракции, мкм"),
                              U("Доля частиц")};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(Grid()->horizontalHeaderItem(c)->text(), header[c]);
  EXPECT_EQ(Grid()->columnWidth(1), 167);
  EXPECT_EQ(Grid()->rowHeight(0), 20);
  EXPECT_EQ(Row(1), (QStringList{"1", "50", "70", "0,300"}));
  EXPECT_EQ(Row(2), (QStringList{"2", "70", "90", "0,700"}));

  Dialog.LoadFrom(Model);
  EXPECT_EQ(Row(1), (QStringList{"1", "30,0", "50,0", "0,400"}));
  EXPECT_EQ(Row(2), (QStringList{"2", "50,0", "70,0", "0,600"}));
  EXPECT_EQ(Field("edInputConcentration")->text(), "0,0000300");
  EXPECT_EQ(Field("edParticleDencity")->text(), "3500,00");
  EXPECT_EQ(Field("edMu")->text(), "0,00001780");

  // More fractions: a row each, numbered, and only the last upper bound typed.
  Model.Dust.Fractions = {{1e-05, 2e-05, 0.25}, {2e-05, 4e-05, 0.25}, {4e-05, 1.2e-04, 0.5}};
  Dialog.LoadFrom(Model);
  EXPECT_EQ(Count()->value(), 3);
  ASSERT_EQ(Grid()->rowCount(), 3);
  EXPECT_EQ(Row(3), (QStringList{"3", "40,0", "120,0", "0,500"}));
  EXPECT_FALSE(Editable(1, 0));
  EXPECT_FALSE(Editable(2, 2));
  EXPECT_EQ(Grid()->item(1, 2)->background().color(), QColor(220, 220, 220));
  EXPECT_TRUE(Editable(3, 2));
  EXPECT_TRUE(Editable(2, 1));
}

TEST_F(DustPropertiesDialogTest, AdjacentFractionsShareTheirBound) {
  Dialog.LoadFrom(Model);
  Edit(2, 1, "55");
  EXPECT_EQ(Cell(1, 2), "55");
  Edit(1, 1, "20");  // the first row has no row before
  EXPECT_EQ(Row(1), (QStringList{"1", "20", "55", "0,400"}));

  Count()->stepUp();
  ASSERT_EQ(Grid()->rowCount(), 3);
  EXPECT_EQ(Row(3), (QStringList{"3", "70,0", "", ""}));
  EXPECT_FALSE(Editable(2, 2));
  EXPECT_TRUE(Editable(3, 2));

  // A count set directly only changes the rows; lowering drops them from the end.
  Count()->setValue(5);
  EXPECT_EQ(Grid()->rowCount(), 5);
  EXPECT_EQ(Row(5), (QStringList{"5", "", "", ""}));
  Count()->stepDown();
  EXPECT_EQ(Grid()->rowCount(), 4);
  EXPECT_EQ(Row(4), (QStringList{"4", "", "", ""}));
  EXPECT_TRUE(Editable(4, 2));
}

TEST_F(DustPropertiesDialogTest, SharesMustAddUpToOne) {
  Dialog.LoadFrom(Model);
  EXPECT_FALSE(Confirm([&] {
    Edit(1, 3, "0,333");
    Edit(2, 3, "0,666");
  }));
  EXPECT_EQ(Messages, std::vector<QString>{U("Сумма долей фракций должна равняться 1")});

  EXPECT_TRUE(Confirm([&] {
    Edit(1, 3, "0,3333333");
    Edit(2, 3, "0.6666667");
  }));
  EXPECT_TRUE(Messages.empty());
  Dialog.StoreInto(Model);
  ASSERT_EQ(Model.Dust.Fractions.size(), 2u);
  EXPECT_EQ(Model.Dust.Fractions[0].Share, 0.3333333);
  EXPECT_EQ(Model.Dust.Fractions[1].Share, 0.6666667);
  EXPECT_EQ(Model.Dust.Fractions[0].Lower, static_cast<double>(30.0L / 1000000.0L));
  EXPECT_EQ(Model.Dust.Fractions[1].Upper, static_cast<double>(70.0L / 1000000.0L));
}

TEST_F(DustPropertiesDialogTest, CellsAreCheckedRowByRow) {
  Dialog.LoadFrom(Model);
  struct Case {
    int Row, Column;
    const char* Text;
    const char* Message;
  };
  const Case cases[] = {
      {1, 1, "0", "Диаметры частиц и доли фракций должны быть положительными"},
      {2, 3, "-0,6", "Диаметры частиц и доли фракций должны быть положительными"},
      {2, 2, "", "Ошибка при вводе параметров дисперсного состава"},
      {1, 3, "0,4x", "Ошибка при вводе параметров дисперсного состава"},
      {2, 2, "50", "Нижние границы фракций должны быть меньше верхних"},  // equal bounds
      {2, 1, "80", "Нижние границы фракций должны быть меньше верхних"},  // 30 to 80, then 80 to 70
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    Dialog.LoadFrom(Model);
    EXPECT_FALSE(Confirm([&] { Edit(c.Row, c.Column, c.Text); }));
    EXPECT_EQ(Messages, std::vector<QString>{U(c.Message)});
  }
  // An empty cell of a row added by typing the count.
  Dialog.LoadFrom(Model);
  EXPECT_FALSE(Confirm([&] { Count()->setValue(3); }));
  EXPECT_EQ(Messages, std::vector<QString>{U("Ошибка при вводе параметров дисперсного состава")});
}

TEST_F(DustPropertiesDialogTest, CompositionsTheConcentrationRunWouldRefuseAreRefused) {
  // Fractions with a gap between them (only possible from the model).
  Model.Dust.Fractions = {{3e-05, 5e-05, 0.4}, {6e-05, 7e-05, 0.6}};
  Dialog.LoadFrom(Model);
  EXPECT_FALSE(Confirm([] {}));
  EXPECT_EQ(Messages, std::vector<QString>{U(SizeGeneratorErrorText)});

  // Bounds that differ as typed but not once stored in metres.
  Model.Dust.Fractions = TDustParams().Fractions;
  Dialog.LoadFrom(Model);
  EXPECT_FALSE(Confirm([&] {
    Edit(1, 1, "49,9999999999999999");
    Edit(2, 1, "50");
  }));
  EXPECT_EQ(Messages, std::vector<QString>{U(SizeGeneratorErrorText)});

  // What passes the dialog suits the size generator.
  EXPECT_TRUE(Confirm([&] { Edit(1, 1, "49,99"); }));
  Dialog.StoreInto(Model);
  TBarRandom generator;
  EXPECT_TRUE(SetupSizeGenerator(generator, Model.Dust.Fractions));
}

TEST_F(DustPropertiesDialogTest, PropertiesTheRunRefusesAreRefused) {
  Dialog.LoadFrom(Model);
  EXPECT_FALSE(Confirm([&] { Field("edKoefK")->setValue(-0.5); }));
  TDustParams negative;
  negative.KoefK = -0.5;
  EXPECT_EQ(Messages, std::vector<QString>{QString::fromStdString(DustParamsError(negative))});

  // A concentration too small for the field's 7 decimals is shown, and would
  // be stored, as 0.
  Dialog.LoadFrom(Model);
  EXPECT_FALSE(Confirm([&] { Field("edInputConcentration")->setValue(4e-08); }));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Field("edInputConcentration")->text(), "0,0000000");
  TDustParams zero;
  zero.InputConcentration = 0;
  EXPECT_EQ(Messages[0], QString::fromStdString(DustParamsError(zero)));
}

TEST_F(DustPropertiesDialogTest, StoredValuesAreTheShownOnes) {
  Model.Dust.ParticleDensity = 3500.004;
  Model.Dust.ShapeFactor = 1.236;
  Model.Dust.KoefF = 0.3;
  Model.Dust.KoefK = 0.7;
  Dialog.LoadFrom(Model);
  EXPECT_TRUE(Confirm([] {}));
  TModelState stored;
  stored.Dust.Fractions.clear();
  Dialog.StoreInto(stored);
  EXPECT_EQ(stored.Dust.ParticleDensity, 3500.0);
  EXPECT_EQ(stored.Dust.AirViscosity, 1.78e-05);
  EXPECT_EQ(stored.Dust.InputConcentration, 3e-05);
  EXPECT_EQ(stored.Dust.ShapeFactor, 1.24);
  EXPECT_EQ(stored.Dust.KoefF, 0.3);
  EXPECT_EQ(stored.Dust.KoefK, 0.7);
  ASSERT_EQ(stored.Dust.Fractions.size(), 2u);
  EXPECT_EQ(stored.Dust.Fractions[0].Lower, 3e-05);
  EXPECT_EQ(stored.Dust.Fractions[1].Upper, 7e-05);
  EXPECT_EQ(stored.Dust.Fractions[1].Share, 0.6);

  // A field left without a number is reported and stays as typed; its value is
  // not put back behind the user's back.
  Messages.clear();
  WhileShown = [&] {
    Field("edHi")->findChild<QLineEdit*>()->setText("");
    Click("BitBtn1");
  };
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_EQ(Messages, std::vector<QString>{U("Не заполнено поле «Коэф. динамической формы частицы»")});
  EXPECT_EQ(Field("edHi")->text(), "");
}

TEST_F(DustPropertiesDialogTest, CancelLeavesTheGridAsTypedUntilTheNextFilling) {
  Dialog.LoadFrom(Model);
  WhileShown = [&] {
    Edit(1, 3, "0,9");
    Click("BitBtn2");
  };
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_EQ(Cell(1, 3), "0,9");
  Dialog.LoadFrom(Model);
  EXPECT_EQ(Cell(1, 3), "0,400");
}

TEST_F(DustPropertiesDialogTest, SharesReopenAsStoredAndAreAcceptedUnchanged) {
  // Shares that 3 decimals would not give back are shown with as many as they
  // need; the default ones keep their 3.
  Model.Dust.Fractions = {{1e-05, 2e-05, 0.3333333}, {2e-05, 3e-05, 0.3333333}, {3e-05, 4e-05, 0.3333334}};
  Dialog.LoadFrom(Model);
  EXPECT_EQ(Cell(1, 3), "0,3333333");
  EXPECT_EQ(Cell(3, 3), "0,3333334");
  EXPECT_TRUE(Confirm([] {})) << (Messages.empty() ? std::string() : Messages[0].toStdString());
  TModelState stored;
  Dialog.StoreInto(stored);
  ASSERT_EQ(stored.Dust.Fractions.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(stored.Dust.Fractions[i].Share, Model.Dust.Fractions[i].Share);

  Model.Dust.Fractions = {{1e-05, 2e-05, 0.0625}, {2e-05, 3e-05, 0.25}, {3e-05, 4e-05, 0.6875}};
  Dialog.LoadFrom(Model);
  EXPECT_EQ(Cell(1, 3), "0,0625");
  EXPECT_EQ(Cell(2, 3), "0,250");
  EXPECT_EQ(Cell(3, 3), "0,6875");
  Model.Dust.Fractions = TDustParams().Fractions;
  Dialog.LoadFrom(Model);
  EXPECT_EQ(Cell(1, 3), "0,400");
  EXPECT_EQ(Cell(2, 3), "0,600");
}

TEST_F(DustPropertiesDialogTest, TypedCountIsReportedNotReplaced) {
  Dialog.LoadFrom(Model);
  for (const char* typed : {"1", "", "101"}) {
    EXPECT_FALSE(Confirm([&] {
      Count()->findChild<QLineEdit*>()->setText(U(typed));
      QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
      QApplication::sendEvent(Count(), &out);
    }));
    EXPECT_EQ(Count()->text(), U(typed));
    EXPECT_EQ(Grid()->rowCount(), 2) << typed;  // the rows stay with the last usable count
    ASSERT_EQ(Messages.size(), 1u) << typed;
    EXPECT_EQ(Messages[0], *typed == 0 ? U("Не заполнено поле «Количество фракций»")
                                       : U("Значение поля «Количество фракций» должно быть от 2 до 100"));
  }
  // A usable count typed after them sets the rows.
  Count()->findChild<QLineEdit*>()->setText("4");
  EXPECT_EQ(Grid()->rowCount(), 4);
}

TEST_F(DustPropertiesDialogTest, SelectedDerivedCellStaysGrey) {
  Dialog.LoadFrom(Model);
  Dialog.show();
  QTableWidget* grid = Grid();
  auto pixel = [grid](int row, int column) {
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    return grid->viewport()->grab().toImage().pixelColor(cell.right() - 3, cell.bottom() - 3);
  };
  grid->setFocus();
  grid->setCurrentCell(0, 2);
  ASSERT_TRUE(grid->item(0, 2)->isSelected());
  EXPECT_EQ(pixel(0, 2), QColor(220, 220, 220));
  // The last upper bound is typed, and selecting it shows the selection.
  grid->setCurrentCell(1, 2);
  EXPECT_NE(pixel(1, 2), QColor(220, 220, 220));
  EXPECT_EQ(pixel(0, 2), QColor(220, 220, 220));
  Dialog.hide();
}

TEST_F(DustPropertiesDialogTest, LabelsAndFiveRowsAreReadable) {
  Dialog.LoadFrom(Model);
  Dialog.show();
  QApplication::sendPostedEvents();
  const QRect client = Dialog.rect();
  // Every label whole: each word within its width, all its lines within its
  // height, and inside the window, clear of every field.
  for (QLabel* label : Dialog.findChildren<QLabel*>()) {
    SCOPED_TRACE(label->text().toStdString());
    const QFontMetrics metrics(label->font());
    for (const QString& word : label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
      EXPECT_LE(metrics.horizontalAdvance(word), label->contentsRect().width());
    if (label->wordWrap()) {
      EXPECT_LE(label->heightForWidth(label->contentsRect().width()), label->height());
    } else {
      EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width());
    }
    const QRect place(label->mapTo(&Dialog, QPoint(0, 0)), label->size());
    EXPECT_TRUE(client.contains(place));
    for (TNumberField* field : Dialog.findChildren<TNumberField*>())
      EXPECT_FALSE(place.intersects(QRect(field->mapTo(&Dialog, QPoint(0, 0)), field->size())))
          << field->objectName().toStdString();
  }
  // At least five fraction rows fully visible below the header, the grid
  // inside its frame and the frame clear of the buttons.
  Dialog.findChild<TNumberField*>("edFractionCnt")->setValue(8);
  QTableWidget* grid = Grid();
  EXPECT_GE(grid->viewport()->height(), 5 * grid->rowHeight(0));
  const QGroupBox* frame = Dialog.findChild<QGroupBox*>("GroupBox1");
  EXPECT_TRUE(frame->rect().contains(QRect(grid->mapTo(frame, QPoint(0, 0)), grid->size())));
  for (const char* button : {"BitBtn1", "BitBtn2"}) {
    const QPushButton* b = Dialog.findChild<QPushButton*>(button);
    EXPECT_FALSE(frame->geometry().intersects(b->geometry()));
    EXPECT_TRUE(client.contains(b->geometry()));
  }
  // The fields show their values whole.
  for (TNumberField* field : Dialog.findChildren<TNumberField*>()) {
    QLineEdit* edit = field->findChild<QLineEdit*>();
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(field->text()) + 4, edit->width())
        << field->objectName().toStdString();
  }
  Dialog.hide();
}

}  // namespace
}  // namespace ltr
