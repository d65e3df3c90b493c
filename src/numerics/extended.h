#pragma once
// The extended-precision real of the computation: the x87 80-bit format with a
// 64-bit significand. Every geometric, vortex, particle and matrix value is one.

#include <limits>

namespace ltr {

using Extended = long double;

static_assert(std::numeric_limits<Extended>::digits == 64,
              "the computation needs the x87 80-bit extended type (64-bit significand)");
static_assert(std::numeric_limits<Extended>::max_exponent == 16384,
              "the computation needs the x87 80-bit extended type (15-bit exponent)");

// Rounds an extended value to double precision: the points where the program
// stores or rounds to double are written with this, so that a reader sees them.
inline double ToDouble(Extended v) { return static_cast<double>(v); }

}  // namespace ltr
