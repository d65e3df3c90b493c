#include "ui/number_field.h"

#include <QEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "model/validation.h"
#include "numerics/number_text.h"

namespace ltr {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// Longer texts are refused as typed; no field needs them.
constexpr int MaxTextLength = 20;

}  // namespace

TNumberField::TNumberField(QWidget* parent) : QAbstractSpinBox(parent) {
  // The base class interprets nothing itself (it knows no value type), so the
  // text is left as typed; keyboard tracking off keeps it from trying.
  setKeyboardTracking(false);
  lineEdit()->setMaxLength(MaxTextLength);
  connect(lineEdit(), &QLineEdit::textChanged, this, &TNumberField::TextEdited);
}

void TNumberField::setDecimals(int decimals) {
  Decimals_ = std::max(0, decimals);
  FitMaxLength();
}

void TNumberField::setRange(double minimum, double maximum) {
  Minimum_ = minimum;
  Maximum_ = std::max(minimum, maximum);
  FitMaxLength();
}

// Room for the longest text of the range with the field's decimals, and never
// less than MaxTextLength.
void TNumberField::FitMaxLength() {
  const qsizetype longest = std::max(TextOf(Minimum_).size(), TextOf(Maximum_).size());
  lineEdit()->setMaxLength(static_cast<int>(std::max<qsizetype>(MaxTextLength, longest)));
}

QString TNumberField::TextOf(double v) const {
  char buffer[512];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, Decimals_);
  if (error != std::errc()) return QString();
  std::string text(buffer, end);
  // A value that rounds to zero is shown without a sign.
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  std::replace(text.begin(), text.end(), '.', ',');
  return QString::fromStdString(text);
}

void TNumberField::setValue(double v) {
  if (std::isnan(v)) v = Minimum_;
  lineEdit()->setText(TextOf(std::clamp(v, Minimum_, Maximum_)));
}

bool TNumberField::ReadValue(double& v) const {
  QString input = text();
  int pos = 0;
  if (validate(input, pos) != QValidator::Acceptable) return false;
  std::string s = input.toStdString();
  std::replace(s.begin(), s.end(), ',', '.');
  if (!s.empty() && s.front() == '+') s.erase(0, 1);
  double parsed = 0.0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), parsed);
  if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(parsed)) return false;
  v = parsed;
  return true;
}

double TNumberField::value() const {
  double v = 0.0;
  return ReadValue(v) ? v : 0.0;
}

int TNumberField::WidthToShow(const QString& text) const {
  ensurePolished();
  QStyleOptionSpinBox option;
  initStyleOption(&option);
  // The editor's own margins and its cursor, as a line edit lays out its text.
  const QMargins margins = lineEdit()->textMargins();
  const int textWidth = lineEdit()->fontMetrics().horizontalAdvance(text) + margins.left() + margins.right() + 5;
  const QSize contents(textWidth, lineEdit()->sizeHint().height());
  int width = style()->sizeFromContents(QStyle::CT_SpinBox, &option, contents, this).width();
  // Styles differ in how they add the arrows; the editor must keep the text
  // width in any case.
  for (int guard = 0; guard < 64; ++guard) {
    option.rect = QRect(0, 0, width, contents.height());
    const QRect edit = style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, this);
    if (edit.width() >= textWidth) break;
    width += textWidth - edit.width();
  }
  return width;
}

void TNumberField::FitWidth(int width) {
  FitBase_ = width;
  setFixedWidth(std::max({width, WidthToShow(TextOf(Minimum_)), WidthToShow(TextOf(Maximum_))}));
}

void TNumberField::changeEvent(QEvent* event) {
  QAbstractSpinBox::changeEvent(event);
  if (event->type() == QEvent::FontChange && FitBase_ > 0) FitWidth(FitBase_);
}

QString TNumberField::Problem(const QString& name) const {
  const QString typed = text();
  if (typed.trimmed().isEmpty()) return Text("Не заполнено поле «%1»").arg(name);
  double v = 0.0;
  if (!ReadValue(v))
    return Text(Decimals_ == 0 ? "«%1» не является целым числом (поле «%2»)" : "«%1» не является числом (поле «%2»)")
        .arg(typed, name);
  if (!InRange(v))
    return QString::fromStdString(FieldRangeError(name.toStdString(), Minimum_, Maximum_));
  return {};
}

// A sign (minus only where the range has negative numbers), digits and, in a
// field with decimals, one decimal comma (or point) with at most that many
// decimals. Texts on the way to such a number are intermediate; anything else
// is refused as it is typed.
QValidator::State TNumberField::validate(QString& input, int& /*pos*/) const {
  const qsizetype n = input.size();
  if (n > lineEdit()->maxLength()) return QValidator::Invalid;
  qsizetype i = 0;
  if (i < n && (input[i] == QLatin1Char('-') || input[i] == QLatin1Char('+'))) {
    if (input[i] == QLatin1Char('-') && Minimum_ >= 0) return QValidator::Invalid;
    ++i;
  }
  int whole = 0, fraction = 0;
  bool separator = false;
  for (; i < n; ++i) {
    const char16_t c = input[i].unicode();
    if (c >= u'0' && c <= u'9') {
      (separator ? fraction : whole) += 1;
    } else if ((c == u',' || c == u'.') && !separator && Decimals_ > 0) {
      separator = true;
    } else {
      return QValidator::Invalid;
    }
  }
  if (fraction > Decimals_) return QValidator::Invalid;
  return whole + fraction > 0 ? QValidator::Acceptable : QValidator::Intermediate;
}

// The text stays as typed.
void TNumberField::fixup(QString& /*input*/) const {}

QAbstractSpinBox::StepEnabled TNumberField::stepEnabled() const {
  if (isReadOnly()) return StepNone;
  double v = 0.0;
  if (!ReadValue(v)) return StepUpEnabled | StepDownEnabled;
  StepEnabled enabled = StepNone;
  if (v < Maximum_) enabled |= StepUpEnabled;
  if (v > Minimum_) enabled |= StepDownEnabled;
  return enabled;
}

// A step starts from the typed value and ends within the range; a text that is
// not a number becomes the range's value nearest to 0. The field shows the
// result.
void TNumberField::stepBy(int steps) {
  double from = 0.0;
  const bool typed = ReadValue(from);
  if (!typed) from = std::clamp(0.0, Minimum_, Maximum_);
  double to = typed ? from + steps * Step_ : from;
  to = std::clamp(to, Minimum_, Maximum_);
  // Rounded to what the field shows, so that steps do not gather binary noise.
  const QString shown = TextOf(to);
  if (shown != text()) lineEdit()->setText(shown);
  double now = 0.0;
  if (steps > 0 && typed && ReadValue(now) && now > from) emit raisedByArrow();
}

void TNumberField::TextEdited(const QString& text) {
  emit textChanged(text);
  double v = 0.0;
  if (!ReadValue(v) || !InRange(v)) return;
  if (HasReported_ && v == Reported_) return;
  HasReported_ = true;
  Reported_ = v;
  emit valueChanged(v);
}

}  // namespace ltr
