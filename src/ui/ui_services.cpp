#include "ui/ui_services.h"

#include "ui/application.h"

#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStringList>
#include <QTreeView>

namespace ltr {

namespace {

QString AppTitle() { return QString::fromUtf8(ApplicationName); }

void ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, AppTitle(), text, QMessageBox::Ok, parent);
  box.exec();
}

bool AskYesNo(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, AppTitle(), text, QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QString::fromUtf8("Да"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QString::fromUtf8("Нет"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

// Room for the size, type and date columns of the detail view, which Qt's
// default size cuts to "18,...KiB" with Russian texts.
void FitFileDialog(QFileDialog& dialog) {
  dialog.resize(760, 480);
  if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView")); view != nullptr) {
    for (int column = 1; column <= 3; ++column)
      view->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
}

// The open dialog shows one filter whose visible text lists the patterns with a
// comma. The dialog reads the patterns from the last parenthesised group, so
// the real patterns go there and are hidden from the shown text.
QString OpenVortexFile(QWidget* parent) {
  QFileDialog dialog(parent, QString::fromUtf8("Загрузить данные"), QStringLiteral("."));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QString::fromUtf8("Файлы с вихрями (*.vrt,*.evt) (*.vrt *.evt)"));
  dialog.setDefaultSuffix(QStringLiteral("evt"));
  FitFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

// The save dialog offers both extensions; the chosen filter decides the
// extension added to a name typed without one. The content is the same.
QString SaveVortexFile(QWidget* parent) {
  const QString vrtFilter = QString::fromUtf8("Файлы с вихрями (*.vrt)");
  const QString evtFilter = QString::fromUtf8("Расширенные файлы с вихрями (*.evt)");
  QFileDialog dialog(parent, QString::fromUtf8("Сохранить данные"), QStringLiteral("."));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({vrtFilter, evtFilter});
  dialog.selectNameFilter(evtFilter);
  dialog.setDefaultSuffix(QStringLiteral("evt"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, vrtFilter](const QString& filter) {
    dialog.setDefaultSuffix(filter == vrtFilter ? QStringLiteral("vrt") : QStringLiteral("evt"));
  });
  FitFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

// The file the user chose in a save dialog set up by the caller; empty when
// cancelled.
QString ChosenFile(QFileDialog& dialog) {
  FitFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

// CSV or JSON, by the chosen filter when the name has no extension.
QString SaveResultsFile(QWidget* parent) {
  const QString csvFilter = QString::fromUtf8("Таблицы CSV (*.csv)");
  const QString jsonFilter = QString::fromUtf8("Файлы JSON (*.json)");
  QFileDialog dialog(parent, QString::fromUtf8("Экспорт результатов"), QStringLiteral("."));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({csvFilter, jsonFilter});
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, jsonFilter](const QString& filter) {
    dialog.setDefaultSuffix(filter == jsonFilter ? QStringLiteral("json") : QStringLiteral("csv"));
  });
  return ChosenFile(dialog);
}

QString SavePictureFile(QWidget* parent) {
  QFileDialog dialog(parent, QString::fromUtf8("Сохранить рисунок"), QStringLiteral("."));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QString::fromUtf8("Рисунки PNG (*.png)"));
  dialog.setDefaultSuffix(QStringLiteral("png"));
  return ChosenFile(dialog);
}

QString SaveFileOfType(QWidget* parent, const char* title, const char* filter, const char* suffix) {
  QFileDialog dialog(parent, QString::fromUtf8(title), QStringLiteral("."));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QString::fromUtf8(filter));
  dialog.setDefaultSuffix(QString::fromLatin1(suffix));
  return ChosenFile(dialog);
}

QString OpenCaseFile(QWidget* parent) {
  QFileDialog dialog(parent, QString::fromUtf8("Открыть расчет"), QStringLiteral("."));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QString::fromUtf8("Расчеты (*.json)"));
  FitFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

TUiServices::TAnswer AskSaveChanges(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, AppTitle(), text, QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QString::fromUtf8("Да"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QString::fromUtf8("Нет"), QMessageBox::NoRole);
  QPushButton* cancel = box.addButton(QString::fromUtf8("Отмена"), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == yes) return TUiServices::TAnswer::Yes;
  if (box.clickedButton() == no) return TUiServices::TAnswer::No;
  return TUiServices::TAnswer::Cancel;
}

// The list of the last cases in the user's settings of the program.
const char* const RecentCasesKey = "recentCases";

QStringList LoadRecentCases() {
  QSettings settings(QStringLiteral("ltr"), QStringLiteral("ltr"));
  return settings.value(QString::fromLatin1(RecentCasesKey)).toStringList();
}

void StoreRecentCases(const QStringList& files) {
  QSettings settings(QStringLiteral("ltr"), QStringLiteral("ltr"));
  settings.setValue(QString::fromLatin1(RecentCasesKey), files);
}

}  // namespace

TUiServices DefaultUiServices() {
  TUiServices services;
  services.message = ShowMessage;
  services.confirm = AskYesNo;
  services.openVortexFile = OpenVortexFile;
  services.saveVortexFile = SaveVortexFile;
  services.saveResultsFile = SaveResultsFile;
  services.savePictureFile = SavePictureFile;
  services.execDialog = [](QDialog* dialog) { return dialog->exec(); };
  services.openCaseFile = OpenCaseFile;
  services.saveCaseFile = [](QWidget* parent) {
    return SaveFileOfType(parent, "Сохранить расчет", "Расчеты (*.json)", "json");
  };
  services.saveReportFile = [](QWidget* parent) {
    return SaveFileOfType(parent, "Сохранить отчет", "Отчеты PDF (*.pdf)", "pdf");
  };
  services.saveTableFile = [](QWidget* parent) {
    return SaveFileOfType(parent, "Экспорт таблицы", "Таблицы CSV (*.csv)", "csv");
  };
  services.askSaveChanges = AskSaveChanges;
  services.loadRecentCases = LoadRecentCases;
  services.storeRecentCases = StoreRecentCases;
  return services;
}

}  // namespace ltr
