#include "numerics/number_text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <system_error>

namespace ltr {

namespace {

// Character classes of the C locale, whatever locale the C library was given:
// a desktop's locale must not change what a digit or a blank is.
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The decimal digits of |v| as a significand string d1 d2 ... and the decimal
// exponent E such that |v| = 0.d1d2... * 10^E. Zero gives no digits.
struct Decimal {
  std::string digits;
  int exponent = 0;
  bool negative = false;
};

Decimal ToDecimal(Extended v) {
  Decimal d;
  d.negative = std::signbit(v);
  if (v == 0.0L) return d;
  // Enough digits that rounding the string once gives the rounding of the
  // value. std::to_chars writes the exact decimal expansion, independent of
  // any locale: "d.ddd...e+XX".
  char buf[96];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 40);
  const char* e = buf;
  while (e != r.ptr && *e != 'e') ++e;
  for (const char* c = buf; c != e; ++c)
    if (IsDigit(*c)) d.digits += *c;
  int exponent = 0;
  const char* x = e + 1;
  if (x != r.ptr && *x == '+') ++x;
  std::from_chars(x, r.ptr, exponent);
  d.exponent = exponent + 1;
  return d;
}

// Keeps `keep` significant digits, rounding half away from zero.
void RoundTo(Decimal& d, int keep) {
  if (static_cast<int>(d.digits.size()) <= keep) return;
  if (keep < 0) {
    d.digits.clear();
    d.exponent = 0;
    return;
  }
  const bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') {
      d.digits[i] = '0';
      --i;
    }
    if (i >= 0) {
      ++d.digits[i];
    } else {
      // All nines carried over: the value is 10^exponent.
      d.digits.assign(1, '1');
      ++d.exponent;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.exponent = 0;
}

char DigitAt(const Decimal& d, int i) {
  return i >= 0 && i < static_cast<int>(d.digits.size()) ? d.digits[i] : '0';
}

// "1,23E3", "1E-6": significant digits without trailing zeros.
std::string Scientific(const Decimal& d) {
  std::string out;
  if (d.negative) out.push_back('-');
  out.push_back(d.digits[0]);
  if (d.digits.size() > 1) {
    out.push_back(',');
    out.append(d.digits, 1, std::string::npos);
  }
  out.push_back('E');
  char exponent[16];
  const auto r = std::to_chars(exponent, exponent + sizeof exponent, d.exponent - 1);
  out.append(exponent, r.ptr);
  return out;
}

// Plain fixed text of d with `decimals` digits after the comma (-1: as many
// as there are digits).
std::string Plain(const Decimal& d, int decimals) {
  std::string out;
  if (d.negative && !d.digits.empty()) out += "-";
  if (d.exponent <= 0) {
    out += "0";
  } else {
    for (int i = 0; i < d.exponent; ++i) out += DigitAt(d, i);
  }
  if (decimals < 0) decimals = std::max(0, static_cast<int>(d.digits.size()) - d.exponent);
  if (decimals > 0) {
    out += ",";
    for (int i = 0; i < decimals; ++i) out += DigitAt(d, d.exponent + i);
  }
  return out;
}

// Texts of values that are not finite numbers.
bool NonFinite(Extended value, std::string& text) {
  if (std::isnan(value)) {
    text = "NAN";
    return true;
  }
  if (std::isinf(value)) {
    text = value < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

}  // namespace

std::string FormatFixed(Extended value, int precision, int digits) {
  if (std::string text; NonFinite(value, text)) return text;
  Decimal d = ToDecimal(value);
  if (!d.digits.empty() && d.exponent > precision) {
    RoundTo(d, precision);
    if (d.exponent > precision) return Scientific(d);
  }
  RoundTo(d, std::min(precision, d.exponent + digits));
  if (d.exponent > precision) return Scientific(d);
  return Plain(d, digits);
}

std::string FormatGeneral(Extended value) {
  if (std::string text; NonFinite(value, text)) return text;
  Decimal d = ToDecimal(value);
  if (d.digits.empty()) return "0";
  RoundTo(d, 15);
  if (std::fabs(value) < 0.00001L || d.exponent > 15) return Scientific(d);
  return Plain(d, -1);
}

bool ParseReal(const std::string& text, Extended& value) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  // The number is rewritten in the form std::from_chars reads (no '+', a
  // decimal point), so neither the separator typed nor the C library's locale
  // matters.
  std::string s;
  size_t i = b;
  bool negative = false;
  if (i < e && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (negative) s += '-';
  size_t mantissaDigits = 0;
  // Decimal position of the leading significant digit: used to tell an
  // overflow from an underflow when the value is out of range.
  long long leadingPosition = 0;
  bool seenSignificant = false;
  while (i < e && IsDigit(text[i])) {
    if (text[i] != '0') seenSignificant = true;
    if (seenSignificant) ++leadingPosition;
    s += text[i++];
    ++mantissaDigits;
  }
  if (i < e && (text[i] == ',' || text[i] == '.')) {
    s += '.';
    ++i;
    while (i < e && IsDigit(text[i])) {
      if (!seenSignificant) {
        if (text[i] != '0') seenSignificant = true; else --leadingPosition;
      }
      s += text[i++];
      ++mantissaDigits;
    }
  }
  if (mantissaDigits == 0) return false;
  long long exponent = 0;
  if (i < e && (text[i] == 'e' || text[i] == 'E')) {
    s += 'e';
    ++i;
    bool negativeExponent = false;
    if (i < e && (text[i] == '+' || text[i] == '-')) {
      negativeExponent = text[i] == '-';
      s += text[i++];
    }
    size_t expDigits = 0;
    while (i < e && IsDigit(text[i])) {
      if (exponent < 1000000000LL) exponent = exponent * 10 + (text[i] - '0');
      s += text[i++];
      ++expDigits;
    }
    if (expDigits == 0) return false;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != e) return false;
  Extended v = 0.0L;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Too large is refused; too small to be represented reads as zero.
    if (!seenSignificant || leadingPosition + exponent > 0) return false;
    v = negative ? -0.0L : 0.0L;
  } else if (r.ec != std::errc() || r.ptr != s.data() + s.size()) {
    return false;
  }
  if (!std::isfinite(v)) return false;
  value = v;
  return true;
}

bool ParseInteger(const std::string& text, int& value) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  size_t i = b;
  bool negative = false;
  if (i < e && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == e) return false;
  long long v = 0;
  for (; i < e; ++i) {
    if (!IsDigit(text[i])) return false;
    v = v * 10 + (text[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

}  // namespace ltr
