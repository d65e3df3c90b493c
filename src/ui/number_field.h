#pragma once
// A spin field whose text is what counts: the user types a number (decimal
// comma) or steps it with the arrows, and the command that uses the field reads
// the text as typed. Unlike QSpinBox and QDoubleSpinBox it never puts back an
// old value or pulls a typed one into its range when it loses focus; an empty,
// incomplete or out-of-range text stays visible until the command that reads it
// reports it. Only the arrows and setValue bring a value into the range, and
// then the field shows the result.

#include <QAbstractSpinBox>
#include <QString>

namespace ltr {

class TNumberField : public QAbstractSpinBox {
  Q_OBJECT

 public:
  explicit TNumberField(QWidget* parent = nullptr);

  // Decimals shown and accepted; 0 makes an integer field.
  void setDecimals(int decimals);
  int decimals() const { return Decimals_; }
  void setRange(double minimum, double maximum);
  double minimum() const { return Minimum_; }
  double maximum() const { return Maximum_; }
  void setSingleStep(double step) { Step_ = step; }
  double singleStep() const { return Step_; }

  // Shows v, brought into the range, with the field's decimals.
  void setValue(double v);
  // The text as typed, as a number (the double nearest to it); false when it is
  // empty or incomplete.
  bool ReadValue(double& v) const;
  bool InRange(double v) const { return v >= Minimum_ && v <= Maximum_; }
  // The typed value, or 0 when the text is not a number.
  double value() const;
  // The text for a value: fixed notation with the field's decimals and a
  // decimal comma.
  QString TextOf(double v) const;

  // The outer width at which the field shows `text` whole, arrows and frame
  // included.
  int WidthToShow(const QString& text) const;
  // Fixed to at least `width` and wide enough for the longest text of its
  // range, again whenever its font changes.
  void FitWidth(int width);

  // The message for a text that cannot be used, empty when it is a number in
  // the range; `name` is the field's caption as the messages quote it.
  QString Problem(const QString& name) const;

  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  void stepBy(int steps) override;

 signals:
  void textChanged(const QString& text);
  // The text has become a number in the range other than the one last reported
  // (typed, stepped or set).
  void valueChanged(double value);
  // An arrow step (button, key or wheel) has raised the value.
  void raisedByArrow();

 protected:
  StepEnabled stepEnabled() const override;
  void changeEvent(QEvent* event) override;

 private:
  void TextEdited(const QString& text);
  void FitMaxLength();

  int Decimals_ = 2;
  double Minimum_ = 0.0;
  double Maximum_ = 99.99;
  double Step_ = 1.0;
  int FitBase_ = 0;  // the width asked of FitWidth, 0 before
  bool HasReported_ = false;
  double Reported_ = 0.0;
};

}  // namespace ltr
