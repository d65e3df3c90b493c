#pragma once
// How the windows ask the user something: message boxes, questions, file
// dialogs and modal showing of dialogs. Each window holds a copy; tests replace
// the hooks so that nothing modal ever waits for a person.

#include <QString>
#include <functional>

class QWidget;
class QDialog;

namespace ltr {

// How a window asks the user; tests replace these.
struct TUiServices {
  std::function<void(QWidget* parent, const QString& text)> message;  // modal box with OK
  std::function<bool(QWidget* parent, const QString& text)> confirm;  // Yes/No box; true for Yes
  std::function<QString(QWidget* parent)> openVortexFile;             // empty: cancelled
  std::function<QString(QWidget* parent)> saveVortexFile;             // empty: cancelled
  // .csv or .json; empty: cancelled. The CSV for spreadsheets chosen, the
  // hook sets the parent's property SpreadsheetCsvProperty to true.
  std::function<QString(QWidget* parent)> saveResultsFile;
  std::function<QString(QWidget* parent)> savePictureFile;            // PNG file; empty: cancelled
  std::function<int(QDialog* dialog)> execDialog;                     // QDialog::exec by default
  // Cases, studies and reports.
  std::function<QString(QWidget* parent)> openCaseFile;    // a case file (.json); empty: cancelled
  std::function<QString(QWidget* parent)> saveCaseFile;    // .json; empty: cancelled
  std::function<QString(QWidget* parent)> saveReportFile;  // .pdf; empty: cancelled
  std::function<QString(QWidget* parent)> saveTableFile;   // .csv; empty: cancelled
  // Yes / No / Cancel about unsaved changes: the answer.
  enum class TAnswer { Yes, No, Cancel };
  std::function<TAnswer(QWidget* parent, const QString& text)> askSaveChanges;
  // The last cases opened or saved, most recent first, kept between the
  // program's runs (in the user's settings).
  std::function<QStringList()> loadRecentCases;
  std::function<void(const QStringList& files)> storeRecentCases;
};

// The property of the window that asked for a results file by which the file
// dialog says that "CSV для Excel (;)" was chosen.
inline constexpr const char* SpreadsheetCsvProperty = "ltrSpreadsheetCsv";

// A file size as the file dialogs show it: whole bytes with the Russian plural
// ("1 байт", "3 байта", "100 байт") below a kilobyte, then "КБ", "МБ", "ГБ"
// (of 1024) with one decimal and a decimal comma ("33,1 КБ").
QString RussianFileSize(qint64 bytes);

// The real boxes and dialogs: QMessageBox titled with the application title
// "Квилон-ЛТР", QFileDialog for loading and saving vortex structure files.
TUiServices DefaultUiServices();

}  // namespace ltr
