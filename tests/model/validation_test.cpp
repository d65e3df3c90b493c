// The checks that the dialogs, ltr-cli and the runs share: each refusal with
// its words, and the inputs just inside the limits accepted.

#include "model/validation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace ltr {
namespace {

const std::string AreaRefused = "Параметры заданы некорректно";

TEST(ValidationTest, EnclosureValuesAreRefusedWithTheDialogsWords) {
  TAreaParams fine;
  EXPECT_EQ(AreaParamsError(fine), "");
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::pair<const char*, std::function<void(TAreaParams&)>>> cases = {
      {"zero width", [](TAreaParams& a) { a.RoomWidth = 0; }},
      {"inflow past the right wall", [](TAreaParams& a) { a.InflowDistance = 0.8; }},
      {"inflow ending at the right wall", [](TAreaParams& a) { a.InflowDistance = 0.5; a.InflowWidth = 0.5; }},
      {"exhaust past the ceiling", [](TAreaParams& a) { a.ExhaustHeight = 0.5; }},
      {"spacing below its range", [](TAreaParams& a) { a.H = 0.00001; }},
      {"height above its range", [](TAreaParams& a) { a.RoomHeight = 12; }},
      {"speed above its range", [](TAreaParams& a) { a.Speed = 150; }},
      {"inflow speed not a number", [nan](TAreaParams& a) { a.InflowSpeed = nan; }},
      {"inflow speed zero", [](TAreaParams& a) { a.InflowSpeed = 0; }},
  };
  for (const auto& [what, change] : cases) {
    TAreaParams a;
    change(a);
    EXPECT_EQ(AreaParamsError(a), AreaRefused) << what;
  }
  // The upper ends of the ranges belong to them.
  TAreaParams edge;
  edge.H = 1;
  edge.Speed = 100;
  edge.RoomHeight = 10;
  edge.RoomWidth = 15;
  edge.InflowWidth = 14.9;
  edge.InflowDistance = 0.05;
  edge.ExhaustHeight = 5;
  edge.ExhaustWidth = 4;
  EXPECT_EQ(AreaParamsError(edge), "");
}

TEST(ValidationTest, DustPropertiesAreRefusedInTheOrderOfTheDialogsFields) {
  EXPECT_EQ(DustParamsError(TDustParams{}), "");
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<std::function<void(TDustParams&)>, std::string>> cases = {
      {[](TDustParams& d) { d.InputConcentration = 0; },
       "Концентрация пыли в приточном воздухе должна быть положительным числом"},
      {[](TDustParams& d) { d.ParticleDensity = -1; }, "Плотность пылевых частиц должна быть положительным числом"},
      {[inf](TDustParams& d) { d.AirViscosity = inf; },
       "Коэффициент динамической вязкости воздуха должен быть положительным числом"},
      {[](TDustParams& d) { d.ShapeFactor = 0; },
       "Коэффициент динамической формы частицы должен быть положительным числом"},
      {[](TDustParams& d) { d.KoefK = -0.1; },
       "Коэффициент восстановления при ударе должен быть неотрицательным числом"},
      {[](TDustParams& d) { d.KoefF = -0.1; }, "Коэффициент трения скольжения должен быть неотрицательным числом"},
      {[inf](TDustParams& d) { d.Gravity = -inf; }, "Ускорение свободного падения должно быть конечным числом"},
      // Two faults: the first field's message.
      {[](TDustParams& d) { d.KoefF = -1; d.ParticleDensity = 0; },
       "Плотность пылевых частиц должна быть положительным числом"},
  };
  for (const auto& [change, message] : cases) {
    TDustParams d;
    change(d);
    EXPECT_EQ(DustParamsError(d), message);
  }
  TDustParams zeroCoefficients;
  zeroCoefficients.KoefK = 0;
  zeroCoefficients.KoefF = 0;
  EXPECT_EQ(DustParamsError(zeroCoefficients), "");
}

TEST(ValidationTest, CompositionsAreRefusedWithTheDialogsWords) {
  EXPECT_EQ(FractionCountError(1), "Значение поля «Количество фракций» должно быть от 2 до 100");
  EXPECT_EQ(FractionCountError(101), "Значение поля «Количество фракций» должно быть от 2 до 100");
  EXPECT_EQ(FractionCountError(2), "");
  EXPECT_EQ(FractionCountError(100), "");

  EXPECT_EQ(FractionsError(TDustParams{}.Fractions), "");
  const std::string generator = "Ошибка в параметрах генератора случайных чисел";
  const std::vector<std::pair<std::vector<TFraction>, std::string>> cases = {
      {{{0, 2e-5, 0.5}, {2e-5, 3e-5, 0.5}}, "Диаметры частиц и доли фракций должны быть положительными"},
      {{{1e-5, 2e-5, 0.5}, {2e-5, 3e-5, -0.5}}, "Диаметры частиц и доли фракций должны быть положительными"},
      {{{1e-5, 2e-5, 0.5}, {2e-5, 3e-5, 0.6}}, "Сумма долей фракций должна равняться 1"},
      {{{1e-5, 2e-5, 0.5}, {3e-5, 2e-5, 0.5}}, "Нижние границы фракций должны быть меньше верхних"},
      // A gap, an overlap and fractions in falling order: no size distribution.
      {{{1e-5, 2e-5, 0.5}, {3e-5, 4e-5, 0.5}}, generator},
      {{{1e-5, 3e-5, 0.5}, {2e-5, 4e-5, 0.5}}, generator},
      {{{3e-5, 4e-5, 0.5}, {1e-5, 3e-5, 0.5}}, generator},
  };
  for (const auto& [fractions, message] : cases) EXPECT_EQ(FractionsError(fractions), message);
  // The run asks for the size distribution alone: every fault that leaves
  // none is the generator's.
  for (const auto& [fractions, message] : cases) EXPECT_EQ(SizeDistributionError(fractions), generator) << message;
  EXPECT_EQ(SizeDistributionError(TDustParams{}.Fractions), "");

  // Typed in micrometres: checked as typed, then as stored in metres.
  EXPECT_EQ(FractionsError({{30, 50, 0.4L}, {50, 70, 0.6L}}, 1000000.0L), "");
  EXPECT_EQ(FractionsError({{30, 50, 0.4L}, {50, 70, 0.6000011L}}, 1000000.0L),
            "Сумма долей фракций должна равняться 1");
  EXPECT_EQ(FractionsError({{30, 50, 0.4L}, {60, 70, 0.6L}}, 1000000.0L), generator);
}

}  // namespace
}  // namespace ltr
