#include "dust/result_texts.h"

#include <algorithm>
#include <cmath>

#include "numerics/number_text.h"

namespace ltr {

std::string ConcentrationText(double kgPerCubicMetre) { return FormatFixed(kgPerCubicMetre, 8, 7) + " кг/м3"; }

std::string MilligramsText(double kgPerCubicMetre) {
  const Extended mg = static_cast<Extended>(kgPerCubicMetre) * 1000000.0L;
  int decimals = 2;
  if (mg > 0) decimals = std::clamp(2 - static_cast<int>(std::floor(std::log10(static_cast<double>(mg)))), 0, 6);
  return FormatFixed(mg, 15, decimals);
}

std::string MicrometresText(double metres) { return FormatFixed(static_cast<Extended>(metres) * 1000000.0L, 3, 1); }

std::string ShareText(double share) { return FormatFixed(share, 4, 3); }

std::string PercentText(double share) { return FormatFixed(static_cast<Extended>(share) * 100, 5, 1); }

}  // namespace ltr
