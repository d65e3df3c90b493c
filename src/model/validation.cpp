#include "model/validation.h"

#include <cmath>

namespace ltr {

bool AreaValuesValid(const TAreaParams& a) {
  for (double v : {a.H, a.Speed, a.RoomWidth, a.RoomHeight, a.InflowDistance, a.InflowWidth,
                   a.ExhaustHeight, a.ExhaustWidth}) {
    if (!(v > 0.0)) return false;
  }
  if (!(static_cast<Extended>(a.RoomWidth) > static_cast<Extended>(a.InflowDistance) + a.InflowWidth))
    return false;
  if (!(static_cast<Extended>(a.RoomHeight) > static_cast<Extended>(a.ExhaustHeight) + a.ExhaustWidth))
    return false;
  return true;
}

bool AreaValuesFinitePositive(const TAreaParams& a) {
  for (double v : {a.H, a.Speed, a.InflowSpeed, a.RoomHeight, a.RoomWidth, a.ExhaustWidth, a.ExhaustHeight,
                   a.InflowWidth, a.InflowDistance}) {
    if (!std::isfinite(v) || !(v > 0.0)) return false;
  }
  return true;
}

bool AreaValuesInRange(const TAreaParams& a) {
  auto in = [](double v, double lo, double hi) { return v >= lo && v <= hi; };
  return in(a.H, 0.0001, 1) && in(a.Speed, 0.0001, 100) && in(a.RoomHeight, 0.0001, 10) &&
         in(a.RoomWidth, 0.0001, 15) && in(a.InflowWidth, 0.0001, 15) &&
         in(a.InflowDistance, 0.0001, 15) && in(a.ExhaustWidth, 0.0001, 15) &&
         in(a.ExhaustHeight, 0.0001, 15) && std::isfinite(a.InflowSpeed) && a.InflowSpeed > 0;
}

double DerivedInflowSpeed(const TAreaParams& a) {
  return ToDouble(static_cast<Extended>(a.Speed) / a.InflowWidth * a.ExhaustWidth);
}

std::string DustParamsError(const TDustParams& d) {
  auto positive = [](double v) { return std::isfinite(v) && v > 0.0; };
  auto notNegative = [](double v) { return std::isfinite(v) && v >= 0.0; };
  if (!positive(d.InputConcentration))
    return "Концентрация пыли в приточном воздухе должна быть положительным числом";
  if (!positive(d.ParticleDensity)) return "Плотность пылевых частиц должна быть положительным числом";
  if (!positive(d.AirViscosity))
    return "Коэффициент динамической вязкости воздуха должен быть положительным числом";
  if (!positive(d.ShapeFactor))
    return "Коэффициент динамической формы частицы должен быть положительным числом";
  if (!notNegative(d.KoefK))
    return "Коэффициент восстановления при ударе должен быть неотрицательным числом";
  if (!notNegative(d.KoefF)) return "Коэффициент трения скольжения должен быть неотрицательным числом";
  if (!std::isfinite(d.Gravity)) return "Ускорение свободного падения должно быть конечным числом";
  return {};
}

}  // namespace ltr
