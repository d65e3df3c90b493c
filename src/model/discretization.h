#pragma once
// The discretization of the enclosure: its contour of eight ribs, the bound
// vortices with their calc points, the separation points' search ranges and
// the inset contour that keeps the free vortices inside.

#include "model/model_state.h"

namespace ltr {

// Builds the discrete enclosure `a` into f: the eight contour ribs, the bound
// vortices (zero circulation) with their calc points, the geometric part of
// the separation points and the inset contour; sizes Vortices to N +
// MaxFreeVortex. BoundCountText(f.BoundCount) is what the status bar shows.
void BuildArea(const TAreaParams& a, TFlow& f);

// The number of bound vortices BuildArea gives the enclosure a, found on a
// scratch flow; limit + 1 when it would exceed limit.
// A perimeter far too long for the spacing is only estimated, not
// discretized, so that the count of any enclosure is cheap to learn.
int BoundCountWithin(const TAreaParams& a, int limit);

// The status text after a discretization.
std::string BoundCountText(int boundCount);

}  // namespace ltr
