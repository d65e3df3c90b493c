#include "view/speed_colors.h"

#include <array>
#include <cmath>

namespace ltr {

namespace {

struct TRgb {
  int R, G, B;
};

// viridis at t = 0, 1/8, ..., 1.
constexpr std::array<TRgb, 9> Viridis{{{68, 1, 84},
                                       {72, 40, 120},
                                       {62, 74, 137},
                                       {49, 104, 142},
                                       {38, 130, 142},
                                       {31, 158, 137},
                                       {53, 183, 121},
                                       {109, 205, 89},
                                       {253, 231, 37}}};

int Mix(int a, int b, double f) { return static_cast<int>(std::lround(a + (b - a) * f)); }

}  // namespace

QColor ViridisColor(double t) {
  if (!(t > 0.0)) t = 0.0;
  if (t > 1.0) t = 1.0;
  const double pos = t * (Viridis.size() - 1);
  size_t k = static_cast<size_t>(pos);
  if (k >= Viridis.size() - 1) k = Viridis.size() - 2;
  const double f = pos - static_cast<double>(k);
  const TRgb& a = Viridis[k];
  const TRgb& b = Viridis[k + 1];
  return QColor(Mix(a.R, b.R, f), Mix(a.G, b.G, f), Mix(a.B, b.B, f));
}

QColor SpeedColor(double speed, double maxSpeed) {
  return ViridisColor(maxSpeed > 0.0 ? speed / maxSpeed : 0.0);
}

TScaleTicks SpeedScaleTicks(double maxSpeed) {
  TScaleTicks ticks;
  ticks.Values.push_back(0.0);
  if (!(maxSpeed > 0.0) || !std::isfinite(maxSpeed)) return ticks;
  constexpr int MaxIntervals = 5;
  const double magnitude = std::pow(10.0, std::floor(std::log10(maxSpeed / MaxIntervals)));
  double step = 10 * magnitude;
  int extraDecimal = 0;
  for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (std::floor(maxSpeed / (m * magnitude)) <= MaxIntervals) {
      step = m * magnitude;
      extraDecimal = m == 2.5 ? 1 : 0;
      break;
    }
  }
  const int intervals = static_cast<int>(std::floor(maxSpeed / step * (1 + 1e-12)));
  for (int k = 1; k <= intervals; ++k) ticks.Values.push_back(k * step);
  ticks.Decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9))) + extraDecimal;
  return ticks;
}

}  // namespace ltr
