#pragma once
// The results window: what the last complete concentration run left in the
// model (injected and outlet concentration, outlet size composition).

#include <QDialog>

#include "model/model_state.h"
#include "ui/ui_services.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace ltr {

class TfrmShowOutputConcentration : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmShowOutputConcentration(QWidget* parent = nullptr);

  void SetUiServices(const TUiServices& services) { Services_ = services; }

  // Fills the labels and the grid from the model anew, then shows the window
  // modally.
  void ShowFor(const TModelState& s);

 private:
  void FormShow(const TModelState& s);

  TUiServices Services_ = DefaultUiServices();
  QLabel* lbRealInputConcentration_ = nullptr;
  QLabel* lbOutputConcentration_ = nullptr;
  QLabel* lbHeldParticles_ = nullptr;
  QTableWidget* sgDispersedComposition_ = nullptr;
  QPushButton* btnClose_ = nullptr;
};

}  // namespace ltr
