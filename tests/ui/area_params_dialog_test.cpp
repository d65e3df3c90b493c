#include "ui/area_params_dialog.h"

#include <gtest/gtest.h>

#include "ui/qstring_printer.h"
#include "ui/recording_ui.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>
#include <functional>
#include <vector>

#include "ui/number_field.h"

namespace ltr {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

class AreaParamsDialogTest : public ::testing::Test, public testing::TRecordingUi {
 protected:
  void SetUp() override {
    Dialog.SetUiServices(Services());
    Dialog.LoadFrom(Model);
  }

  TNumberField* Field(const char* name) {
    auto* e = Dialog.findChild<TNumberField*>(QString::fromLatin1(name));
    EXPECT_NE(e, nullptr) << name;
    return e;
  }
  // Puts text into a field's editor as typing does.
  void Type(const char* name, const char* text) { Field(name)->findChild<QLineEdit*>()->setText(U(text)); }
  void Click(const char* button) { Dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click(); }
  QString InflowSpeedText() { return Dialog.findChild<QLabel*>("lbInflowSpeed")->text(); }
  QImage Sketch() { return Dialog.findChild<QLabel*>("Image1")->pixmap().toImage(); }
  // The field loses the keyboard focus, as when the user goes on to another.
  void Leave(const char* name) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Field(name), &out);
  }
  void Mouse(QEvent::Type type, Qt::MouseButton button) {
    QLabel* image = Dialog.findChild<QLabel*>("Image1");
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(100, 100), image->mapToGlobal(QPointF(100, 100)), button, held, Qt::NoModifier);
    QApplication::sendEvent(image, &event);
  }
  void Press(Qt::MouseButton button) { Mouse(QEvent::MouseButtonPress, button); }
  static bool Black(const QImage& im, int x, int y) { return im.pixelColor(x, y) == QColor(0, 0, 0); }
  static int RedPixels(const QImage& im) {
    int n = 0;
    for (int y = 0; y < im.height(); ++y)
      for (int x = 0; x < im.width(); ++x) n += im.pixelColor(x, y) == QColor(255, 0, 0);
    return n;
  }

  TModelState Model;
  TfrmAreaParams Dialog;
};

TEST_F(AreaParamsDialogTest, FieldsShowTheModelWithinRangeAndStoreWhatTheyShow) {
  Model.Area.H = 2.0;  // beyond the spacing's range
  Model.Area.Speed = 0.00001;
  Model.Area.RoomWidth = 1.234567;
  Model.Enabled[0] = true;
  Model.Enabled[2] = false;
  Dialog.LoadFrom(Model);
  EXPECT_EQ(Field("edH")->text(), "1,00000");
  EXPECT_EQ(Field("edSpeed")->text(), "0,00010");
  EXPECT_EQ(Field("edRoomWidth")->text(), "1,23457");
  const QListWidget* breaks = Dialog.findChild<QListWidget*>("cbBreaks");
  ASSERT_EQ(breaks->count(), 4);
  EXPECT_EQ(breaks->item(0)->text(), U("Слева от притока"));
  EXPECT_EQ(breaks->item(3)->text(), U("На левой стенке"));
  EXPECT_EQ(breaks->item(0)->checkState(), Qt::Checked);
  EXPECT_EQ(breaks->item(2)->checkState(), Qt::Unchecked);

  TModelState stored;
  for (bool& enabled : stored.Enabled) enabled = !enabled;
  Dialog.StoreInto(stored);
  EXPECT_EQ(stored.Area.H, 1.0);
  EXPECT_EQ(stored.Area.Speed, 0.0001);
  EXPECT_EQ(stored.Area.RoomWidth, 1.23457);
  EXPECT_EQ(stored.Area.InflowWidth, 0.3);
  EXPECT_EQ(stored.Area.InflowSpeed, static_cast<double>(0.0001L / 0.3 * 0.2));
  for (int i = 0; i < SeparationPointCount; ++i) EXPECT_EQ(stored.Enabled[i], Model.Enabled[i]);
}

TEST_F(AreaParamsDialogTest, OpeningsReachingTheWallsAreRefused) {
  WhileShown = [this] {
    Type("edRoomWidth", "1");
    Type("edInflowDistance", "0,75");
    Type("edInflowWidth", "0,25");
    Click("BitBtn1");
  };
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_EQ(Messages, std::vector<QString>{U("Параметры заданы некорректно")});
  EXPECT_TRUE(Questions.empty());

  Messages.clear();
  WhileShown = [this] {
    Type("edRoomHeight", "0,75");
    Type("edExhaustHeight", "0,5");
    Type("edExhaustWidth", "0,25");
    Click("BitBtn1");
    EXPECT_TRUE(Dialog.isVisible());
    Type("edExhaustWidth", "0,2");
    Click("BitBtn1");
  };
  Dialog.LoadFrom(Model);
  EXPECT_TRUE(Dialog.Execute());
  EXPECT_EQ(Messages, std::vector<QString>{U("Параметры заданы некорректно")});
  EXPECT_EQ(Questions.size(), 1u);
  TModelState stored;
  Dialog.StoreInto(stored);
  EXPECT_EQ(stored.Area.RoomHeight, 0.75);
  EXPECT_EQ(stored.Area.ExhaustHeight, 0.5);
  EXPECT_EQ(stored.Area.ExhaustWidth, 0.2);
  EXPECT_EQ(stored.Area.InflowSpeed, static_cast<double>(3.0L / 0.3 * 0.2));
}

TEST_F(AreaParamsDialogTest, TextsAreCheckedBeforeValuesAndZeroIsNotRaised) {
  WhileShown = [this] {
    Type("edInflowDistance", "0,9");  // fails the value check ...
    Type("edRoomWidth", "");          // ... but an empty text is reported first
    Click("BitBtn1");
    Type("edRoomWidth", "1");
    Type("edInflowDistance", "0,05");
    Type("edH", "0");
    Click("BitBtn1");
  };
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_EQ(Messages, (std::vector<QString>{U("Ошибка при вводе параметров"), U("Параметры заданы некорректно")}));
  EXPECT_TRUE(Questions.empty());
}

TEST_F(AreaParamsDialogTest, NoToTheQuestionKeepsTheDialogOpen) {
  Answer = false;
  WhileShown = [this] {
    Type("edRoomWidth", "1,2");
    Click("BitBtn1");
    EXPECT_TRUE(Dialog.isVisible());
    EXPECT_EQ(Field("edRoomWidth")->text(), "1,2");
    Click("BitBtn2");
  };
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_TRUE(Messages.empty());
  ASSERT_EQ(Questions.size(), 1u);
  EXPECT_EQ(Questions[0], U("Изменение конфигурации области приведет к потере\r"
                            "несохраненных результатов моделирования.\rПродолжить?"));

  // The question comes on every OK, also without any change.
  Answer = true;
  WhileShown = [this] { Click("BitBtn1"); };
  Dialog.LoadFrom(Model);
  EXPECT_TRUE(Dialog.Execute());
  EXPECT_EQ(Questions.size(), 2u);
}

TEST_F(AreaParamsDialogTest, InflowSpeedFollowsValidFields) {
  EXPECT_EQ(InflowSpeedText(), "2,00000");
  Field("edSpeed")->setValue(6);
  EXPECT_EQ(InflowSpeedText(), "4,00000");
  Type("edInflowWidth", "0,6");
  EXPECT_EQ(InflowSpeedText(), "2,00000");
  Type("edInflowWidth", "");          // not a number
  Type("edSpeed", "9");
  EXPECT_EQ(InflowSpeedText(), "2,00000");
  Type("edInflowWidth", "0,96");      // the inflow reaches past the right wall
  EXPECT_EQ(InflowSpeedText(), "2,00000");
  Type("edInflowWidth", "0,9");
  EXPECT_EQ(InflowSpeedText(), "2,00000");
  Type("edExhaustWidth", "0,15");
  EXPECT_EQ(InflowSpeedText(), "1,50000");
}

// Reopened after a Cancel with values that failed the check, the dialog shows
// the inflow speed of the model's values, not of the texts cancelled.
TEST_F(AreaParamsDialogTest, InflowSpeedFollowsTheValuesShownAfterACancel) {
  WhileShown = [this] {
    Type("edSpeed", "6");
    EXPECT_EQ(InflowSpeedText(), "4,00000");
    Type("edInflowDistance", "0,9");  // the inflow then reaches past the right wall
    Click("BitBtn2");
  };
  EXPECT_FALSE(Dialog.Execute());
  Dialog.LoadFrom(Model);
  EXPECT_EQ(Field("edSpeed")->text(), "3,00000");
  EXPECT_EQ(InflowSpeedText(), "2,00000");
}

// A refusal names the field and its range, or the opening that reaches a
// wall, in the line beside the buttons, and the field to mend takes the focus;
// the line follows the fields and is empty while they can be stored.
TEST_F(AreaParamsDialogTest, RefusalsSayWhichFieldAndWhy) {
  QLabel* problem = Dialog.findChild<QLabel*>("lbProblem");
  ASSERT_NE(problem, nullptr);
  struct Case {
    const char* field;
    const char* typed;
    const char* message;  // the message box
    const char* reason;   // the line
    const char* focus;
  };
  const Case cases[] = {
      {"edH", "2", "Параметры заданы некорректно",
       "Значение поля «Расстояние между присоед. вихрями (расч. точками), м» должно быть от 0,0001 до 1", "edH"},
      {"edExhaustHeight", "0,00001", "Параметры заданы некорректно",
       "Значение поля «Расстояние между отсосом и полом, м» должно быть от 0,0001 до 15", "edExhaustHeight"},
      {"edRoomWidth", "абв", "Ошибка при вводе параметров", "«абв» не является числом (поле «Ширина укрытия, м»)",
       "edRoomWidth"},
      {"edInflowWidth", "0,96", "Параметры заданы некорректно",
       "Расстояние от приточного отверстия до левой стенки вместе с шириной отверстия должно быть меньше ширины "
       "укрытия",
       "edInflowDistance"},
      {"edExhaustWidth", "0,6", "Параметры заданы некорректно",
       "Расстояние от отсоса до пола вместе с шириной отсоса должно быть меньше высоты укрытия", "edExhaustHeight"},
  };
  for (const Case& c : cases) {
    Messages.clear();
    Dialog.LoadFrom(Model);
    EXPECT_EQ(problem->text(), QString());
    WhileShown = [&] {
      Type(c.field, c.typed);
      EXPECT_EQ(problem->text(), U(c.reason)) << c.field;
      Click("BitBtn1");
      EXPECT_TRUE(Dialog.isVisible());
      QWidget* focus = Dialog.focusWidget();
      TNumberField* expected = Field(c.focus);
      EXPECT_TRUE(focus == expected || expected->isAncestorOf(focus)) << c.field;
    };
    EXPECT_FALSE(Dialog.Execute());
    EXPECT_EQ(Messages, std::vector<QString>{U(c.message)}) << c.field;
  }
  Dialog.LoadFrom(Model);
  EXPECT_EQ(problem->text(), QString());
}

TEST_F(AreaParamsDialogTest, ShowingFitsTheSketchAndOnlyValidEditsRedrawIt) {
  QImage shown;
  QImage wider;
  WhileShown = [&] {
    shown = Sketch();
    Type("edRoomWidth", "0,8");
    wider = Sketch();
    Type("edRoomWidth", "0,3");  // the inflow would end beyond the right wall
    EXPECT_EQ(Sketch(), wider);
    Type("edRoomWidth", "");
    EXPECT_EQ(Sketch(), wider);
  };
  Dialog.Execute();
  ASSERT_EQ(shown.size(), QSize(396, 239));
  // The default enclosure, fitted by its height: 299 x 209 pixels from (10, 229).
  EXPECT_TRUE(Black(shown, 10, 100));
  EXPECT_TRUE(Black(shown, 309, 100));
  EXPECT_TRUE(Black(shown, 200, 20));
  EXPECT_FALSE(Black(shown, 200, 19));
  EXPECT_FALSE(Black(shown, 310, 100));
  // The narrower enclosure at the same scale.
  EXPECT_TRUE(Black(wider, 10 + 239, 100));
  EXPECT_FALSE(Black(wider, 309, 100));
}

TEST_F(AreaParamsDialogTest, ClicksZoomTheSketchAndTheCheckListRedrawsIt) {
  QImage shown;
  WhileShown = [&] {
    shown = Sketch();
    Press(Qt::LeftButton);
    const QImage smaller = Sketch();
    EXPECT_FALSE(Black(smaller, 309, 150));
    EXPECT_TRUE(Black(smaller, 10 + 271, 150));  // round(298.57 / 1.1)
    Press(Qt::MiddleButton);
    EXPECT_EQ(Sketch(), smaller);
    Press(Qt::RightButton);
    EXPECT_EQ(Sketch(), shown);

    QListWidget* breaks = Dialog.findChild<QListWidget*>("cbBreaks");
    EXPECT_GT(RedPixels(shown), 0);
    for (int i = 0; i < breaks->count(); ++i) breaks->item(i)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(RedPixels(Sketch()), 0);
  };
  Dialog.Execute();
}

TEST_F(AreaParamsDialogTest, TypedTextsReachTheChecksUnchanged) {
  struct Case {
    const char* field;
    const char* typed;
    const char* message;
  };
  // Empty and incomplete texts fail the text check; zero, values below a
  // field's minimum and above its maximum fail the value check. None of them
  // is replaced when the field loses the focus or Enter is pressed in it.
  const Case cases[] = {
      {"edH", "", "Ошибка при вводе параметров"},
      {"edSpeed", ",", "Ошибка при вводе параметров"},
      {"edRoomWidth", "0", "Параметры заданы некорректно"},
      {"edH", "0,00001", "Параметры заданы некорректно"},
      {"edRoomHeight", "12", "Параметры заданы некорректно"},
      {"edSpeed", "150", "Параметры заданы некорректно"},
  };
  for (const Case& c : cases) {
    Messages.clear();
    Questions.clear();
    Dialog.LoadFrom(Model);
    WhileShown = [&] {
      Type(c.field, c.typed);
      Leave(c.field);
      EXPECT_EQ(Field(c.field)->text(), U(c.typed)) << c.field;
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(Field(c.field), &enter);  // Enter presses OK
      EXPECT_EQ(Field(c.field)->text(), U(c.typed)) << c.field;
      EXPECT_TRUE(Dialog.isVisible());
    };
    EXPECT_FALSE(Dialog.Execute());
    EXPECT_EQ(Messages, std::vector<QString>{U(c.message)}) << c.field << " " << c.typed;
    EXPECT_TRUE(Questions.empty()) << c.field << " " << c.typed;
  }

  // Arrows step from the typed value and keep within the range; the field
  // shows where they end.
  TNumberField* speed = Field("edSpeed");
  Type("edSpeed", "99,995");
  speed->stepUp();
  EXPECT_EQ(speed->text(), "100,00000");
  speed->stepUp();
  EXPECT_EQ(speed->text(), "100,00000");
  Type("edSpeed", "");
  speed->stepDown();
  EXPECT_EQ(speed->text(), "0,00010");
}

TEST_F(AreaParamsDialogTest, DoubleClickZoomsAsASecondPress) {
  QImage once, twice, back;
  WhileShown = [&] {
    Press(Qt::LeftButton);
    once = Sketch();
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton);
    Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton);
    twice = Sketch();
    Press(Qt::RightButton);
    Mouse(QEvent::MouseButtonDblClick, Qt::RightButton);
    back = Sketch();
  };
  Dialog.Execute();
  // round(298.57 / 1.1) = 271 and round(298.57 / 1.21) = 247 pixels wide.
  EXPECT_TRUE(Black(once, 10 + 271, 150));
  EXPECT_TRUE(Black(twice, 10 + 247, 150));
  EXPECT_FALSE(Black(twice, 10 + 271, 150));
  EXPECT_TRUE(Black(back, 10 + 299, 150));
}

TEST_F(AreaParamsDialogTest, EveryTextFitsItsPlace) {
  // Inflow speeds up to the longest fixed text (six integer digits) and the
  // longest field texts.
  struct Values {
    const char* speed;
    const char* inflowWidth;
    const char* exhaustWidth;
    const char* expected;
  };
  const Values cases[] = {{"3", "0,3", "0,2", "2,00000"},
                          {"100", "0,3", "0,2", "66,6667"},
                          {"100", "0,0009", "2", "222222"},
                          {"100", "0,0001", "6", "6E6"}};
  WhileShown = [&] {
    QGroupBox* frame = Dialog.findChild<QGroupBox*>("GroupBox1");
    QLabel* value = Dialog.findChild<QLabel*>("lbInflowSpeed");
    for (const Values& v : cases) {
      Type("edRoomHeight", "10");
      Type("edRoomWidth", "15");
      Type("edSpeed", v.speed);
      Type("edInflowWidth", v.inflowWidth);
      Type("edExhaustWidth", v.exhaustWidth);
      QApplication::sendPostedEvents();
      EXPECT_TRUE(value->text().startsWith(U(v.expected))) << value->text().toStdString();
      int right = 0;
      for (QLabel* label : frame->findChildren<QLabel*>()) {
        const QFontMetrics metrics(label->font());
        for (const QString& line : label->text().split(QLatin1Char('\n')))
          EXPECT_LE(metrics.horizontalAdvance(line), label->contentsRect().width()) << line.toStdString();
        EXPECT_LE(label->geometry().right(), frame->contentsRect().right()) << label->text().toStdString();
        if (label->y() > value->y() - 4 && label != value && label->x() < value->x())
          right = std::max(right, label->geometry().right());
      }
      EXPECT_LT(right, value->x());  // the caption before the value stays whole
    }
    // The captions of the sizes, two-line ones included, are shown whole.
    QGroupBox* sizes = Dialog.findChild<QGroupBox*>("GroupBox2");
    for (QLabel* label : Dialog.findChildren<QLabel*>()) {
      if (label->parentWidget() != sizes && label->parentWidget() != frame) continue;
      const QFontMetrics metrics(label->font());
      for (const QString& line : label->text().split(QLatin1Char('\n')))
        EXPECT_LE(metrics.horizontalAdvance(line), label->contentsRect().width()) << line.toStdString();
      EXPECT_GE(label->height(), label->sizeHint().height()) << label->text().toStdString();
      EXPECT_LE(label->geometry().right(), label->parentWidget()->contentsRect().right());
    }
    // The fields show their longest values whole.
    for (const char* name : {"edH", "edSpeed", "edRoomHeight", "edRoomWidth", "edInflowWidth", "edInflowDistance",
                             "edExhaustWidth", "edExhaustHeight"}) {
      TNumberField* field = Field(name);
      field->setValue(field->maximum());
      QLineEdit* edit = field->findChild<QLineEdit*>();
      EXPECT_LE(edit->fontMetrics().horizontalAdvance(field->text()) + 4, edit->width()) << name;
    }
  };
  Dialog.Execute();
}

}  // namespace
}  // namespace ltr
