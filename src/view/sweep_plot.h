#pragma once
// The picture of a parameter sweep: the outlet concentration with its 95 %
// interval against the swept value.

#include <QImage>
#include <string>
#include <vector>

namespace ltr {

struct TSweepPoint {
  double Value = 0.0;   // the swept parameter
  double Output = 0.0;  // outlet concentration, kg/m3
  double Low = 0.0;     // its 95 % interval; NaN where not defined
  double High = 0.0;
};

// The points in order of their values, with the parameter's name on the
// horizontal axis and mg/m3 on the vertical one. Labels need a running
// QGuiApplication.
QImage DrawSweepPlot(const std::vector<TSweepPoint>& points, const std::string& parameter, int width = 800,
                     int height = 500);

}  // namespace ltr
