#include "ui/ui_services.h"

#include "ui/application.h"

#include <QDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
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

// The file dialogs' list in Russian where Qt's catalogue leaves it short: the
// sizes with Russian units and plurals, and the types of this program's files
// named instead of "Неизвестно".
class TRussianFileList : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::DisplayRole && (index.column() == SizeColumn || index.column() == TypeColumn)) {
      if (const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel()); files != nullptr) {
        const QFileInfo info = files->fileInfo(mapToSource(index));
        if (info.isFile()) {
          if (index.column() == SizeColumn) return RussianFileSize(info.size());
          const QString type = TypeOf(info.suffix().toLower());
          if (!type.isEmpty()) return type;
        }
      }
    }
    return QIdentityProxyModel::data(index, role);
  }

 private:
  static constexpr int SizeColumn = 1;
  static constexpr int TypeColumn = 2;

  static QString TypeOf(const QString& suffix) {
    if (suffix == QLatin1String("evt") || suffix == QLatin1String("vrt"))
      return QString::fromUtf8("Вихревая структура");
    if (suffix == QLatin1String("csv")) return QString::fromUtf8("Таблица CSV");
    if (suffix == QLatin1String("json")) return QString::fromUtf8("Файл JSON");
    if (suffix == QLatin1String("png")) return QString::fromUtf8("Рисунок PNG");
    return {};
  }
};

// Room for the size, type and date columns of the detail view, which Qt's
// default size cuts to "18,...KiB" with Russian texts; the list in Russian.
void FitFileDialog(QFileDialog& dialog) {
  dialog.setProxyModel(new TRussianFileList(&dialog));
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

// CSV for programs, CSV for spreadsheets or JSON; the chosen filter decides
// the extension of a name typed without one, and the window that asked is
// told whether the spreadsheets' CSV was chosen.
QString SaveResultsFile(QWidget* parent) {
  const QString csvFilter = QString::fromUtf8("Таблицы CSV (*.csv)");
  const QString sheetFilter = QString::fromUtf8("CSV для Excel (;) (*.csv)");
  const QString jsonFilter = QString::fromUtf8("Файлы JSON (*.json)");
  QFileDialog dialog(parent, QString::fromUtf8("Экспорт результатов"), QStringLiteral("."));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({csvFilter, sheetFilter, jsonFilter});
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, jsonFilter](const QString& filter) {
    dialog.setDefaultSuffix(filter == jsonFilter ? QStringLiteral("json") : QStringLiteral("csv"));
  });
  const QString file = ChosenFile(dialog);
  if (parent != nullptr) parent->setProperty(SpreadsheetCsvProperty, dialog.selectedNameFilter() == sheetFilter);
  return file;
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

QString SavePictureFile(QWidget* parent) {
  return SaveFileOfType(parent, "Сохранить рисунок", "Рисунки PNG (*.png)", "png");
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

QString RussianFileSize(qint64 bytes) {
  if (bytes < 1024) {
    // One and five and more share the word ("1 байт", "5 байт"); 2 to 4,
    // but not 12 to 14, take "байта".
    const qint64 n = bytes < 0 ? 0 : bytes;
    const bool few = n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14);
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(few ? "байта" : "байт");
  }
  const char* const units[] = {"КБ", "МБ", "ГБ", "ТБ"};
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (value >= 1024 && unit < 3) {
    value /= 1024;
    ++unit;
  }
  return QString::number(value, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(',')) + QLatin1Char(' ') +
         QString::fromUtf8(units[unit]);
}

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
