#pragma once
// The About box: the program's purpose and version.

#include <QDialog>

#include "ui/ui_services.h"

namespace ltr {

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  void SetUiServices(const TUiServices& services) { Services_ = services; }

  // Shows the box modally, centred on the screen.
  void ShowModal();

 private:
  TUiServices Services_ = DefaultUiServices();
};

}  // namespace ltr
