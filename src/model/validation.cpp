#include "model/validation.h"

#include <cmath>

#include "model/fields.h"
#include "numerics/number_text.h"

namespace ltr {

namespace {

// The inflow opening ends left of the right wall.
bool InflowOpeningInside(const TAreaParams& a) {
  return static_cast<Extended>(a.RoomWidth) > static_cast<Extended>(a.InflowDistance) + a.InflowWidth;
}

}  // namespace

bool AreaValuesValid(const TAreaParams& a) {
  for (double v : {a.H, a.Speed, a.RoomWidth, a.RoomHeight, a.InflowDistance, a.InflowWidth,
                   a.ExhaustHeight, a.ExhaustWidth}) {
    if (!(v > 0.0)) return false;
  }
  if (!InflowOpeningInside(a))
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
  for (const TAreaField& f : AreaFields) {
    const double v = a.*f.Member;
    if (*f.Control == '\0') {
      // The derived inflow speed has no field of its own.
      if (!std::isfinite(v) || !(v > 0)) return false;
    } else if (!(v >= f.Minimum && v <= f.Maximum)) {
      return false;
    }
  }
  return true;
}

std::string AreaParamsError(const TAreaParams& a) {
  if (!AreaValuesValid(a) || !AreaValuesInRange(a)) return AreaParamsErrorText;
  return {};
}

std::string FieldRangeError(const std::string& name, double minimum, double maximum) {
  return "Значение поля «" + name + "» должно быть от " + FormatGeneral(minimum) + " до " + FormatGeneral(maximum);
}

std::string OneLineCaption(const char* caption) {
  std::string text;
  for (const char* c = caption; *c != '\0'; ++c) {
    const char ch = *c == '\n' ? ' ' : *c;
    // A caption broken after a blank keeps one blank.
    if (ch == ' ' && !text.empty() && text.back() == ' ') continue;
    text += ch;
  }
  return text;
}

std::string AreaParamsReason(const TAreaParams& a) {
  for (double TAreaParams::*member :
       {&TAreaParams::H, &TAreaParams::Speed, &TAreaParams::RoomWidth, &TAreaParams::RoomHeight,
        &TAreaParams::InflowDistance, &TAreaParams::InflowWidth, &TAreaParams::ExhaustHeight,
        &TAreaParams::ExhaustWidth}) {
    const TAreaField& f = AreaField(member);
    const double v = a.*member;
    if (v >= f.Minimum && v <= f.Maximum) continue;
    return FieldRangeError(OneLineCaption(f.Caption), f.Minimum, f.Maximum);
  }
  if (!InflowOpeningInside(a))
    return "Расстояние от приточного отверстия до левой стенки вместе с шириной отверстия должно быть меньше "
           "ширины укрытия";
  if (!(static_cast<Extended>(a.RoomHeight) > static_cast<Extended>(a.ExhaustHeight) + a.ExhaustWidth))
    return "Расстояние от отсоса до пола вместе с шириной отсоса должно быть меньше высоты укрытия";
  return {};
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

std::string FractionCountError(long long count) {
  if (count >= MinFractionCount && count <= MaxFractionCount) return {};
  return "Значение поля «Количество фракций» должно быть от " + std::to_string(MinFractionCount) + " до " +
         std::to_string(MaxFractionCount);
}

bool SetupSizeGenerator(TBarRandom& g, const std::vector<TFraction>& fractions) {
  const int K = static_cast<int>(fractions.size());
  if (K == 0) return false;
  g.SetCount(K);
  for (int j = 0; j < K; ++j) g.SetBound(j, fractions[j].Lower);
  g.SetBound(K, fractions[K - 1].Upper);
  for (int j = 0; j < K; ++j)
    g.SetHeight(j, ToDouble(static_cast<Extended>(fractions[j].Share) / (static_cast<Extended>(fractions[j].Upper) -
                                                                        fractions[j].Lower)));
  if (!g.Prepare()) return false;
  if (!(g.Bounds()[0] > 0)) return false;
  for (Extended h : g.Heights())
    if (!(h > 0)) return false;
  return true;
}

std::string FractionsError(const std::vector<TTypedFraction>& typed, Extended unitsPerMetre) {
  for (const TTypedFraction& f : typed)
    if (!(f.Lower > 0) || !(f.Upper > 0) || !(f.Share > 0))
      return FractionsNotPositiveText;
  Extended sum = 0.0L;
  for (const TTypedFraction& f : typed) sum += f.Share;
  if (std::fabs(sum - 1) > 1e-6L) return "Сумма долей фракций должна равняться 1";
  for (const TTypedFraction& f : typed)
    if (!(f.Lower < f.Upper)) return "Нижние границы фракций должны быть меньше верхних";

  // The fractions as they will be stored must also suit the size generator of
  // the concentration run: adjacent fractions share their bound (the generator
  // takes each fraction's lower bound and the last upper bound), the bounds
  // increase, and nothing is lost by the rounding to metres.
  const std::size_t count = typed.size();
  std::vector<TFraction> stored(count);
  for (std::size_t i = 0; i < count; ++i)
    stored[i] = TFraction{ToDouble(typed[i].Lower / unitsPerMetre), ToDouble(typed[i].Upper / unitsPerMetre),
                          ToDouble(typed[i].Share)};
  return SizeDistributionError(stored);
}

std::string SizeDistributionError(const std::vector<TFraction>& fractions) {
  for (std::size_t i = 0; i + 1 < fractions.size(); ++i)
    if (fractions[i].Upper != fractions[i + 1].Lower || !(fractions[i + 1].Lower > fractions[i].Lower))
      return SizeGeneratorErrorText;
  TBarRandom generator;
  if (!SetupSizeGenerator(generator, fractions)) return SizeGeneratorErrorText;
  return {};
}

std::string FractionsError(const std::vector<TFraction>& fractions) {
  std::vector<TTypedFraction> typed;
  typed.reserve(fractions.size());
  for (const TFraction& f : fractions) typed.push_back({f.Lower, f.Upper, f.Share});
  return FractionsError(typed, 1.0L);
}

std::string CaseError(const TCase& c) {
  if (std::string error = AreaParamsError(c.Area); !error.empty()) return error;
  if (std::string error = FractionCountError(static_cast<long long>(c.Dust.Fractions.size())); !error.empty())
    return error;
  if (std::string error = FractionsError(c.Dust.Fractions); !error.empty()) return error;
  return DustParamsError(c.Dust);
}

}  // namespace ltr
