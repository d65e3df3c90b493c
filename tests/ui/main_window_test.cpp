#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QDir>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QComboBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <functional>
#include <memory>

#include "io/vortex_file.h"
#include "ltr/version.h"
#include "model/discretization.h"
#include "numerics/number_text.h"
#include "solver/velocity.h"
#include "solver/vortex_run.h"
#include "ui/number_field.h"
#include "ui/paint_box.h"
#include "ui/area_params_dialog.h"
#include "ui/dust_properties_dialog.h"
#include "ui/results_window.h"

namespace ltr {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// The main window with a look into the run loops: every message processing
// of a run is counted and may act as the user would while the run goes on.
class TTestMain : public TfrmMain {
 public:
  using TfrmMain::TfrmMain;
  void ProcessMessages() override {
    ++ProcessCalls;
    if (OnProcess) OnProcess();
    TfrmMain::ProcessMessages();
  }
  int ProcessCalls = 0;
  std::function<void()> OnProcess;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    s.Area.H = 0.05;  // a coarse enclosure keeps the runs short
    w = std::make_unique<TTestMain>(s);
    Services = DefaultUiServices();
    Services.message = [this](QWidget*, const QString& text) { Messages << text; };
    Services.confirm = [](QWidget*, const QString&) { return true; };
    Services.openVortexFile = [this](QWidget*) { return OpenName; };
    Services.saveVortexFile = [this](QWidget*) { return SaveName; };
    // Changes of the case are dropped on closing (never a blocking box).
    Services.askSaveChanges = [](QWidget*, const QString&) { return TUiServices::TAnswer::No; };
    Services.execDialog = [this](QDialog* dialog) {
      Shown << dialog->objectName();
      return int(QDialog::Accepted);
    };
    w->SetUiServices(Services);
    results.SetUiServices(Services);
    w->SetWindows(nullptr, nullptr, nullptr, &results);
    w->SetConcentrationOptions({TSizeSeed::Fixed(7), 0, TParticleStepMode::Described()});
  }

  template <typename T>
  T* Get(const char* name) const {
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QPushButton* Button(const char* name) const { return Get<QPushButton>(name); }
  QLineEdit* Edit(const char* name) const { return Get<QLineEdit>(name); }
  QString LabelText(const char* name) const { return Get<QLabel>(name)->text(); }
  QAction* Action(const char* name) const { return Get<QAction>(name); }
  QTabWidget* Pages() const { return Get<QTabWidget>("PageControl1"); }

  // Start, Continue, Stop, concentration Start, concentration Stop.
  std::string Buttons() const {
    std::string states;
    for (const char* name :
         {"btnStart", "btnContinue", "btnStop", "btnStartCountConcentration", "btnStopCountConcentration"})
      states += Button(name)->isEnabled() ? 'E' : 'D';
    return states;
  }
  // Load, save, enclosure dialog, dust dialog, streamline button.
  std::string DataCommands() const {
    std::string states;
    for (const char* name : {"miLoad", "miSave", "N12", "N4"}) states += Action(name)->isEnabled() ? 'E' : 'D';
    states += Button("btnBuildFlowLine")->isEnabled() ? 'E' : 'D';
    return states;
  }

  void StartRun(const char* maxTime) {
    Pages()->setCurrentIndex(1);
    Edit("edMaxTime")->setText(U(maxTime));
    Button("btnStart")->click();
  }

  TModelState s;
  std::unique_ptr<TTestMain> w;
  TfrmShowOutputConcentration results;
  TUiServices Services;
  QStringList Messages;
  QStringList Shown;
  QString OpenName;
  QString SaveName;
};

TEST_F(MainWindowTest, StartUpState) {
  EXPECT_EQ(w->windowTitle(), U("ЛТР - Расчет концентрации пыли в аспирационном укрытии - Версия ") + U(VersionText));
  EXPECT_EQ(w->minimumSize(), QSize(800, 544));
  EXPECT_EQ(w->size(), QSize(800, 544));

  QTabWidget* pages = Pages();
  ASSERT_EQ(pages->count(), 2);
  EXPECT_EQ(pages->tabText(0), U("Расчет концентрации"));
  EXPECT_EQ(pages->tabText(1), U("Расчет поля скоростей"));
  EXPECT_EQ(pages->currentIndex(), 0);
  EXPECT_EQ(pages->width(), 255);

  EXPECT_EQ(Buttons(), "EDDED");
  EXPECT_EQ(DataCommands(), "EEEEE");
  EXPECT_TRUE(Action("miShowLastConcentration")->isVisible());
  EXPECT_EQ(Action("miShowLastConcentration")->text(), U("Показать последний расчет концентрации"));
  EXPECT_EQ(Action("miLoad")->text(), U("Загрузить вихревую структуру"));
  EXPECT_EQ(Action("N12")->text(), U("Конфигурация области течения"));
  EXPECT_EQ(Action("miZoomNo")->text(), U("Исходный"));
  EXPECT_EQ(Action("N7")->text(), U("О программе"));

  // The discretized default enclosure reports its bound vortices.
  EXPECT_GT(s.BoundCount, 0);
  EXPECT_EQ(Get<QLabel>("StatusPanel")->text(), QString::fromStdString(BoundCountText(s.BoundCount)));
  EXPECT_TRUE(Get<QLabel>("StatusPanel")->text().startsWith(U("Количество присоединенных вихрей: ")));

  EXPECT_EQ(Edit("edMaxFreeVortex")->text(), U("400"));
  EXPECT_EQ(Edit("edMaxTime")->text(), U("1"));
  EXPECT_EQ(Edit("edDt")->text(), U("0,005"));
  EXPECT_EQ(Edit("edX")->text(), U("0,1"));
  EXPECT_EQ(Edit("edY")->text(), U("0,005"));
  EXPECT_EQ(Edit("edStep")->text(), U("0,005"));
  EXPECT_EQ(Edit("edMaxLen")->text(), U("1"));
  for (const char* name : {"edNumParticle", "edNumIteration"}) {
    TNumberField* spin = Get<TNumberField>(name);
    EXPECT_EQ(spin->value(), 10);
    EXPECT_EQ(spin->minimum(), 2);
    EXPECT_EQ(spin->maximum(), 200);
  }
  EXPECT_EQ(Get<TNumberField>("edMaxResidence")->value(), 30.0);
  EXPECT_EQ(Get<TNumberField>("edMaxResidence")->minimum(), 0.0);
  EXPECT_TRUE(Get<QRadioButton>("rbVortexesFixed")->isChecked());
  EXPECT_EQ(LabelText("lbTime"), U("Прошло времени:"));
  EXPECT_EQ(LabelText("lbVortexCount"), U("Свободных вихрей: "));
  EXPECT_EQ(LabelText("lbStep"), QString());

  // The drawing toggles and their hints.
  struct Toggle {
    const char* name;
    const char* hint;
    bool down;
  };
  for (const Toggle& t : {Toggle{"tbDrawFreeVortexes", "Свободные вихри", true},
                          Toggle{"tbDrawFixedVortexes", "Присоединенные вихри", false},
                          Toggle{"tbDrawAxes", "Оси координат", true}, Toggle{"ToolButton7", "Номера вихрей", false}}) {
    QToolButton* b = Get<QToolButton>(t.name);
    EXPECT_TRUE(b->isCheckable()) << t.name;
    EXPECT_EQ(b->isChecked(), t.down) << t.name;
    EXPECT_EQ(b->toolTip(), U(t.hint));
  }
  TNumberField* size = Get<TNumberField>("edVortexSize");
  EXPECT_EQ(size->value(), 3);
  EXPECT_EQ(size->minimum(), 1);
  EXPECT_EQ(size->maximum(), 3);

  // The initial view is taken from the laid-out paint box, and the picture
  // has been drawn at its size.
  const TPaintBox* box = w->PaintBox();
  ASSERT_GT(box->height(), 100);
  EXPECT_EQ(box->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(w->View().Scale, 400.0L);
  EXPECT_EQ(w->View().OriginX, 30);
  EXPECT_EQ(w->View().OriginY, box->height() - 30);
  EXPECT_FALSE(w->View().Dragging);
  EXPECT_EQ(w->Renderer().SceneBitmap.size(), box->size());

  // The model's start-up switches and fractions.
  EXPECT_FALSE(s.Enabled[0]);
  EXPECT_TRUE(s.Enabled[1] && s.Enabled[2] && s.Enabled[3]);
  ASSERT_EQ(s.Dust.Fractions.size(), 2u);
  EXPECT_EQ(s.Dust.Fractions[0].Lower, 3e-05);
  EXPECT_EQ(s.Dust.Fractions[1].Upper, 7e-05);
  EXPECT_EQ(s.Dust.Fractions[1].Share, 0.6);
  EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(MainWindowTest, StartRunsToMaxTimeWithCommandsLockedAndEnablesContinue) {
  std::string during;
  std::string dataDuring;
  w->OnProcess = [&] {
    during = Buttons();
    dataDuring = DataCommands();
  };
  StartRun("0,02");
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  EXPECT_GE(w->ProcessCalls, 4);
  EXPECT_EQ(during, "DDEDD");  // the concentration start is locked as well
  EXPECT_EQ(dataDuring, "DDDDD");

  EXPECT_GT(s.Time, 0.02);
  EXPECT_LT(s.Time, 0.0251);
  EXPECT_GT(s.FreeCount, 0);
  EXPECT_TRUE(LabelText("lbTime").contains(QRegularExpression(U("^Прошло времени: 0,02[05] сек\\.$"))))
      << LabelText("lbTime").toStdString();
  EXPECT_EQ(LabelText("lbTime"), U("Прошло времени: ") + QString::fromStdString(FormatFixed(s.Time, 6, 3)) +
                                     U(" сек."));
  EXPECT_EQ(LabelText("lbVortexCount"), U("Свободных вихрей: ") + QString::number(s.FreeCount));
  EXPECT_EQ(Buttons(), "EEDED");
  EXPECT_EQ(DataCommands(), "EEEEE");
  EXPECT_EQ(w->ActiveRun(), TfrmMain::TRunKind::None);
}

TEST_F(MainWindowTest, ContinueAfterMaxTimeMakesNoStepAndLowerMaximumCutsFreeVortices) {
  StartRun("0,02");
  const double time = s.Time;
  const int free = s.FreeCount;
  ASSERT_GT(free, 2);
  const QString timeLabel = LabelText("lbTime");
  const QString countLabel = LabelText("lbVortexCount");
  w->ProcessCalls = 0;

  Button("btnContinue")->click();
  EXPECT_EQ(w->ProcessCalls, 0);
  EXPECT_EQ(s.Time, time);
  EXPECT_EQ(s.FreeCount, free);
  EXPECT_EQ(LabelText("lbTime"), timeLabel);
  EXPECT_EQ(LabelText("lbVortexCount"), countLabel);
  EXPECT_EQ(Buttons(), "EEDED");

  Edit("edMaxFreeVortex")->setText(U("2"));
  Button("btnContinue")->click();
  EXPECT_EQ(s.FreeCount, 2);
  EXPECT_EQ(s.MaxFreeVortex, 2);
  EXPECT_EQ(s.Time, time);
  EXPECT_TRUE(Messages.isEmpty());

  // Raising the time limit goes on from the time reached.
  Edit("edMaxFreeVortex")->setText(U("400"));
  Edit("edMaxTime")->setText(U("0,03"));
  Button("btnContinue")->click();
  EXPECT_GT(s.Time, 0.03);
  EXPECT_LT(s.Time, 0.0351);
  EXPECT_GT(s.FreeCount, 2);
}

TEST_F(MainWindowTest, StopEndsTheRunAndContinueResumes) {
  w->OnProcess = [&] {
    if (w->ProcessCalls == 2) Button("btnStop")->click();
  };
  StartRun("1");
  EXPECT_EQ(w->ProcessCalls, 2);
  EXPECT_LT(s.Time, 0.0151);
  EXPECT_EQ(Buttons(), "EEDED");
  const int free = s.FreeCount;

  w->OnProcess = nullptr;
  Edit("edMaxTime")->setText(U("0,03"));
  Button("btnContinue")->click();
  EXPECT_GT(s.Time, 0.03);
  EXPECT_GT(s.FreeCount, free);
}

TEST_F(MainWindowTest, FieldsThatAreNoNumbersChangeNothing) {
  Pages()->setCurrentIndex(1);
  Edit("edDt")->setText(U("0.005x"));
  Button("btnStart")->click();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(U("Шаг по времени"))) << Messages[0].toStdString();
  EXPECT_EQ(w->ProcessCalls, 0);
  EXPECT_EQ(Buttons(), "EDDED");
  EXPECT_EQ(s.Time, 0.0);

  // After a run: a bad maximum time does not cut the free vortices either.
  Edit("edDt")->setText(U("0,005"));
  Edit("edMaxTime")->setText(U("0,02"));
  Button("btnStart")->click();
  const int free = s.FreeCount;
  ASSERT_GT(free, 1);
  Edit("edMaxFreeVortex")->setText(U("1"));
  Edit("edMaxTime")->setText(QString());
  Messages.clear();
  Button("btnContinue")->click();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(U("Макс. время моделирования")));
  EXPECT_EQ(s.FreeCount, free);
  EXPECT_EQ(Buttons(), "EEDED");

  Edit("edMaxTime")->setText(U("1"));
  Edit("edMaxFreeVortex")->setText(U("4,5"));
  Messages.clear();
  Button("btnContinue")->click();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(U("целым")));
  EXPECT_EQ(s.FreeCount, free);

  // Streamline fields.
  Edit("edStep")->setText(U("abc"));
  Messages.clear();
  Button("btnBuildFlowLine")->click();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(U("Шаг построения линии тока")));
  EXPECT_EQ(s.FlowLineCount, 0);
}

TEST_F(MainWindowTest, TypedSpinFieldsAreUsedAsTypedOrReported) {
  auto type = [this](const char* name, const char* text) {
    TNumberField* field = Get<TNumberField>(name);
    field->findChild<QLineEdit*>()->setText(U(text));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(field, &out);
    EXPECT_EQ(field->text(), U(text)) << name;  // not put back when leaving the field
  };
  struct Case {
    const char* field;
    const char* typed;
    const char* message;
  };
  const Case cases[] = {
      {"edNumParticle", "1",
       "Значение поля «Количество пылевых частиц, появляющихся в каждый момент» должно быть от 2 до 200"},
      {"edNumIteration", "", "Не заполнено поле «Количество моментов появления пылевых частиц»"},
      {"edNumParticle", "201",
       "Значение поля «Количество пылевых частиц, появляющихся в каждый момент» должно быть от 2 до 200"},
      {"edMaxResidence", "100001", "Значение поля «Предельное время пребывания частицы» должно быть от 0 до 100000"},
  };
  for (const Case& c : cases) {
    Messages.clear();
    type(c.field, c.typed);
    Button("btnStartCountConcentration")->click();
    EXPECT_EQ(Messages, QStringList{U(c.message)});
    EXPECT_EQ(Get<TNumberField>(c.field)->text(), U(c.typed));
    EXPECT_EQ(Buttons(), "EDDED");
    EXPECT_EQ(w->ProcessCalls, 0);
    type(c.field, c.field == std::string("edMaxResidence") ? "30" : "10");
  }

  // A count of 2 as typed is the count of the run.
  Messages.clear();
  type("edNumParticle", "2");
  type("edNumIteration", "2");
  Button("btnStartCountConcentration")->click();
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  EXPECT_EQ(Shown, QStringList{results.objectName()});

  // The vortex size takes each size in its range as it is typed; an emptied
  // field is reported when the editing ends and shows the size in use again.
  type("edVortexSize", "1");
  EXPECT_EQ(s.FreeVortexSize, 1);
  Messages.clear();
  auto* size = Get<TNumberField>("edVortexSize");
  size->findChild<QLineEdit*>()->setText(QString());
  emit size->editingFinished();
  EXPECT_EQ(Messages, QStringList{U("Не заполнено поле «Размер свободных вихрей»")});
  EXPECT_EQ(s.FreeVortexSize, 1);
  EXPECT_EQ(size->text(), U("1"));
  type("edVortexSize", "2");
  EXPECT_EQ(s.FreeVortexSize, 2);
}

TEST_F(MainWindowTest, ConcentrationPageCaptionsAndFieldsAreWhole) {
  w->show();
  QApplication::sendPostedEvents();
  QWidget* page = Get<QWidget>("TabSheet1");
  for (QLabel* label : page->findChildren<QLabel*>()) {
    if (!label->isVisible() || label->wordWrap()) continue;
    const QFontMetrics metrics(label->font());
    for (const QString& line : label->text().split(QLatin1Char('\n')))
      EXPECT_LE(metrics.horizontalAdvance(line), label->contentsRect().width()) << line.toStdString();
    EXPECT_LE(label->geometry().right(), page->contentsRect().right());
  }
  for (const char* name : {"edNumParticle", "edNumIteration", "edMaxResidence"}) {
    TNumberField* field = Get<TNumberField>(name);
    field->setValue(field->maximum());
    QLineEdit* edit = field->findChild<QLineEdit*>();
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(field->text()) + 4, edit->width()) << name;
    EXPECT_LE(field->geometry().right(), page->contentsRect().right()) << name;
  }
  w->hide();
}

// Every caption of both pages is whole where it stands and in view: at the
// start-up size without scrolling, with the line of the exhausted vortices
// shown (which moves nothing), and with a font a quarter larger, where the
// page control grows or the page scrolls rather than a caption being cut.
TEST_F(MainWindowTest, EveryCaptionOfBothPagesIsWhole) {
  w->show();
  QApplication::sendPostedEvents();
  QTabWidget* pages = Pages();
  auto checkWhole = [&](const std::string& when) {
    QTabBar* tabs = pages->tabBar();
    for (int i = 0; i < tabs->count(); ++i) EXPECT_LE(tabs->tabRect(i).right(), tabs->width() - 1) << when;
    for (int index = 0; index < 2; ++index) {
      pages->setCurrentIndex(index);
      QApplication::sendPostedEvents();
      auto* area = qobject_cast<QScrollArea*>(pages->currentWidget());
      ASSERT_NE(area, nullptr) << when;
      QWidget* viewport = area->viewport();
      int checked = 0;
      for (QWidget* c : area->widget()->findChildren<QWidget*>()) {
        if (!c->isVisibleTo(area)) continue;
        QString text;
        int textRoom = 0;
        if (auto* label = qobject_cast<QLabel*>(c)) {
          text = label->text();
          EXPECT_LE(label->sizeHint().width(), label->width()) << when << " " << text.toStdString();
          EXPECT_LE(label->sizeHint().height(), label->height()) << when << " " << text.toStdString();
        } else if (auto* box = qobject_cast<QCheckBox*>(c)) {
          text = box->text();
          EXPECT_LE(box->sizeHint().width(), box->width()) << when << " " << text.toStdString();
        } else if (auto* radio = qobject_cast<QRadioButton*>(c)) {
          text = radio->text();
          EXPECT_LE(radio->sizeHint().width(), radio->width()) << when << " " << text.toStdString();
        } else if (auto* button = qobject_cast<QPushButton*>(c)) {
          text = button->text();
          textRoom = button->width() - 8;
        } else if (auto* group = qobject_cast<QGroupBox*>(c)) {
          text = group->title();
          textRoom = group->width() - 8;
        } else {
          continue;
        }
        if (textRoom > 0) {
          EXPECT_LE(c->fontMetrics().horizontalAdvance(text), textRoom) << when << " " << text.toStdString();
        }
        // Not cut by the edge of the page.
        const QRect inView(c->mapTo(viewport, QPoint(0, 0)), c->size());
        EXPECT_GE(inView.left(), 0) << when << " " << text.toStdString();
        EXPECT_LE(inView.right(), viewport->width() - 1) << when << " " << text.toStdString();
        ++checked;
      }
      EXPECT_GT(checked, 10) << when;
    }
  };
  checkWhole("start-up");
  EXPECT_EQ(w->size(), QSize(800, 544));
  for (const char* name : {"ScrollBox1", "ScrollBox2"})
    EXPECT_FALSE(Get<QScrollArea>(name)->verticalScrollBar()->isVisible()) << name;

  QCheckBox* exhaust = Get<QCheckBox>("cbExhaustVortices");
  pages->setCurrentIndex(1);
  QApplication::sendPostedEvents();
  const QRect exhaustWas = exhaust->geometry();
  const QRect runButtonsWere = Button("btnStart")->geometry();
  exhaust->setChecked(true);
  QApplication::sendPostedEvents();
  EXPECT_FALSE(Get<QLabel>("lbExhaustedVortices")->isHidden());
  EXPECT_EQ(exhaust->geometry(), exhaustWas);
  EXPECT_EQ(Button("btnStart")->geometry(), runButtonsWere);
  checkWhole("exhaust line shown");

  QFont larger = w->font();
  larger.setPointSizeF(larger.pointSizeF() * 1.25);
  w->setFont(larger);
  QApplication::sendPostedEvents();
  checkWhole("larger font");
  EXPECT_GT(pages->width(), 255);
  w->hide();
}

TEST_F(MainWindowTest, RefusedRunsLeaveButtonsIdle) {
  Pages()->setCurrentIndex(1);
  Edit("edDt")->setText(U("0"));
  Button("btnStart")->click();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Buttons(), "EDDED");
  EXPECT_EQ(DataCommands(), "EEEEE");
  EXPECT_EQ(w->ProcessCalls, 0);

  // A negative maximum neither cuts the free vortices nor starts.
  Edit("edDt")->setText(U("0,005"));
  Edit("edMaxTime")->setText(U("0,01"));
  Button("btnStart")->click();
  const int free = s.FreeCount;
  ASSERT_GT(free, 0);
  Edit("edMaxFreeVortex")->setText(U("-1"));
  Messages.clear();
  Button("btnContinue")->click();
  EXPECT_EQ(Messages.size(), 1);
  EXPECT_EQ(s.FreeCount, free);
  EXPECT_EQ(Buttons(), "EEDED");

  // The concentration run refused by its size distribution keeps the menu
  // item of the last results.
  Pages()->setCurrentIndex(0);
  s.Dust.Fractions = {{1e-05, 2e-05, 0.5}, {3e-05, 4e-05, 0.5}};
  Messages.clear();
  Button("btnStartCountConcentration")->click();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Messages[0], U("Ошибка в параметрах генератора случайных чисел"));
  EXPECT_EQ(Buttons(), "EEDED");
  EXPECT_TRUE(Action("miShowLastConcentration")->isVisible());
  EXPECT_TRUE(Shown.isEmpty());
}

TEST_F(MainWindowTest, PageSwitchRefusedWhileARunIsActive) {
  w->OnProcess = [&] {
    if (w->ProcessCalls == 1) Pages()->setCurrentIndex(0);
    if (w->ProcessCalls == 2) {
      EXPECT_EQ(Pages()->currentIndex(), 1);
      Button("btnStop")->click();
    }
  };
  StartRun("1");
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Messages[0], U("Переключение режима невозможно во время моделирования движения вихрей!"));
  EXPECT_EQ(Pages()->currentIndex(), 1);

  // After the run the page may be changed again.
  Pages()->setCurrentIndex(0);
  EXPECT_EQ(Pages()->currentIndex(), 0);

  Messages.clear();
  w->ProcessCalls = 0;
  std::string during;
  w->OnProcess = [&] {
    if (w->ProcessCalls == 1) {
      during = Buttons() + DataCommands();
      Pages()->setCurrentIndex(1);
    }
    if (w->ProcessCalls == 2) Button("btnStopCountConcentration")->click();
  };
  Get<TNumberField>("edNumParticle")->setValue(2);
  Get<TNumberField>("edNumIteration")->setValue(5);
  Button("btnStartCountConcentration")->click();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Messages[0], U("Переключение режима невозможно во время расчета концентрации!"));
  EXPECT_EQ(Pages()->currentIndex(), 0);
  EXPECT_EQ(during, "DDDDE" "DDDDD");
  // A stopped run shows no results and hides the menu item.
  EXPECT_EQ(Buttons(), "EEDED");
  EXPECT_TRUE(Shown.isEmpty());
  EXPECT_FALSE(Action("miShowLastConcentration")->isVisible());
  EXPECT_GT(s.ParticleCount, 0);

  // Switching to the velocity page takes the particles out of the picture;
  // switching back does not bring them back.
  Pages()->setCurrentIndex(1);
  EXPECT_EQ(s.ParticleCount, 0);
  EXPECT_TRUE(s.Particles.empty());
  Pages()->setCurrentIndex(0);
  EXPECT_EQ(s.ParticleCount, 0);
}

TEST_F(MainWindowTest, CompleteConcentrationRunShowsResults) {
  Action("miShowLastConcentration")->setVisible(false);
  Get<TNumberField>("edNumParticle")->setValue(2);
  Get<TNumberField>("edNumIteration")->setValue(2);
  Get<TNumberField>("edMaxResidence")->setValue(0.05);
  Button("btnStartCountConcentration")->click();
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  EXPECT_EQ(s.MaxResidence, 0.05);
  EXPECT_EQ(s.ParticleCount, 0);
  EXPECT_TRUE(LabelText("lbStep").startsWith(U("Шаг по времени: ")));
  EXPECT_TRUE(LabelText("lbStep").endsWith(U(" c")));
  EXPECT_EQ(Shown, QStringList{results.objectName()});
  EXPECT_TRUE(Action("miShowLastConcentration")->isVisible());
  EXPECT_EQ(Buttons(), "EDDED");
  EXPECT_EQ(DataCommands(), "EEEEE");

  Action("miShowLastConcentration")->trigger();
  EXPECT_EQ(Shown.size(), 2);
  auto* average = results.findChild<QLabel*>("lbSnapshots");
  ASSERT_NE(average, nullptr);
  EXPECT_TRUE(average->isHidden());

  // Averaged over two moments of the flow, 0,01 s apart: the vortex run goes
  // on with the velocity page's fields, and the results window shows the
  // average.
  Get<QCheckBox>("cbSnapshots")->setChecked(true);
  Get<TNumberField>("edSnapshotCount")->setValue(2);
  Get<TNumberField>("edSnapshotEvery")->setValue(0.01);
  Button("btnStartCountConcentration")->click();
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  ASSERT_EQ(w->LastSnapshots().Runs.size(), 2u);
  EXPECT_NEAR(w->LastSnapshots().Runs[1].Time - w->LastSnapshots().Runs[0].Time, 0.01, 0.0025 + 1e-12);
  EXPECT_EQ(Shown.size(), 3);
  EXPECT_FALSE(average->isHidden());
  EXPECT_TRUE(average->text().startsWith(U("Среднее по 2 мгновенным полям через 0,01 с"))) << average->text().toStdString();
  EXPECT_EQ(results.findChild<QLabel*>("lbOutputConcentration")->text().left(9),
            QString::fromStdString(FormatFixed(w->LastSnapshots().Output.Between.Mean, 8, 7)).left(9));
  EXPECT_EQ(Buttons(), "EDDED");
  // A plain run again shows its own results.
  Get<QCheckBox>("cbSnapshots")->setChecked(false);
  Button("btnStartCountConcentration")->click();
  EXPECT_TRUE(w->LastSnapshots().Empty());
  EXPECT_TRUE(average->isHidden());
}

// The particle step: as the run is described, automatic or typed; a typed
// step that is no positive number stops the command, and with own steps the
// moving vortices keep the time step of the velocity page.
TEST_F(MainWindowTest, ParticleStepChoiceReachesTheRun) {
  auto* choice = Get<QComboBox>("cbParticleStep");
  QLineEdit* step = Get<QLineEdit>("edParticleStep");
  EXPECT_EQ(LabelText("lbParticleStep"), U("Шаг интегрирования частиц"));
  ASSERT_EQ(choice->count(), 3);
  EXPECT_EQ(choice->itemText(0), U("по шагу ввода частиц"));
  EXPECT_EQ(choice->currentIndex(), 0);
  EXPECT_FALSE(step->isEnabled());
  choice->setCurrentIndex(2);
  EXPECT_TRUE(step->isEnabled());
  w->show();
  QApplication::sendPostedEvents();
  const QRect page = Get<QWidget>("TabSheet1")->contentsRect();
  EXPECT_LE(step->geometry().right(), page.right());
  EXPECT_GE(choice->width(), choice->minimumSizeHint().width());
  w->hide();

  Get<TNumberField>("edNumParticle")->setValue(2);
  Get<TNumberField>("edNumIteration")->setValue(2);
  Get<TNumberField>("edMaxResidence")->setValue(0.05);
  for (const char* bad : {"abc", "0", "-0,001"}) {
    Messages.clear();
    step->setText(U(bad));
    Button("btnStartCountConcentration")->click();
    ASSERT_EQ(Messages.size(), 1) << bad;
    EXPECT_TRUE(Shown.isEmpty()) << bad;
    EXPECT_EQ(Buttons(), "EDDED") << bad;
  }
  EXPECT_EQ(Messages[0], U(ParticleSubStepErrorText));

  Messages.clear();
  choice->setCurrentIndex(1);
  Get<QRadioButton>("rbVortexesMove")->setChecked(true);
  Get<QLineEdit>("edDt")->setText(U("0,01"));
  Button("btnStartCountConcentration")->click();
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  EXPECT_EQ(Shown, QStringList{results.objectName()});
  EXPECT_EQ(s.Dt, 0.01);
  EXPECT_EQ(s.ParticleCount, 0);
  EXPECT_GT(s.ConcentrationTime, 0.0);
}

// Each page has its own fast-mode box; a run computes as its page's box says.
TEST_F(MainWindowTest, FastModeBoxesChooseHowEachRunComputes) {
  auto* concentrationBox = Get<QCheckBox>("cbFastConcentration");
  auto* vortexBox = Get<QCheckBox>("cbFastVortexRun");
  for (QCheckBox* box : {concentrationBox, vortexBox}) {
    EXPECT_EQ(box->text(), U("Быстрый режим"));
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(box->toolTip().contains(U("двойной точности")));
    EXPECT_GE(box->width(), box->sizeHint().width());
  }
  EXPECT_TRUE(Pages()->widget(0)->isAncestorOf(concentrationBox));
  EXPECT_TRUE(Pages()->widget(1)->isAncestorOf(vortexBox));

  vortexBox->setChecked(true);
  StartRun("0,05");
  EXPECT_TRUE(s.Compute.Fast);
  EXPECT_GT(s.FreeCount, 0);
  Pages()->setCurrentIndex(0);
  Get<TNumberField>("edNumParticle")->setValue(2);
  Get<TNumberField>("edNumIteration")->setValue(2);
  Button("btnStartCountConcentration")->click();
  EXPECT_FALSE(s.Compute.Fast);
  concentrationBox->setChecked(true);
  Button("btnStartCountConcentration")->click();
  EXPECT_TRUE(s.Compute.Fast);
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
}

TEST_F(MainWindowTest, ExhaustBoxLetsVorticesGoAndShowsHowMany) {
  auto* box = Get<QCheckBox>("cbExhaustVortices");
  QLabel* gone = Get<QLabel>("lbExhaustedVortices");
  EXPECT_EQ(box->text(), U("Вихри уходят в отсос"));
  EXPECT_FALSE(box->isChecked());
  EXPECT_TRUE(Pages()->widget(1)->isAncestorOf(box));
  EXPECT_TRUE(gone->isHidden());
  s.Compute.Threads = 1;

  StartRun("1");
  EXPECT_FALSE(s.Compute.ExhaustVortices);
  EXPECT_EQ(s.ExhaustedVortexCount, 0);
  EXPECT_TRUE(gone->isHidden());
  const int stayed = s.FreeCount;

  box->setChecked(true);
  EXPECT_FALSE(gone->isHidden());
  EXPECT_EQ(gone->text(), U("Ушло в отсос: 0"));
  StartRun("1");
  EXPECT_TRUE(s.Compute.ExhaustVortices);
  ASSERT_GT(s.ExhaustedVortexCount, 0);
  EXPECT_LT(s.FreeCount, stayed);
  EXPECT_EQ(gone->text(), U("Ушло в отсос: ") + QString::number(s.ExhaustedVortexCount));
  EXPECT_EQ(LabelText("lbVortexCount"), U("Свободных вихрей: ") + QString::number(s.FreeCount));
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();

  box->setChecked(false);
  EXPECT_TRUE(gone->isHidden());
}

TEST_F(MainWindowTest, LoadAndSaveRoundTrip) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  Pages()->setCurrentIndex(1);
  Edit("edDt")->setText(U("0,01"));
  StartRun("0,03");
  const int free = s.FreeCount;
  const double time = s.Time;
  ASSERT_GT(free, 0);

  SaveName = dir.filePath(QStringLiteral("run.evt"));
  Action("miSave")->trigger();
  ASSERT_TRUE(QFile::exists(SaveName));
  EXPECT_TRUE(Messages.isEmpty());

  // A second program loads the file through its menu.
  TModelState other;
  other.Area.H = 0.04;
  TTestMain second(other);
  second.SetUiServices(Services);
  QTabWidget* pages = second.findChild<QTabWidget*>("PageControl1");
  pages->setCurrentIndex(1);
  OpenName = SaveName;
  second.findChild<QAction*>("miLoad")->trigger();
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  EXPECT_EQ(other.FreeCount, free);
  EXPECT_EQ(other.Time, time);
  EXPECT_EQ(other.Area.H, 0.05);
  EXPECT_EQ(other.BoundCount, s.BoundCount);
  auto text = [&second](const char* name) { return second.findChild<QLineEdit*>(name)->text(); };
  EXPECT_EQ(text("edMaxTime"), U("1"));
  EXPECT_EQ(text("edMaxFreeVortex"), U("200"));
  EXPECT_EQ(text("edDt"), U("0,01"));
  EXPECT_EQ(second.findChild<QLabel*>("lbTime")->text(),
            U("Прошло времени: ") + QString::fromStdString(FormatFixed(time, 6, 3)) + U(" сек."));
  EXPECT_EQ(second.findChild<QLabel*>("lbVortexCount")->text(), U("Свободных вихрей: ") + QString::number(free));
  EXPECT_TRUE(second.findChild<QPushButton*>("btnContinue")->isEnabled());
  EXPECT_EQ(second.findChild<QLabel*>("StatusPanel")->text(), QString::fromStdString(BoundCountText(s.BoundCount)));

  // A file that is not a vortex structure is reported and changes nothing.
  const QString bad = dir.filePath(QStringLiteral("bad.evt"));
  {
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a vortex file");
  }
  EXPECT_FALSE(w->LoadFile(bad));
  EXPECT_EQ(Messages.size(), 1);
  EXPECT_EQ(s.FreeCount, free);
  EXPECT_EQ(Edit("edDt")->text(), U("0,01"));
}

TEST_F(MainWindowTest, AFileWithAFlippedBitIsRefusedWithItsReason) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TModelState flipped;
  BuildArea(flipped.Area, flipped.Flow());
  flipped.Vortices[0].Gamma = 1e4000L;  // beyond the doubles the velocities are rounded to
  std::vector<std::uint8_t> bytes;
  std::string reason;
  ASSERT_TRUE(EncodeVortexStructure(flipped.Case(), flipped.Flow(), bytes, reason)) << reason;
  const QString path = dir.filePath(QStringLiteral("flipped.evt"));
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
  }
  const int bound = s.BoundCount;
  OpenName = path;
  Action("miLoad")->trigger();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(U("присоединенный вихрь № 1 содержит число вне допустимого диапазона")))
      << Messages[0].toStdString();
  EXPECT_EQ(s.BoundCount, bound);
}

// The failures the core returns reach the user as a message box: a save that
// cannot be written, and each run in a flow whose numbers stop being finite.
TEST_F(MainWindowTest, AFailedSaveAndRunsThatStopBeingFiniteShowTheirMessage) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  SaveName = dir.filePath(QStringLiteral("missing/run.evt"));
  Action("miSave")->trigger();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(U("Не удалось сохранить вихревую структуру в файл"))) << Messages[0].toStdString();

  // A flow with a free vortex under the inflow whose circulation is near the
  // largest double: inside the range a file may hold, but not the velocities
  // it induces.
  TModelState strong;
  strong.Area.H = 0.05;
  BuildArea(strong.Area, strong.Flow());
  strong.FreeCount = 1;
  strong.Vortices[strong.BoundCount] = TVortex{{0.2L, 0.6L}, 1.7e308L};
  const QString path = dir.filePath(QStringLiteral("strong.evt"));
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(strong.Case(), strong.Flow(), QFile::encodeName(path).toStdString(), error))
      << error;
  auto failureAfterLoad = [&](const std::function<void()>& command) {
    Messages.clear();
    EXPECT_TRUE(w->LoadFile(path));
    command();
    EXPECT_EQ(Messages.size(), 1);
    return Messages.isEmpty() ? std::string() : Messages[0].toStdString();
  };
  Pages()->setCurrentIndex(1);
  EXPECT_EQ(failureAfterLoad([&] {
              Edit("edX")->setText(U("0,2"));
              Edit("edY")->setText(U("0,59"));
              Button("btnBuildFlowLine")->click();
            }).rfind("Построение линии тока остановлено: на шаге 1 ", 0),
            0u);
  EXPECT_EQ(s.FlowLineCount, 0);
  Pages()->setCurrentIndex(0);
  EXPECT_NE(failureAfterLoad([&] { Button("btnStartCountConcentration")->click(); })
                .find("Расчет концентрации остановлен"),
            std::string::npos);
  EXPECT_TRUE(Shown.isEmpty());  // no results window
  EXPECT_EQ(Buttons(), "EEDED");

  // A vortex run stays finite even in that flow (its vortices are extended
  // numbers); one whose vortex is no longer a number fails before its first
  // step.
  Messages.clear();
  StartRun("0,02");
  ASSERT_GT(s.FreeCount, 0);
  ASSERT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  s.Vortices[s.BoundCount].Gamma = std::numeric_limits<Extended>::quiet_NaN();
  Edit("edMaxTime")->setText(U("1"));
  Button("btnContinue")->click();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Messages[0].toStdString(), NonFiniteRunText("Расчет поля скоростей остановлен", 0));
  EXPECT_EQ(Buttons(), "EEDED");
}

TEST_F(MainWindowTest, CancelledLoadEnablesContinue) {
  ASSERT_FALSE(Button("btnContinue")->isEnabled());
  OpenName.clear();
  Action("miLoad")->trigger();
  EXPECT_TRUE(Button("btnContinue")->isEnabled());
  EXPECT_TRUE(Messages.isEmpty());
  // A cancelled save writes nothing and says nothing.
  SaveName.clear();
  Action("miSave")->trigger();
  EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(MainWindowTest, RefusedLoadKeepsContinueAndValuesBeyondTheDialogShowAsItsLimits) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // A refused file ends the command with its message: nothing to continue.
  const QString bad = dir.filePath(QStringLiteral("bad.evt"));
  {
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a vortex file");
  }
  ASSERT_FALSE(Button("btnContinue")->isEnabled());
  OpenName = bad;
  Action("miLoad")->trigger();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(bad)) << Messages[0].toStdString();
  EXPECT_FALSE(Button("btnContinue")->isEnabled());

  // A file with a spacing of 2 m, beyond the dialog's field, loads.
  TModelState coarse;
  coarse.Area.H = 2.0;
  BuildArea(coarse.Area, coarse.Flow());
  const QString path = dir.filePath(QStringLiteral("coarse.evt"));
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(coarse.Case(), coarse.Flow(), QFile::encodeName(path).toStdString(), error))
      << error;
  Messages.clear();
  OpenName = path;
  Action("miLoad")->trigger();
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  EXPECT_EQ(s.Area.H, 2.0);
  EXPECT_EQ(s.BoundCount, coarse.BoundCount);
  EXPECT_TRUE(Button("btnContinue")->isEnabled());

  // The enclosure dialog shows the field's limit; cancelled, the model keeps
  // the loaded value.
  TfrmAreaParams area;
  w->SetWindows(nullptr, &area, nullptr, &results);
  TUiServices dialogServices = Services;
  double shown = 0;
  dialogServices.execDialog = [&](QDialog* dialog) {
    shown = area.findChild<TNumberField*>("edH")->value();
    return dialog == &area ? int(QDialog::Rejected) : int(QDialog::Accepted);
  };
  area.SetUiServices(dialogServices);
  Action("N12")->trigger();
  EXPECT_EQ(shown, 1.0);
  EXPECT_EQ(s.Area.H, 2.0);
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
}

TEST_F(MainWindowTest, WithoutAFlowTheUserIsAskedAndNoStopsTheCommand) {
  QStringList questions;
  bool answer = false;
  Services.confirm = [&](QWidget*, const QString& question) {
    questions << question;
    return answer;
  };
  w->SetUiServices(Services);
  ASSERT_FALSE(FlowComputed(s.Flow()));  // nothing has computed the circulations yet
  Get<TNumberField>("edNumParticle")->setValue(2);
  Get<TNumberField>("edNumIteration")->setValue(2);
  Button("btnStartCountConcentration")->click();
  ASSERT_EQ(questions.size(), 1);
  EXPECT_EQ(questions[0], QString::fromUtf8(FlowNotComputedQuestion));
  EXPECT_TRUE(questions[0].startsWith(U("Поле скоростей не рассчитано: ")));
  EXPECT_EQ(w->ProcessCalls, 0);
  EXPECT_TRUE(LabelText("lbStep").isEmpty());
  EXPECT_EQ(s.ConcentrationSteps, 0);
  EXPECT_TRUE(Shown.isEmpty());
  EXPECT_EQ(Buttons(), "EDDED");

  // A run or a line the core refuses is refused before any question.
  s.Dust.InputConcentration = -1;
  Button("btnStartCountConcentration")->click();
  EXPECT_EQ(questions.size(), 1);
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(U("концентрац"), Qt::CaseInsensitive)) << Messages[0].toStdString();
  s.Dust.InputConcentration = TDustParams{}.InputConcentration;
  Pages()->setCurrentIndex(1);
  Edit("edStep")->setText(U("0"));
  Button("btnBuildFlowLine")->click();
  EXPECT_EQ(questions.size(), 1);
  EXPECT_EQ(Messages.size(), 2);
  Edit("edStep")->setText(U("0,005"));
  Pages()->setCurrentIndex(0);
  Messages.clear();

  // Moving vortices get their flow solved by the run itself: no question.
  Get<QRadioButton>("rbVortexesMove")->setChecked(true);
  w->OnProcess = [&] { Button("btnStopCountConcentration")->click(); };
  Button("btnStartCountConcentration")->click();
  EXPECT_EQ(questions.size(), 1);
  EXPECT_GT(w->ProcessCalls, 0);
  w->OnProcess = nullptr;
  Get<QRadioButton>("rbVortexesFixed")->setChecked(true);

  // The streamline is asked about too; No traces nothing, Yes goes on.
  Pages()->setCurrentIndex(1);
  s.FreeCount = 0;  // the moving vortices left a flow: back to none
  BuildArea(s.Area, s.Flow());
  Button("btnBuildFlowLine")->click();
  EXPECT_EQ(questions.size(), 2);
  EXPECT_EQ(s.FlowLineCount, 0);
  answer = true;
  Button("btnBuildFlowLine")->click();
  EXPECT_EQ(questions.size(), 3);
  EXPECT_EQ(s.FlowLineCount, 1);

  // After a vortex run there is a flow, and nothing is asked.
  answer = false;
  StartRun("0,01");
  Button("btnBuildFlowLine")->click();
  EXPECT_EQ(s.FlowLineCount, 2);
  EXPECT_GT(s.FlowLines[1].size(), 1u);
  EXPECT_EQ(questions.size(), 3);
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
}

TEST_F(MainWindowTest, RunProgressShowsInTheStatusBarAndTheEndIsRedrawn) {
  QProgressBar* bar = Get<QProgressBar>("RunProgress");
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isHidden());

  struct TSeen {
    QString text;
    int value;
    int maximum;
    bool shown;
  };
  std::vector<TSeen> seen;
  w->OnProcess = [&] { seen.push_back({bar->format(), bar->value(), bar->maximum(), !bar->isHidden()}); };
  Get<TNumberField>("edNumParticle")->setValue(2);
  Get<TNumberField>("edNumIteration")->setValue(3);
  Get<TNumberField>("edMaxResidence")->setValue(0.05);
  Button("btnStartCountConcentration")->click();
  ASSERT_EQ(Shown, QStringList{results.objectName()});
  ASSERT_GT(seen.size(), 3u);
  // The first half of the bar fills with the moments of the injection.
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(seen[k].text, U("Момент %1 из 3").arg(k + 1));
    EXPECT_EQ(seen[k].value, 500 * (k + 1) / 3);
    EXPECT_EQ(seen[k].maximum, 1000);
    EXPECT_TRUE(seen[k].shown);
  }
  // Then the particles in flight and the steps made; the second half fills
  // as the injected dust leaves the flight.
  const QRegularExpression drain(U("^Частиц в полете: (\\d+), шагов: (\\d+), время: \\d+,\\d{3} с$"));
  long long lastSteps = 0;
  for (size_t k = 3; k < seen.size(); ++k) {
    const QRegularExpressionMatch m = drain.match(seen[k].text);
    ASSERT_TRUE(m.hasMatch()) << seen[k].text.toStdString();
    EXPECT_EQ(seen[k].maximum, 1000);
    EXPECT_GE(seen[k].value, seen[k - 1].value);
    EXPECT_EQ(seen[k].value == 1000, m.captured(1).toInt() == 0);
    EXPECT_GT(m.captured(2).toLongLong(), lastSteps);
    lastSteps = m.captured(2).toLongLong();
    EXPECT_TRUE(seen[k].shown);
  }
  EXPECT_LE(lastSteps, s.ConcentrationSteps);
  EXPECT_TRUE(bar->isHidden());

  // The picture shows the end of the run, not the particles of its last
  // repaint.
  const QImage afterRun = w->Renderer().SceneBitmap.copy();
  w->btnDrawClick();
  EXPECT_TRUE(afterRun == w->Renderer().SceneBitmap);

  // The vortex run: its time against the maximum.
  seen.clear();
  StartRun("0,02");
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(seen[0].text, QString::fromStdString(VortexRunProgressText(0.005, 0.02)));
  EXPECT_EQ(seen[0].maximum, 1000);
  EXPECT_NEAR(seen[0].value, 250, 1);
  EXPECT_EQ(seen.back().value, 1000);
  EXPECT_TRUE(seen.back().shown);
  EXPECT_TRUE(bar->isHidden());
}

// The concentration run's bar never goes back, with fixed and with moving
// vortices: half of it for the injection, the rest as the dust leaves.
TEST_F(MainWindowTest, ConcentrationProgressNeverGoesBack) {
  QProgressBar* bar = Get<QProgressBar>("RunProgress");
  std::vector<double> filled;  // the filled share of the bar at each report
  w->OnProcess = [&] {
    if (!bar->isHidden()) filled.push_back(static_cast<double>(bar->value()) / bar->maximum());
  };
  Get<TNumberField>("edNumParticle")->setValue(20);
  Get<TNumberField>("edNumIteration")->setValue(4);
  Get<TNumberField>("edMaxResidence")->setValue(0.05);
  for (const char* vortices : {"rbVortexesFixed", "rbVortexesMove"}) {
    filled.clear();
    Get<QRadioButton>(vortices)->setChecked(true);
    Button("btnStartCountConcentration")->click();
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
    ASSERT_GT(filled.size(), 4u) << vortices;
    EXPECT_EQ(filled[3], 0.5) << vortices;  // the last moment
    for (size_t k = 1; k < filled.size(); ++k) EXPECT_GE(filled[k], filled[k - 1]) << vortices << " " << k;
    EXPECT_LE(filled.back(), 1.0) << vortices;
  }
}

// A size that cannot be used is said and the size in use shown again.
TEST_F(MainWindowTest, AVortexSizeThatIsNoSizeIsReported) {
  auto* size = Get<TNumberField>("edVortexSize");
  size->findChild<QLineEdit*>()->setText(U("5"));
  emit size->editingFinished();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(U("Размер свободных вихрей"))) << Messages[0].toStdString();
  EXPECT_EQ(size->text(), U("3"));
  EXPECT_EQ(s.FreeVortexSize, 3);
  size->findChild<QLineEdit*>()->setText(U("2"));
  emit size->editingFinished();
  EXPECT_EQ(Messages.size(), 1);
  EXPECT_EQ(s.FreeVortexSize, 2);
}

TEST_F(MainWindowTest, StreamlinesAreTracedAndErased) {
  Pages()->setCurrentIndex(1);
  Edit("edY")->setText(U("0,3"));
  Button("btnBuildFlowLine")->click();
  Button("btnBuildFlowLine")->click();
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  ASSERT_EQ(s.FlowLineCount, 2);
  EXPECT_EQ(s.FlowLines.size(), 2u);
  EXPECT_EQ(s.FlowLines[0].size(), s.FlowLines[1].size());

  Button("btnEraseFlowLines")->click();
  EXPECT_EQ(s.FlowLineCount, 0);
  EXPECT_TRUE(s.FlowLines.empty());

  // A step the core refuses stores nothing.
  Edit("edStep")->setText(U("0"));
  Button("btnBuildFlowLine")->click();
  EXPECT_EQ(Messages.size(), 1);
  EXPECT_EQ(s.FlowLineCount, 0);
}

TEST_F(MainWindowTest, ZoomPanAndVortexSizeChangeTheView) {
  const TPaintBox* box = w->PaintBox();
  TViewState expected = w->View();
  Get<QToolButton>("ToolButton1")->click();
  ZoomIn(expected, box->width(), box->height());
  EXPECT_EQ(w->View().Scale, expected.Scale);
  EXPECT_EQ(w->View().OriginX, expected.OriginX);
  EXPECT_EQ(w->View().OriginY, expected.OriginY);
  EXPECT_EQ(w->Renderer().ViewScale, ToDouble(expected.Scale));

  Get<QToolButton>("ToolButton2")->click();
  Action("miZoomOut")->trigger();
  ZoomOut(expected, box->width(), box->height());
  ZoomOut(expected, box->width(), box->height());
  EXPECT_EQ(w->View().Scale, expected.Scale);
  EXPECT_EQ(w->View().OriginX, expected.OriginX);
  EXPECT_LT(w->View().Scale, 400.0L);

  Get<QToolButton>("ToolButton3")->click();
  EXPECT_EQ(w->View().Scale, 400.0L);
  EXPECT_EQ(w->View().OriginX, 30);
  EXPECT_EQ(w->View().OriginY, box->height() - 30);

  // Dragging with the mouse pans the picture; a move without a press does not.
  emit w->PaintBox()->MouseMove(50, 50);
  EXPECT_EQ(w->View().OriginX, 30);
  emit w->PaintBox()->MouseDown(100, 100);
  emit w->PaintBox()->MouseMove(110, 95);
  emit w->PaintBox()->MouseUp(110, 95);
  emit w->PaintBox()->MouseMove(200, 200);
  EXPECT_EQ(w->View().OriginX, 40);
  EXPECT_EQ(w->View().OriginY, box->height() - 35);
  EXPECT_EQ(w->Renderer().ViewX0, 40);

  Get<TNumberField>("edVortexSize")->setValue(1);
  EXPECT_EQ(s.FreeVortexSize, 1);
}

TEST_F(MainWindowTest, ClosingDuringARunStopsIt) {
  QGuiApplication::setQuitOnLastWindowClosed(false);
  w->show();
  w->OnProcess = [&] {
    if (w->ProcessCalls == 1) w->close();
  };
  StartRun("1");
  EXPECT_EQ(w->ProcessCalls, 1);
  EXPECT_TRUE(s.StopVortexRun);
  EXPECT_LT(s.Time, 0.0051);
  EXPECT_EQ(w->ActiveRun(), TfrmMain::TRunKind::None);
}

// Leaving by "Выход" or the close box while a run is active asks first: No
// lets the run go on to its end with the window open, Yes stops it and closes.
// Without a run nothing is asked. The menus open with Alt and a letter.
TEST_F(MainWindowTest, LeavingDuringARunAsksFirst) {
  QGuiApplication::setQuitOnLastWindowClosed(false);
  QStringList questions;
  bool answer = false;
  Services.confirm = [&](QWidget*, const QString& text) {
    questions << text;
    return answer;
  };
  w->SetUiServices(Services);
  const QString question = U("Расчет не завершен. Прервать его и выйти?");

  w->show();
  w->OnProcess = [&] {
    if (w->ProcessCalls == 1) Action("N5")->trigger();
  };
  StartRun("0,02");
  EXPECT_EQ(questions, QStringList{question});
  EXPECT_TRUE(w->isVisible());
  EXPECT_FALSE(s.StopVortexRun);
  EXPECT_GT(s.Time, 0.02);  // the run went on to its end
  EXPECT_GT(w->ProcessCalls, 1);

  // The concentration run, closed by the window's close box: Yes.
  questions.clear();
  answer = true;
  Pages()->setCurrentIndex(0);
  Get<TNumberField>("edMaxResidence")->setValue(0.05);
  const int callsBefore = w->ProcessCalls;
  w->OnProcess = [&] {
    if (w->ProcessCalls == callsBefore + 1) w->close();
  };
  Button("btnStartCountConcentration")->click();
  EXPECT_EQ(questions, QStringList{question});
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(s.StopConcentration);
  EXPECT_EQ(w->ProcessCalls, callsBefore + 1);
  EXPECT_TRUE(Shown.isEmpty());  // no results of a run that was stopped
  EXPECT_EQ(w->ActiveRun(), TfrmMain::TRunKind::None);

  questions.clear();
  w->show();
  w->close();
  EXPECT_TRUE(questions.isEmpty());
  EXPECT_FALSE(w->isVisible());

  QStringList mnemonics;
  for (QAction* menu : w->menuBar()->actions()) {
    const QString title = menu->text();
    ASSERT_EQ(title.count(QLatin1Char('&')), 1) << title.toStdString();
    mnemonics << title.mid(title.indexOf(QLatin1Char('&')) + 1, 1).toUpper();
  }
  EXPECT_EQ(mnemonics, (QStringList{U("Д"), U("П"), U("Р"), U("М"), U("С")}));
}

TEST_F(MainWindowTest, ConfirmedEnclosureDiscardsTheSimulation) {
  TfrmAreaParams area;
  TfrmDustProperties dust;
  w->SetWindows(nullptr, &area, &dust, &results);
  // The user sets a coarser spacing and confirms, or cancels.
  bool confirm = false;
  TUiServices dialogServices = Services;
  dialogServices.execDialog = [&](QDialog* dialog) {
    if (dialog != &area) return int(QDialog::Rejected);
    EXPECT_DOUBLE_EQ(area.findChild<TNumberField*>("edH")->value(), 0.05);  // filled from the model
    area.findChild<TNumberField*>("edH")->setValue(0.1);
    if (!confirm) return int(QDialog::Rejected);
    area.BitBtn1Click();
    return area.result();
  };
  area.SetUiServices(dialogServices);

  StartRun("0,02");
  const int free = s.FreeCount;
  const int bound = s.BoundCount;
  ASSERT_GT(free, 0);
  Action("N12")->trigger();
  EXPECT_EQ(s.FreeCount, free);
  EXPECT_EQ(s.Area.H, 0.05);
  EXPECT_TRUE(Button("btnContinue")->isEnabled());

  confirm = true;
  Action("N12")->trigger();
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  EXPECT_EQ(s.Area.H, 0.1);
  EXPECT_EQ(s.FreeCount, 0);
  EXPECT_EQ(s.Time, 0.0);
  EXPECT_LT(s.BoundCount, bound);
  EXPECT_EQ(Get<QLabel>("StatusPanel")->text(), QString::fromStdString(BoundCountText(s.BoundCount)));
  EXPECT_EQ(LabelText("lbTime"), U("Прошло времени: "));
  EXPECT_EQ(LabelText("lbVortexCount"), U("Свободных вихрей: "));
  EXPECT_EQ(Buttons(), "EDDED");

  // The dust dialog confirmed with a new density stores it.
  dialogServices.execDialog = [&](QDialog* dialog) {
    if (dialog != &dust) return int(QDialog::Rejected);
    dust.findChild<TNumberField*>("edParticleDencity")->setValue(2500);
    dust.BitBtn1Click();
    return dust.result();
  };
  dust.SetUiServices(dialogServices);
  Action("N4")->trigger();
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
  EXPECT_EQ(s.Dust.ParticleDensity, 2500.0);
  EXPECT_EQ(s.Dust.Fractions.size(), 2u);
}

TEST_F(MainWindowTest, KeyboardFocusFollowsTheRunButtons) {
  w->show();
  QApplication::setActiveWindow(w.get());
  Pages()->setCurrentIndex(1);
  Edit("edMaxTime")->setText(U("0,01"));
  Button("btnStart")->setFocus();
  ASSERT_TRUE(Button("btnStart")->hasFocus());
  QWidget* during = nullptr;
  w->OnProcess = [&] { during = QApplication::focusWidget(); };
  Button("btnStart")->click();
  EXPECT_EQ(during, Button("btnStop"));
  EXPECT_TRUE(Button("btnStart")->hasFocus());

  // Stopped by the keyboard, the focus goes on to Continue.
  Edit("edMaxTime")->setText(U("1"));
  w->OnProcess = [&] { Button("btnStop")->click(); };
  Button("btnStart")->click();
  EXPECT_TRUE(Button("btnContinue")->hasFocus());
}

}  // namespace
}  // namespace ltr

namespace ltr {
namespace {

// The fifth drawing toggle colours the interior by speed; "Сохранить
// рисунок…" writes the picture on the screen as a PNG file, and a file that
// cannot be written is reported, not passed over.
TEST_F(MainWindowTest, SpeedFieldToggleAndTheSavedPicture) {
  QToolButton* field = Get<QToolButton>("tbDrawSpeedField");
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->toolTip(), U("Поле скоростей"));
  EXPECT_TRUE(field->isCheckable());
  EXPECT_FALSE(field->isChecked());
  EXPECT_EQ(Action("miSavePicture")->text(), U("Сохранить рисунок…"));

  StartRun("0,05");
  const QImage plain = w->Renderer().SceneBitmap;
  EXPECT_FALSE(w->Renderer().SpeedField);
  field->click();
  EXPECT_TRUE(w->Renderer().SpeedField);
  EXPECT_GT(w->Renderer().Field.MaxSpeed, 0.0);
  EXPECT_NE(w->Renderer().SceneBitmap, plain);

  QTemporaryDir dir;
  QString pictureName = dir.filePath(QStringLiteral("рисунок.png"));
  Services.savePictureFile = [&pictureName](QWidget*) { return pictureName; };
  w->SetUiServices(Services);
  Action("miSavePicture")->trigger();
  const QImage saved(pictureName);
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), w->Renderer().SceneBitmap.convertToFormat(QImage::Format_RGB32));
  EXPECT_TRUE(Messages.isEmpty());

  pictureName = dir.filePath(QStringLiteral("нет/рисунок.png"));
  Action("miSavePicture")->trigger();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(U("Не удалось сохранить рисунок: "))) << Messages[0].toStdString();

  field->click();
  EXPECT_EQ(w->Renderer().SceneBitmap, plain);
}

}  // namespace
}  // namespace ltr
