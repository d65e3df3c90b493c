#include "ui/application.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>

#include "ui/qstring_printer.h"

namespace ltr {
namespace {

// The test environment sets the application up as the program does.
TEST(ApplicationTest, NameLocaleAndQtsOwnTextsInRussian) {
  EXPECT_EQ(QCoreApplication::applicationName(), QString::fromUtf8("Квилон-ЛТР"));
  EXPECT_EQ(QLocale().language(), QLocale::Russian);
  EXPECT_EQ(QLocale().decimalPoint(), QStringLiteral(","));

  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!QFileInfo::exists(folder + QStringLiteral("/qtbase_ru.qm")))
    GTEST_SKIP() << "Qt's Russian translation is not installed in " << folder.toStdString();
  // The file dialog, the standard buttons and a text field's context menu.
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QString::fromUtf8("Перейти к:"));
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("File &name:"));
  EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
  EXPECT_NE(QCoreApplication::translate("QWidgetTextControl", "&Undo"), QStringLiteral("&Undo"));
  EXPECT_NE(QCoreApplication::translate("QLineEdit", "&Undo"), QStringLiteral("&Undo"));
  // The file types of the dialog's list.
  EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), QString::fromUtf8("Папка"));
  EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "%1 File").arg("evt"),
            QString::fromUtf8("Файл evt"));
}

}  // namespace
}  // namespace ltr
