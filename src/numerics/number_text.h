#pragma once
// Numbers as the interface shows and reads them, always with a decimal comma.

#include <string>

#include "numerics/extended.h"

namespace ltr {

// Fixed notation with `digits` decimals (precision `precision`): rounded to at
// most `precision` significant digits and written with exactly `digits`
// decimals; a value whose integer part needs more than `precision` digits is
// written in scientific notation ("1,23E3") instead.
std::string FormatFixed(Extended value, int precision, int digits);

// General notation: the shortest text with up to 15 significant digits, fixed
// unless the value is below 0.00001 or its integer part needs more than 15
// digits, then scientific ("1E-6", "1,5E20").
std::string FormatGeneral(Extended value);

// Typed text to a real: optional sign, digits with a decimal comma or point,
// optional exponent; blanks around it are allowed. False for anything else.
bool ParseReal(const std::string& text, Extended& value);

// Typed text to a 32-bit integer (optional sign and decimal digits only).
bool ParseInteger(const std::string& text, int& value);

}  // namespace ltr
