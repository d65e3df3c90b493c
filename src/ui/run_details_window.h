#pragma once
// "Подробные результаты": what became of the particles of the last complete
// concentration run, per input fraction, with the composition of the input
// against the outlet and the grade-efficiency curve as charts.

#include <QDialog>
#include <functional>

#include "dust/snapshot_run.h"
#include "model/model_state.h"

class QTableWidget;
class QLabel;

class QChartView;

namespace ltr {

class TfrmRunDetails : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmRunDetails(QWidget* parent = nullptr);

  // Fills the table and the charts from the last complete run of s; with an
  // average over the moments of the flow, also its summary, each moment's
  // outlet concentration and the mean grade-efficiency curve.
  void Fill(const TModelState& s, const TSnapshotResults* snapshots = nullptr);
  // What "Отчет…" does (the results window writes the report); the button
  // is hidden without it.
  std::function<void()> OnReport;

 private:
  QLabel* lbSummary_ = nullptr;
  QTableWidget* sgFates_ = nullptr;
  QChartView* chComposition_ = nullptr;
  QChartView* chGradeEfficiency_ = nullptr;
};

}  // namespace ltr
