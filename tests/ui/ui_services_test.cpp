#include "ui/ui_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QAbstractProxyModel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "ui/qstring_printer.h"

namespace ltr {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// Runs `act` on the modal box of type T as soon as it is shown; `act` must
// close it.
template <typename T>
void WhenShown(std::function<void(T*)> act) {
  QTimer::singleShot(0, [act] {
    if (auto* box = qobject_cast<T*>(QApplication::activeModalWidget())) {
      act(box);
    } else {
      WhenShown<T>(act);
    }
  });
}

// The dialogs start in the current folder; each test works in a folder of its own.
class VortexFileDialogTest : public ::testing::Test {
 protected:
  VortexFileDialogTest() : Previous(QDir::currentPath()) { QDir::setCurrent(Dir.path()); }
  ~VortexFileDialogTest() override { QDir::setCurrent(Previous); }
  void Touch(const char* name) {
    QFile file(Dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  static QStringList ComboItems(QFileDialog* dialog) {
    QStringList items;
    if (auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo"))
      for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }

  QTemporaryDir Dir;
  QString Previous;
  TUiServices Services = DefaultUiServices();
};

TEST_F(VortexFileDialogTest, OpenDialogOffersBothExtensionsUnderOneFilter) {
  Touch("run.evt");
  WhenShown<QFileDialog>([](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), U("Загрузить данные"));
    EXPECT_EQ(ComboItems(dialog), QStringList{U("Файлы с вихрями (*.vrt,*.evt)")});
    auto* files = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->nameFilters(), QStringList({"*.vrt", "*.evt"}));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir::current().canonicalPath());
    dialog->selectFile("run.evt");
    static_cast<QDialog*>(dialog)->accept();  // as the Open or Save button does
  });
  EXPECT_EQ(QFileInfo(Services.openVortexFile(nullptr)).fileName(), "run.evt");

  WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_TRUE(Services.openVortexFile(nullptr).isEmpty());
}

TEST_F(VortexFileDialogTest, SaveDialogAddsTheExtensionOfTheChosenFilter) {
  const QString vrt = U("Файлы с вихрями (*.vrt)");
  const QString evt = U("Расширенные файлы с вихрями (*.evt)");
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), U("Сохранить данные"));
    EXPECT_EQ(ComboItems(dialog), QStringList({vrt, evt}));
    EXPECT_EQ(dialog->selectedNameFilter(), evt);
    EXPECT_EQ(dialog->defaultSuffix(), "evt");
    dialog->selectFile("first");
    static_cast<QDialog*>(dialog)->accept();  // as the Open or Save button does
  });
  EXPECT_EQ(QFileInfo(Services.saveVortexFile(nullptr)).fileName(), "first.evt");

  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    emit combo->textActivated(vrt);
    dialog->selectFile("second");
    static_cast<QDialog*>(dialog)->accept();  // as the Open or Save button does
  });
  EXPECT_EQ(QFileInfo(Services.saveVortexFile(nullptr)).fileName(), "second.vrt");

  WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_TRUE(Services.saveVortexFile(nullptr).isEmpty());
}

// The results export offers the CSV for programs, the CSV for spreadsheets and
// JSON, and tells the window that asked which CSV was chosen.
TEST_F(VortexFileDialogTest, ResultsDialogTellsWhichCsvWasChosen) {
  const QStringList filters = {U("Таблицы CSV (*.csv)"), U("CSV для Excel (;) (*.csv)"), U("Файлы JSON (*.json)")};
  QWidget window;
  for (int chosen : {1, 0}) {
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
      EXPECT_EQ(ComboItems(dialog), filters);
      auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
      ASSERT_NE(combo, nullptr);
      combo->setCurrentIndex(chosen);
      emit combo->activated(chosen);
      emit combo->textActivated(filters[chosen]);
      dialog->selectFile("results");
      static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(QFileInfo(Services.saveResultsFile(&window)).fileName(), "results.csv");
    EXPECT_EQ(window.property(SpreadsheetCsvProperty).toBool(), chosen == 1);
  }
}

// The file dialogs list sizes with Russian units and plurals, and name the
// types of this program's files.
TEST_F(VortexFileDialogTest, FileListIsInRussian) {
  EXPECT_EQ(RussianFileSize(0), U("0 байт"));
  EXPECT_EQ(RussianFileSize(1), U("1 байт"));
  EXPECT_EQ(RussianFileSize(3), U("3 байта"));
  EXPECT_EQ(RussianFileSize(12), U("12 байт"));
  EXPECT_EQ(RussianFileSize(22), U("22 байта"));
  EXPECT_EQ(RussianFileSize(100), U("100 байт"));
  EXPECT_EQ(RussianFileSize(1023), U("1023 байта"));
  EXPECT_EQ(RussianFileSize(33843), U("33,0 КБ"));
  EXPECT_EQ(RussianFileSize(5 * 1024 * 1024 + 300 * 1024), U("5,3 МБ"));

  {
    QFile file(Dir.filePath("run.evt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, 'x'));
  }
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    QAbstractProxyModel* list = dialog->proxyModel();
    auto* files = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(list, nullptr);
    ASSERT_NE(files, nullptr);
    const QModelIndex evt = list->mapFromSource(files->index(Dir.filePath("run.evt")));
    EXPECT_EQ(evt.siblingAtColumn(1).data().toString(), U("100 байт"));
    EXPECT_EQ(evt.siblingAtColumn(2).data().toString(), U("Вихревая структура"));
    dialog->reject();
  });
  EXPECT_TRUE(Services.openVortexFile(nullptr).isEmpty());
}

TEST(UiServicesTest, MessageAndQuestionBoxes) {
  TUiServices services = DefaultUiServices();
  WhenShown<QMessageBox>([](QMessageBox* box) {
    EXPECT_EQ(box->windowTitle(), U("Квилон-ЛТР"));
    EXPECT_EQ(box->text(), U("Проверка"));
    EXPECT_EQ(box->buttons().size(), 1);
    box->buttons().front()->click();
  });
  services.message(nullptr, U("Проверка"));

  auto answer = [&](const char* button) {
    WhenShown<QMessageBox>([button](QMessageBox* box) {
      EXPECT_EQ(box->windowTitle(), U("Квилон-ЛТР"));
      for (QAbstractButton* b : box->buttons())
        if (b->text() == U(button)) b->click();
      if (box->isVisible()) box->reject();  // Escape
    });
    return services.confirm(nullptr, U("Продолжить?"));
  };
  EXPECT_TRUE(answer("Да"));
  EXPECT_FALSE(answer("Нет"));
  EXPECT_FALSE(answer("(Escape)"));
}

}  // namespace
}  // namespace ltr
