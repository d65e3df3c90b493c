#pragma once
// The velocity of a field of point vortices in double precision, vectorised
// for the processor the program runs on (chosen once at run time): the fast
// mode's counterpart of the extended-precision sum.

#include <cstddef>
#include <vector>

namespace ltr {

// The vortices of a field as arrays of doubles, padded with vortices of zero
// circulation to a whole number of vector blocks.
struct TFastVortices {
  std::vector<double> X;
  std::vector<double> Y;
  std::vector<double> Gamma;
  size_t Count = 0;       // vortices in the field, without the padding
  double CoreRadius = 0;  // H / 2
  double CoreEpsilon = 0; // below this distance a vortex contributes nothing

  // Room for n vortices; the caller then fills entries 0 .. n - 1.
  void Resize(size_t n);
};

// Both velocity components at (px, py): each vortex adds Gamma / (2 pi r^2)
// times (-dy, dx), with the speed falling linearly to zero inside the core;
// a vortex nearer than CoreEpsilon (the point's own vortex) adds nothing.
void FastVelocityAt(const TFastVortices& field, double px, double py, double& u, double& v);

// The name of the instruction set the sums use ("AVX2", "SSE4", ...).
const char* FastVelocityTarget();

}  // namespace ltr
