#pragma once
// The dust dialog: the dust concentration of the inflow air, the particle
// density, the air viscosity, the particle shape factor, the two wall-impact
// coefficients, and the size composition of the dust as a grid of fractions
// whose adjacent rows share their boundary. The dialog never touches the model
// itself: the main window fills it, shows it and copies the values back.

#include <QDialog>
#include <QString>
#include <utility>
#include <vector>

#include "model/fields.h"
#include "model/model_state.h"
#include "ui/ui_services.h"

class QTableWidget;
class QTableWidgetItem;
class QPushButton;

namespace ltr {

class TNumberField;

class TfrmDustProperties : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmDustProperties(QWidget* parent = nullptr);

  void SetUiServices(const TUiServices& services) { Services_ = services; }

  // The six fields, the fraction count and the bounds and shares of the
  // fractions from the case; the row numbers stay as they are.
  void LoadFrom(const TCase& s);
  // Shows the dialog modally; true when it was closed by OK after the checks
  // of the composition and of the dust properties.
  bool Execute();
  // The six values as the fields show them and the fractions from the grid
  // (bounds in micrometres to metres).
  void StoreInto(TCase& s) const;

 public slots:
  // The grid has one row per fraction.
  void edFractionCntChange(int count);
  // A fraction added by the up arrow starts where the previous one ends.
  void edFractionCntTopClick();
  // A typed lower bound is also the upper bound of the fraction before
  // (row: 1-based fraction, column: grid column).
  void sgDispersedCompositionSetEditText(int row, int column, const QString& text);
  // OK: the checks, and closing with OK.
  void BitBtn1Click();

 private:
  // Text of a cell of fraction row (1-based) and grid column.
  QString Cell(int row, int column) const;
  void SetCell(int row, int column, const QString& text);
  // Items for new rows, and the derived upper bounds shown read-only in grey.
  void PrepareRows();
  // The first failing check's message, or empty.
  QString CompositionError() const;
  TDustParams FieldValues() const;
  // The six typed dust values, each with its description, in the order of the
  // checks; and their values put into the fields.
  std::vector<std::pair<const TDustField*, TNumberField*>> Fields() const;
  void ShowFields(const TDustParams& d);

  TUiServices Services_ = DefaultUiServices();
  // Set while the dialog itself changes cells, so that only typed lower
  // bounds are copied into the row before.
  bool Filling_ = false;

  TNumberField* edInputConcentration = nullptr;
  TNumberField* edParticleDencity = nullptr;
  TNumberField* edMu = nullptr;
  TNumberField* edHi = nullptr;
  TNumberField* edKoefK = nullptr;
  TNumberField* edKoefF = nullptr;
  TNumberField* edFractionCnt = nullptr;
  QTableWidget* sgDispersedComposition = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
};

}  // namespace ltr
