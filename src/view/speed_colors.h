#pragma once
// The colours of the speed field: a perceptual colour map (viridis, from dark
// violet through blue and green to yellow) sampled in a small table and
// interpolated linearly.

#include <QColor>

namespace ltr {

// The colour at t in [0, 1] (values outside are held at the ends; not a
// number gives the low end).
QColor ViridisColor(double t);

// The colour of a speed on a scale from 0 to maxSpeed (a scale of 0 gives the
// low end everywhere).
QColor SpeedColor(double speed, double maxSpeed);

}  // namespace ltr
