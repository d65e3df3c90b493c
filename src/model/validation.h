#pragma once
// Checks of user-supplied parameters, shared by the dialogs, the command-line
// tool and the file reader.

#include <string>
#include <vector>

#include "model/model_state.h"
#include "numerics/random.h"

namespace ltr {

// The value check of the enclosure: every value positive, the inflow opening
// ending before the right wall, the exhaust opening ending below the ceiling.
// The sums and comparisons are made in extended precision.
bool AreaValuesValid(const TAreaParams& a);

// Every enclosure value, the inflow speed included, a finite number above 0:
// what any computation with the enclosure needs, whatever the dialog's ranges.
bool AreaValuesFinitePositive(const TAreaParams& a);

// The ranges of the enclosure dialog's fields (spacing 0.0001 to 1 m, exhaust
// speed up to 100 m/s, height up to 10 m, the other sizes up to 15 m), and a
// finite positive inflow speed. Values outside them would give models far
// larger than the program can hold.
bool AreaValuesInRange(const TAreaParams& a);

// The enclosure dialog's refusal of values that fail AreaValuesValid or
// AreaValuesInRange.
inline constexpr const char* AreaParamsErrorText = "Параметры заданы некорректно";

// Why the enclosure values cannot be used (AreaParamsErrorText); empty when
// they pass both the value check and the ranges. The inflow speed is checked
// as it is given.
std::string AreaParamsError(const TAreaParams& a);

// The refusal of a value outside its field's range, naming the field by its
// caption: "Значение поля «name» должно быть от min до max".
std::string FieldRangeError(const std::string& name, double minimum, double maximum);

// A field's caption on one line, as messages quote it: each line break read
// as one blank.
std::string OneLineCaption(const char* caption);

// What AreaParamsError refuses, in words: the first of the eight typed values
// (in the order of the dialog's text check) outside its field's range, named
// by its caption on one line with that range, or the opening that reaches a
// wall; empty when AreaParamsError is. The inflow speed is not looked at.
std::string AreaParamsReason(const TAreaParams& a);

// The inflow speed that carries the exhaust's volume flow:
// Speed / InflowWidth * ExhaustWidth, rounded to double.
double DerivedInflowSpeed(const TAreaParams& a);

// Why the dust and air properties cannot give a meaningful concentration run;
// empty when they can. The concentration, the particle density, the air
// viscosity and the shape factor must be positive, the restitution and friction
// coefficients not negative, all of them and gravity finite. One message, for
// the first property that fails, in the order of the dust dialog's fields.
std::string DustParamsError(const TDustParams& d);

// The number of size fractions a composition has: 2 to 100.
inline constexpr int MinFractionCount = 2;
inline constexpr int MaxFractionCount = 100;

// Why a composition of `count` fractions is refused; empty when the count is
// within MinFractionCount..MaxFractionCount. The words are those of the dust
// dialog's count field.
std::string FractionCountError(long long count);

// The message shown when the size fractions give no usable distribution.
inline constexpr const char* SizeGeneratorErrorText = "Ошибка в параметрах генератора случайных чисел";

// Sets g up with one bar per fraction, from each fraction's lower bound to the
// next one's (the last to its upper bound), of height Share / (Upper - Lower),
// and prepares it. False when the bars are refused, or when a bar has no
// positive height or the first starts at a diameter not above 0: such a
// distribution could yield particles without size.
bool SetupSizeGenerator(TBarRandom& g, const std::vector<TFraction>& fractions);

// The refusal of a composition with a bound or share not above 0.
inline constexpr const char* FractionsNotPositiveText = "Диаметры частиц и доли фракций должны быть положительными";

// One fraction as typed, in extended precision and in any unit of length.
struct TTypedFraction {
  Extended Lower = 0.0L;
  Extended Upper = 0.0L;
  Extended Share = 0.0L;
};

// Why a size composition cannot be used; empty when it can. In this order:
// every bound and share positive, the shares adding up to 1 (within 1e-6),
// each lower bound below its upper bound; then the fractions as stored (the
// bounds divided by unitsPerMetre and rounded to double) must suit the size
// generator: adjacent fractions share their bound, the bounds increase, and
// SetupSizeGenerator accepts them. One message, for the first check that fails.
std::string FractionsError(const std::vector<TTypedFraction>& typed, Extended unitsPerMetre);
// The same for fractions stored in metres.
std::string FractionsError(const std::vector<TFraction>& fractions);
// The last of those checks alone, what a concentration run needs of its
// fractions: SizeGeneratorErrorText unless adjacent fractions share their
// bound, the bounds increase and SetupSizeGenerator accepts them.
std::string SizeDistributionError(const std::vector<TFraction>& fractions);

// Why a case cannot be used, with the words of the dialogs; empty when it
// can. In this order: the enclosure (AreaParamsError), the number of
// fractions, the fractions, the dust and air properties.
std::string CaseError(const TCase& c);

}  // namespace ltr
