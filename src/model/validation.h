#pragma once
// Checks of user-supplied parameters, shared by the dialogs, the command-line
// tool and the file reader.

#include <string>

#include "model/model_state.h"

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

// The inflow speed that carries the exhaust's volume flow:
// Speed / InflowWidth * ExhaustWidth, rounded to double.
double DerivedInflowSpeed(const TAreaParams& a);

// Why the dust and air properties cannot give a meaningful concentration run;
// empty when they can. The concentration, the particle density, the air
// viscosity and the shape factor must be positive, the restitution and friction
// coefficients not negative, all of them and gravity finite. One message, for
// the first property that fails, in the order of the dust dialog's fields.
std::string DustParamsError(const TDustParams& d);

}  // namespace ltr
