#pragma once
// The colours of the speed field: a perceptual colour map (viridis, from dark
// violet through blue and green to yellow) sampled in a small table and
// interpolated linearly.

#include <QColor>
#include <vector>

namespace ltr {

// The colour at t in [0, 1] (values outside are held at the ends; not a
// number gives the low end).
QColor ViridisColor(double t);

// The colour of a speed on a scale from 0 to maxSpeed (a scale of 0 gives the
// low end everywhere).
QColor SpeedColor(double speed, double maxSpeed);

// The labelled ticks of a colour scale from 0 to maxSpeed: 0 and the multiples
// of a round step (1, 2, 2.5 or 5 times a power of ten) up to maxSpeed, at
// most six ticks and at least two where maxSpeed is above 0; with the
// decimals that write the step exactly.
struct TScaleTicks {
  std::vector<double> Values;
  int Decimals = 0;
};
TScaleTicks SpeedScaleTicks(double maxSpeed);

}  // namespace ltr
