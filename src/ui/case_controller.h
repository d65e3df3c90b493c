#pragma once
// The cases of the main window kept in files: "Открыть расчет…", "Сохранить
// расчет", "Сохранить расчет как…" and the last five cases in the menu
// "Данные", the case's name in the status bar, and the question about
// unsaved changes before the program ends or another case is opened.
//
// A case is what a case file holds (io/case_file.h): the case of the model,
// the fields of both pages with the run options, and the vortex structure
// file of the flow when the window's flow is that of a file (loaded or saved
// since the flow last changed). The case has changed exactly when the case
// file written now would differ from the one last opened or saved (at
// start-up: from the start-up state).

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "io/case_file.h"

class QAction;
class QLabel;
class QMenu;

namespace ltr {

class TfrmMain;

class TCaseController : public QObject {
  Q_OBJECT

 public:
  // Adds the commands to the window's menu "Данные" and the name to its
  // status bar.
  explicit TCaseController(TfrmMain& window);

  // The most cases the menu lists.
  static constexpr int RecentCount = 5;

  // The case file the window's state gives now (the vortex file with its
  // full name); nothing when a field's text cannot be read, `problem` then
  // saying which (as the run commands say it).
  std::optional<TCaseFile> CurrentCase(QString* problem = nullptr) const;
  // Whether the case has changed since it was last opened or saved.
  bool Changed() const;
  // The case's name as the status bar and the question show it.
  QString CaseName() const;
  const QString& FileName() const { return FileName_; }

  // Opens a case file: checks everything first (the file, the case, the
  // fields' ranges, the vortex file it names) and changes nothing, after a
  // message, when any of it is refused. False then.
  bool Open(const QString& fileName);
  // Saves the case to fileName (which becomes the case's file); false after a
  // message when a field cannot be read or the file cannot be written.
  bool SaveAs(const QString& fileName);
  // Asks "Сохранить изменения в расчете «…»?" when the case has changed:
  // true to go on (saved, or not to be saved), false to stay (cancelled, or
  // the save failed or was cancelled). True at once when nothing changed.
  bool MayDiscardChanges();

  // The window's flow now comes from this vortex structure file (loaded or
  // just saved); empty: it is no file's any more.
  void FlowChanged(const QString& vortexFile);

  // The menu commands.
  void miOpenCaseClick();
  void miSaveCaseClick();
  void miSaveCaseAsClick();

 private:
  // Puts the settings of a case into the page fields; fields the case does
  // not give are left as they are.
  void ShowSettings(const TCaseSettings& settings);
  // Why the page fields cannot take these settings; empty when they can.
  QString SettingsProblem(const TCaseSettings& settings) const;
  // The case as it is now becomes the saved one, of this file.
  void MarkSaved(const QString& fileName);
  void AddRecent(const QString& fileName);
  void FillRecentMenu();
  void ShowName();

  TfrmMain& W_;
  QString FileName_;
  // The vortex structure file of the window's flow, with its full name;
  // empty when the flow is no file's.
  QString VortexFile_;
  // The case file text of the case when it was last opened or saved, the
  // vortex file named with its full name.
  std::string SavedText_;
  QAction* miOpenCase_ = nullptr;
  QAction* miSaveCase_ = nullptr;
  QAction* miSaveCaseAs_ = nullptr;
  QMenu* miRecentCases_ = nullptr;
  QLabel* lbCaseName_ = nullptr;
};

}  // namespace ltr
