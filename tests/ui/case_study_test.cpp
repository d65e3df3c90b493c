// The engineer's work around a run in the window: cases kept in files (the
// same runs in ltr-cli), the unsaved-changes question, refused files, the
// parameter study (the rows of ltr-cli sweep), the report and the guide.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "io/case_file.h"
#include "io/results_export.h"
#include "ltr/version.h"
#include "ui/case_controller.h"
#include "ui/help_window.h"
#include "ui/main_window.h"
#include "ui/number_field.h"
#include "ui/results_window.h"
#include "ui/study_window.h"

namespace ltr {
namespace {

using testing::CliResult;
using testing::PdfText;
using testing::ReadWhole;
using testing::RunCli;

QString U(const char* text) { return QString::fromUtf8(text); }

class CaseStudyTest : public ::testing::Test {
 protected:
  CaseStudyTest() {
    // A coarse enclosure and a thin dust keep the runs short.
    s.Area.H = 0.05;
    s.Dust.InputConcentration = 3e-6;
    w = std::make_unique<TfrmMain>(s);
    Services = DefaultUiServices();
    Services.message = [this](QWidget*, const QString& text) { Messages << text; };
    Services.confirm = [](QWidget*, const QString&) { return true; };
    Services.askSaveChanges = [this](QWidget*, const QString& text) {
      Questions << text;
      return Answer;
    };
    Services.execDialog = [this](QDialog* dialog) {
      if (WhileShown) WhileShown(dialog);
      return int(QDialog::Accepted);
    };
    Services.saveVortexFile = [this](QWidget*) { return File("run.evt"); };
    Services.saveCaseFile = [this](QWidget*) { return File("case.json"); };
    Services.saveReportFile = [this](QWidget*) { return ReportName; };
    Services.saveTableFile = [this](QWidget*) { return File("study.csv"); };
    Services.loadRecentCases = [this] { return Recent; };
    Services.storeRecentCases = [this](const QStringList& files) { Recent = files; };
    w->SetUiServices(Services);
    results.SetUiServices(Services);
    w->SetWindows(nullptr, nullptr, nullptr, &results);
    w->SetConcentrationOptions({TSizeSeed::Fixed(9), 0, TParticleStepMode::Described()});
  }

  QString File(const char* name) const { return Dir.filePath(QString::fromUtf8(name)); }
  template <typename T>
  T* Get(const char* name) const {
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  TCaseController& Cases() const { return *w->Cases(); }
  QString CaseText() const {
    const std::optional<TCaseFile> now = Cases().CurrentCase();
    return now ? QString::fromStdString(CaseFileText(*now)) : QString();
  }
  // A short vortex run, so that the flow has free vortices.
  void RunVortices() {
    Get<QLineEdit>("edMaxTime")->setText(U("0,02"));
    Get<QLineEdit>("edMaxFreeVortex")->setText(U("20"));
    Get<QPushButton>("btnStart")->click();
  }

  QTemporaryDir Dir;
  TModelState s;
  std::unique_ptr<TfrmMain> w;
  TfrmShowOutputConcentration results;
  TUiServices Services;
  QStringList Messages;
  QStringList Questions;
  TUiServices::TAnswer Answer = TUiServices::TAnswer::Cancel;
  std::function<void(QDialog*)> WhileShown;
  QString ReportName;
  QStringList Recent;
};

// A case saved in the window names the vortex structure file of its flow and
// the fields of both pages: ltr-cli runs it to the same numbers, byte for
// byte, as the window's own run with the same seed. The report of the run
// holds the numbers as the results window shows them.
TEST_F(CaseStudyTest, ASavedCaseRunsInLtrCliAsInTheWindowAndItsReportHoldsTheResults) {
  RunVortices();
  ASSERT_TRUE(w->SaveFile(File("run.evt")));
  Get<TNumberField>("edNumParticle")->setValue(3);
  Get<TNumberField>("edNumIteration")->setValue(4);
  Get<TNumberField>("edMaxResidence")->setValue(0.2);
  Get<QRadioButton>("rbVortexesMove")->setChecked(true);
  Get<QComboBox>("cbParticleStep")->setCurrentIndex(1);
  Get<QCheckBox>("cbExhaustVortices")->setChecked(true);
  ASSERT_TRUE(Cases().SaveAs(File("case.json")));
  EXPECT_EQ(Get<QLabel>("lbCaseName")->text(), U("Расчет: case"));
  EXPECT_EQ(Recent, QStringList{File("case.json")});
  TCaseFile saved;
  ASSERT_TRUE(ReadCaseFile(File("case.json").toStdString(), saved));
  EXPECT_EQ(saved.VortexFile, "run.evt");  // beside the case

  Get<QPushButton>("btnStartCountConcentration")->click();
  ASSERT_TRUE(Messages.isEmpty()) << Messages.join(U(" | ")).toStdString();
  const nlohmann::json window = ResultsJson(s, VersionText)["results"];
  const CliResult cli = RunCli({"concentration", "--case", File("case.json").toStdString(), "--seed", "9", "--quiet"});
  ASSERT_EQ(cli.status, 0) << cli.err;
  const nlohmann::json line = nlohmann::json::parse(cli.out);
  for (const auto& [key, value] : window.items()) {
    ASSERT_TRUE(line.contains(key)) << key;
    EXPECT_EQ(line[key].dump(), value.dump()) << key;
  }

  // The report, from the results window the run showed.
  ReportName = File("run.pdf");
  results.findChild<QPushButton*>(QStringLiteral("btnReport"))->click();
  ASSERT_TRUE(Messages.isEmpty()) << Messages.join(U(" | ")).toStdString();
  const std::string pdf = ReadWhole(ReportName.toStdString());
  ASSERT_EQ(pdf.compare(0, 5, "%PDF-"), 0);
  EXPECT_NE(pdf.find("/FontFile2"), std::string::npos);  // the fonts are embedded
  const std::string text = PdfText(ReportName.toStdString());
  for (const char* label : {"lbRealInputConcentration", "lbOutputConcentration"}) {
    const QString shown = results.findChild<QLabel*>(QString::fromLatin1(label))->text();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_NE(text.find(shown.toStdString()), std::string::npos) << shown.toStdString() << "\n" << text;
  }
  for (const char* words : {"Отчет о расчете концентрации", "Судьба частиц", "версия", VersionText,
                            "Зерно генератора размеров частиц", "Слева от притока"})
    EXPECT_NE(text.find(words), std::string::npos) << words;
  // A report that cannot be written says so.
  ReportName = File("none/run.pdf");
  results.findChild<QPushButton*>(QStringLiteral("btnReport"))->click();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(U("Не удалось записать отчет в файл"))) << Messages[0].toStdString();
}

// The question comes exactly when the case differs from the one last opened
// or saved: a field changed and changed back is no change, a run is none
// (though it sets the particle time step), a changed dust is one, and the
// vortex file the case names after a save of the flow is one.
TEST_F(CaseStudyTest, TheUnsavedChangesQuestionComesExactlyWhenSomethingChanged) {
  auto asks = [this] {
    const qsizetype before = Questions.size();
    Answer = TUiServices::TAnswer::Cancel;
    const bool mayGo = Cases().MayDiscardChanges();
    EXPECT_EQ(mayGo, Questions.size() == before);
    return Questions.size() > before;
  };
  EXPECT_FALSE(asks());
  Get<TNumberField>("edNumParticle")->setValue(20);
  EXPECT_TRUE(asks());
  EXPECT_EQ(Questions.back(), U("Сохранить изменения в расчете «Новый расчет»?"));
  Get<TNumberField>("edNumParticle")->setValue(10);
  EXPECT_FALSE(asks());
  Get<QPushButton>("btnStartCountConcentration")->click();
  EXPECT_FALSE(asks());
  Get<QLineEdit>("edDt")->setText(U("abc"));  // no case file could hold it
  EXPECT_TRUE(asks());
  Get<QLineEdit>("edDt")->setText(U("0,005"));
  EXPECT_FALSE(asks());

  // "Да" saves the case where the user says; then nothing is changed.
  Get<QLineEdit>("edMaxTime")->setText(U("0,02"));
  Get<QLineEdit>("edMaxFreeVortex")->setText(U("20"));
  s.Dust.ParticleDensity = 2000;
  Answer = TUiServices::TAnswer::Yes;
  EXPECT_TRUE(Cases().MayDiscardChanges());
  EXPECT_TRUE(QFile::exists(File("case.json")));
  EXPECT_FALSE(asks());
  RunVortices();
  EXPECT_FALSE(asks());
  ASSERT_TRUE(w->SaveFile(File("run.evt")));
  EXPECT_TRUE(asks());
  EXPECT_EQ(Questions.back(), U("Сохранить изменения в расчете «case»?"));

  // Closing the window asks too: "Отмена" keeps it open, "Нет" lets it close.
  w->show();
  Answer = TUiServices::TAnswer::Cancel;
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(w->isVisible());
  Answer = TUiServices::TAnswer::No;
  EXPECT_TRUE(w->close());
}

// A file the program cannot take is refused with one message naming it and
// what is wrong, and the window keeps its case, fields and flow; a good one
// replaces them all and is named in the status bar.
TEST_F(CaseStudyTest, ABrokenCaseIsRefusedWithItsMessageAndChangesNothing) {
  RunVortices();
  const QString fields = CaseText();
  const TCase model = s.Case();
  const int freeCount = s.FreeCount;
  auto write = [this](const char* name, const char* text) {
    QFile f(File(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return File(name);
  };
  const std::pair<QString, const char*> broken[] = {
      {write("bad.json", "{\"area\": {\"H\": 0.1},"), "корректным JSON"},
      {write("foreign.json", R"({"results": {"output_concentration": 1e-6}})"), "неизвестное поле results"},
      {write("many.json", R"({"area": {"H": 0.1}, "concentration": {"particles": 500}})"),
       "concentration.particles должно быть от 2 до 200"},
      {write("wide.json", R"({"area": {"InflowWidth": 0.96}})"), "Параметры заданы некорректно"},
      {write("lost.json", R"({"area": {"H": 0.1}, "vortex_file": "lost.evt"})"), "lost.evt"},
      {File("missing.json"), "не существует"},
  };
  for (const auto& [file, reason] : broken) {
    Messages.clear();
    EXPECT_FALSE(w->OpenFile(file));
    ASSERT_EQ(Messages.size(), 1) << file.toStdString();
    EXPECT_TRUE(Messages[0].contains(QFileInfo(file).fileName())) << Messages[0].toStdString();
    EXPECT_TRUE(Messages[0].contains(U(reason))) << Messages[0].toStdString();
    EXPECT_EQ(CaseText(), fields);
    EXPECT_TRUE(s.Case() == model);
    EXPECT_EQ(s.FreeCount, freeCount);
    EXPECT_EQ(Get<QLabel>("lbCaseName")->text(), U("Расчет: Новый расчет"));
  }
  EXPECT_TRUE(Recent.isEmpty());

  Messages.clear();
  ASSERT_TRUE(w->OpenFile(write("good.json", R"({"area": {"H": 0.1}, "concentration": {"moments": 7}})")));
  EXPECT_TRUE(Messages.isEmpty());
  EXPECT_EQ(s.Area.H, 0.1);
  EXPECT_EQ(s.FreeCount, 0);  // the flow of the old enclosure is gone
  EXPECT_EQ(Get<TNumberField>("edNumIteration")->value(), 7);
  EXPECT_EQ(Get<QLabel>("lbCaseName")->text(), U("Расчет: good"));
  EXPECT_FALSE(Cases().Changed());
  EXPECT_EQ(Recent, QStringList{File("good.json")});
}

// The study window runs the core's study on the window's case: its CSV is
// the file ltr-cli sweep writes for the saved case, byte for byte; Stop ends
// it after the row in progress and keeps the rows made.
TEST_F(CaseStudyTest, AStudysRowsInTheWindowAreThoseOfLtrCliSweep) {
  Get<TNumberField>("edMaxResidence")->setValue(5);
  ASSERT_TRUE(Cases().SaveAs(File("case.json")));
  int progressTexts = 0;
  WhileShown = [&](QDialog* dialog) {
    auto* study = qobject_cast<TfrmStudy*>(dialog);
    ASSERT_NE(study, nullptr);
    auto* field = study->findChild<QComboBox*>(QStringLiteral("cbField"));
    field->setCurrentIndex(field->findData(QStringLiteral("Speed")));
    study->findChild<QLineEdit*>(QStringLiteral("edValues"))->setText(U("2; 2,5; 3"));
    study->findChild<TNumberField*>(QStringLiteral("edParticles"))->setValue(3);
    study->findChild<TNumberField*>(QStringLiteral("edMoments"))->setValue(3);
    study->findChild<QLineEdit*>(QStringLiteral("edSeed"))->setText(U("11"));
    auto* bar = study->findChild<QProgressBar*>(QStringLiteral("pbStudy"));
    study->btnStartClick();
    EXPECT_EQ(study->Rows().size(), 3u);
    EXPECT_EQ(study->findChild<QTableWidget*>(QStringLiteral("sgRows"))->rowCount(), 3);
    study->btnExportClick();

    // Stopped while the second value runs: the first row stays.
    QObject::connect(bar, &QProgressBar::valueChanged, study, [&, study, bar] {
      ++progressTexts;
      if (bar->format().startsWith(U("Значение 2 из 3"))) study->btnStopClick();
    });
    study->btnStartClick();
    EXPECT_EQ(study->Rows().size(), 1u);
    EXPECT_TRUE(bar->format().startsWith(U("Остановлено"))) << bar->format().toStdString();
  };
  w->miStudyClick();
  ASSERT_TRUE(Messages.isEmpty()) << Messages.join(U(" | ")).toStdString();
  EXPECT_GT(progressTexts, 0);

  const CliResult cli = RunCli({"sweep", "--case", File("case.json").toStdString(), "--param", "Speed", "--values",
                                "2;2,5;3", "--particles", "3", "--moments", "3", "--seed", "11", "--quiet"});
  ASSERT_EQ(cli.status, 0) << cli.err;
  EXPECT_EQ(ReadWhole(File("study.csv").toStdString()), cli.out);
}

// F1 shows the guide in a window of the program; the common commands have
// their keys, shown in the menus, and no key is given to two commands.
TEST_F(CaseStudyTest, TheGuideAndTheKeys) {
  w->findChild<QAction*>(QStringLiteral("miHelp"))->trigger();
  auto* guide = w->findChild<QTextBrowser*>(QStringLiteral("tbGuide"));
  ASSERT_NE(guide, nullptr);
  EXPECT_TRUE(guide->isVisible());
  const QString text = guide->toPlainText();
  for (const char* topic : {"Первый расчет", "Что означают результаты", "Насколько точен результат",
                            "Исследование параметра", "Расчеты в файлах", "Отчет", "Мелкая пыль", "Быстрый режим",
                            "Вихри уходят в отсос"})
    EXPECT_TRUE(text.contains(U(topic))) << topic;

  const std::pair<const char*, QKeySequence> keys[] = {
      {"miOpenCase", QKeySequence(Qt::CTRL | Qt::Key_O)}, {"miSaveCase", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"miHelp", QKeySequence(Qt::Key_F1)},                {"miStartRun", QKeySequence(Qt::Key_F5)},
      {"miStopRun", QKeySequence(Qt::SHIFT | Qt::Key_F5)}};
  for (const auto& [name, key] : keys) EXPECT_EQ(w->findChild<QAction*>(QString::fromLatin1(name))->shortcut(), key);
  QStringList seen;
  for (const QAction* a : w->findChildren<QAction*>())
    for (const QKeySequence& k : a->shortcuts()) {
      EXPECT_FALSE(seen.contains(k.toString())) << k.toString().toStdString() << " twice";
      seen << k.toString();
    }

  // F5 starts the run of the page shown.
  w->findChild<QAction*>(QStringLiteral("miStartRun"))->trigger();
  EXPECT_GT(s.OutputTally.Total().CountOf(TFateKind::Injected), 0);
}

}  // namespace
}  // namespace ltr
