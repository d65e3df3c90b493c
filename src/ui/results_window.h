#pragma once
// The results window: what the last complete concentration run left in the
// model (injected and outlet concentration, outlet size composition).

#include <QDialog>
#include <QImage>
#include <functional>

#include "dust/snapshot_run.h"
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
  // The picture of the enclosure the report shows (the main window's); the
  // report draws one of its own without it.
  void SetPictureSource(std::function<QImage()> picture) { Picture_ = std::move(picture); }

  // Fills the labels and the grid from the model anew, then shows the window
  // modally. With an average over the moments of the flow the window shows
  // the average: its concentrations and shares, the interval from the spread
  // between the moments and the mean of the runs' own intervals.
  void ShowFor(const TModelState& s, const TSnapshotResults* snapshots = nullptr);

 private:
  void FormShow(const TModelState& s, const TSnapshotResults* snapshots);
  void FormShowAverage(const TModelState& s, const TSnapshotResults& a);

 public:
  // Whether s holds the results of a complete concentration run, which the
  // details window and the export need.
  static bool HasResults(const TModelState& s);

  // The details window, filled for the state last shown.
  class TfrmRunDetails* Details() const { return Details_; }

 private:

  TUiServices Services_ = DefaultUiServices();
  QLabel* lbRealInputConcentration_ = nullptr;
  QLabel* lbOutputConcentration_ = nullptr;
  QLabel* lbHeldParticles_ = nullptr;
  QLabel* lbNoResults_ = nullptr;  // before the first complete run
  // Beside the specified contents: the concentrations in mg/m3 with the 95 %
  // interval of the outlet one, the details window and the export.
  QLabel* lbRealInputMg_ = nullptr;
  QLabel* lbOutputInterval_ = nullptr;
  QPushButton* btnDetails_ = nullptr;
  QPushButton* btnExport_ = nullptr;
  QPushButton* btnReport_ = nullptr;
  std::function<QImage()> Picture_;
  void btnReportClick();
  class TfrmRunDetails* Details_ = nullptr;
  const TModelState* Shown_ = nullptr;
  const TSnapshotResults* ShownSnapshots_ = nullptr;
  QLabel* lbSnapshots_ = nullptr;
  void btnDetailsClick();
  void btnExportClick();
  QTableWidget* sgDispersedComposition_ = nullptr;
  QPushButton* btnClose_ = nullptr;
};

}  // namespace ltr
