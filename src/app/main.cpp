// The desktop program: one model state, the five windows created once in
// their fixed order, the main window shown centred, then the message loop
// until the main window is closed.

#include <QApplication>
#include <QRect>
#include <QScreen>

#include "model/model_state.h"
#include "ui/about_box.h"
#include "ui/application.h"
#include "ui/area_params_dialog.h"
#include "ui/dust_properties_dialog.h"
#include "ui/main_window.h"
#include "ui/results_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  ltr::SetUpApplication(app);

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
  return app.exec();
}
