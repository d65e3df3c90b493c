// The desktop program: one model state, the five windows created once in
// their fixed order, the main window shown centred, then the message loop
// until the main window is closed.
//
// The command line: `ltr [FILE]` opens the case file FILE (".json") or loads
// the vortex structure file FILE into the window once it is shown (a file the
// program refuses gets its message, and the window stays as at start-up); `--help` and `--version` answer without a
// window. Qt's own options (-platform, -style, ...) are left to Qt.

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "ltr/version.h"
#include "model/model_state.h"
#include "ui/about_box.h"
#include "ui/application.h"
#include "ui/area_params_dialog.h"
#include "ui/dust_properties_dialog.h"
#include "ui/main_window.h"
#include "ui/results_window.h"

namespace {

const char* const HelpText =
    "Квилон-ЛТР: расчет концентрации пыли в аспирационном укрытии\n"
    "Usage: ltr [OPTIONS] [FILE]\n"
    "\n"
    "Opens the main window; with FILE, a case file (.json) or a vortex structure file\n"
    "(.evt, .vrt), opens or loads it into the window as the menu \"Данные\" does.\n"
    "\n"
    "Options:\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n";

// Answers --help and --version before any window (none is needed for them, and
// no display may be there); -1 when the program is to start.
int AnswerWithoutWindow(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(HelpText, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs("ltr ", stdout);
      std::fputs(ltr::VersionText, stdout);
      std::fputc('\n', stdout);
      return 0;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (const int answered = AnswerWithoutWindow(argc, argv); answered >= 0) return answered;

  // QApplication takes its own options out of argc and argv.
  QApplication app(argc, argv);
  QString fileName;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-' || !fileName.isEmpty()) {
      std::fprintf(stderr, "ltr: %s %s (ltr [FILE], ltr --help)\n",
                   argv[i][0] == '-' ? "неизвестный параметр" : "лишний аргумент", argv[i]);
      return 2;
    }
    fileName = QFile::decodeName(argv[i]);
  }
  ltr::SetUpApplication(app);
  // The installed desktop entry and icon (LTR_DESKTOP_ID names both), by
  // which desktops show and group the windows.
  QGuiApplication::setDesktopFileName(QStringLiteral(LTR_DESKTOP_ID));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(LTR_DESKTOP_ID)));

  // The model outlives every window that reports on it.
  ltr::TModelState state;

  ltr::TfrmMain frmMain(state);
  ltr::TfrmAbout frmAbout(&frmMain);
  ltr::TfrmAreaParams frmAreaParams(&frmMain);
  ltr::TfrmDustProperties frmDustProperties(&frmMain);
  ltr::TfrmShowOutputConcentration frmShowOutputConcentration(&frmMain);
  frmMain.SetWindows(&frmAbout, &frmAreaParams, &frmDustProperties, &frmShowOutputConcentration);

  if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
    QRect frame = frmMain.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    frmMain.move(frame.topLeft());
  }
  frmMain.show();
  // The file is loaded from the message loop, so that a refusal's message box
  // stands over the window already shown.
  if (!fileName.isEmpty())
    QTimer::singleShot(0, &frmMain, [&frmMain, fileName] { frmMain.OpenFile(fileName); });
  return app.exec();
}
