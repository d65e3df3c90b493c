// Fuzzing of the number texts: the input is a typed text. What ParseReal
// accepts is a finite value, read alike with a decimal comma or point; what
// ParseInteger accepts, ParseReal reads as the same value. A value of the
// double range, written as the windows write it (general notation, and fixed
// notation with each precision the program uses), reads back, and the text of
// the value read back is the same text again (general notation: the same
// value again, as a value just below 0.00001 may switch notation).

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

#include "numerics/number_text.h"

namespace {

using ltr::Extended;

// Precision and decimals of the fixed texts of the windows and ltr-cli.
constexpr std::pair<int, int> FixedForms[] = {{6, 3}, {8, 7}, {3, 1}, {4, 3}, {5, 4}, {6, 5}, {4, 1}};

bool SameValue(Extended a, Extended b) { return a == b && std::signbit(a) == std::signbit(b); }

std::string Swapped(std::string text) {
  for (char& c : text) {
    if (c == ',') c = '.';
    else if (c == '.') c = ',';
  }
  return text;
}

Extended Reread(const std::string& text) {
  Extended v = 0.0L;
  if (!ltr::ParseReal(text, v)) std::abort();
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  Extended value = 0.0L;
  const bool parsed = ltr::ParseReal(text, value);
  Extended other = 0.0L;
  const bool otherParsed = ltr::ParseReal(Swapped(text), other);
  if (parsed != otherParsed || (parsed && !SameValue(value, other))) std::abort();

  int integer = 0;
  if (ltr::ParseInteger(text, integer)) {
    if (!parsed || value != static_cast<Extended>(integer)) std::abort();
    int again = 0;
    if (!ltr::ParseInteger(std::to_string(integer), again) || again != integer) std::abort();
  }

  if (!parsed) return 0;
  if (!std::isfinite(value)) std::abort();
  // The values the program shows come from doubles.
  if (std::fabs(value) > DBL_MAX) return 0;

  const std::string general = ltr::FormatGeneral(value);
  const Extended back = Reread(general);
  // Fifteen significant digits (half a unit of the 15th, plus the rounding of
  // the text read back to 64 bits), for values where the long double is normal.
  if (std::fabs(value) >= DBL_MIN && !(std::fabs(back - value) <= 5.0002e-15L * std::fabs(value)))
    std::abort();
  if (!SameValue(Reread(ltr::FormatGeneral(back)), back)) std::abort();

  for (const auto& [precision, digits] : FixedForms) {
    const std::string fixed = ltr::FormatFixed(value, precision, digits);
    if (ltr::FormatFixed(Reread(fixed), precision, digits) != fixed) std::abort();
  }
  return 0;
}
