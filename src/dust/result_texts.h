#pragma once
// The results of a concentration run as the windows and the reports write
// them, with a decimal comma: the concentrations in kg/m3 as the results
// window shows them and in mg/m3, the diameters in micrometres, shares and
// percentages.

#include <string>

namespace ltr {

// A concentration in kg/m3 with 7 decimals (precision 8) and the unit:
// "0,0000094 кг/м3".
std::string ConcentrationText(double kgPerCubicMetre);
// The same in mg/m3 with three significant digits (at most six decimals),
// without the unit: "9,38".
std::string MilligramsText(double kgPerCubicMetre);
// A diameter in metres as micrometres with 1 decimal (precision 3): "30,0".
std::string MicrometresText(double metres);
// A share of 1 with 3 decimals (precision 4): "0,625".
std::string ShareText(double share);
// A share of 1 as a percentage with 1 decimal (precision 5): "62,5".
std::string PercentText(double share);

}  // namespace ltr
