#pragma once
// The enclosure dialog: the spacing of the bound vortices, the exhaust speed,
// the sizes of the enclosure and its openings, and which separation points shed
// vortices. It shows the inflow speed that follows from the fields and a sketch
// of the enclosure as the fields describe it. The dialog never touches the
// model itself: the main window fills it, shows it and copies the values back.

#include <QDialog>
#include <array>
#include <utility>

#include "model/model_state.h"
#include "ui/ui_services.h"
#include "view/area_sketch.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace ltr {

class TNumberField;

class TfrmAreaParams : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAreaParams(QWidget* parent = nullptr);

  void SetUiServices(const TUiServices& services) { Services_ = services; }

  // The eight fields (each brought into its range and shown with 5 decimals)
  // and the separation-point switches from the case.
  void LoadFrom(const TCase& s);
  // Shows the dialog modally; true when it was closed by OK after every check
  // and a Yes to the question about losing the simulation.
  bool Execute();
  // The eight values as the fields show them, the inflow speed derived from
  // them, and the separation-point switches.
  void StoreInto(TCase& s) const;

 public slots:
  // Live updates while the fields change.
  void edRoomHeightChange();
  void edInflowWidthChange();
  void edSpeedChange();
  void cbBreaksClickCheck();
  // The sketch: fitted when the dialog is shown, drawn from the fields, zoomed
  // by mouse presses on it.
  void FormShow();
  void DrawAreaSketch();
  void Image1MouseDown(Qt::MouseButton button);
  // OK: the checks, the question, and closing with OK.
  void BitBtn1Click();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Each typed enclosure value and its field.
  std::array<std::pair<double TAreaParams::*, TNumberField*>, 8> Fields() const;
  // Puts the eight enclosure values into their fields.
  void ShowValues(const TAreaParams& a);

  // Every field's text converts to a real.
  bool TextsConvert() const;
  // The values the fields' texts stand for, as typed; 0 for a text that is not
  // a number.
  TAreaParams FieldValues() const;
  std::array<bool, SeparationPointCount> CheckedBreaks() const;
  // Why the values shown cannot be stored, naming the field and its range or
  // the opening that reaches a wall, and the field to mend; empty and null
  // when they can.
  QString Problem(TNumberField** field = nullptr) const;
  // The line beside the buttons that says it, kept up to date with the
  // fields; after a refusal the field to mend also takes the focus.
  void ShowProblem();
  void FocusProblem();

  TUiServices Services_ = DefaultUiServices();
  TAreaSketch Sketch_;

  TNumberField* edH = nullptr;
  TNumberField* edSpeed = nullptr;
  TNumberField* edRoomHeight = nullptr;
  TNumberField* edRoomWidth = nullptr;
  TNumberField* edInflowWidth = nullptr;
  TNumberField* edInflowDistance = nullptr;
  TNumberField* edExhaustWidth = nullptr;
  TNumberField* edExhaustHeight = nullptr;
  QLabel* lbInflowSpeed = nullptr;
  QListWidget* cbBreaks = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* lbProblem = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
};

}  // namespace ltr
