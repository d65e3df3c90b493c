#pragma once
// One step of the classical fourth-order Runge-Kutta method for a system of N
// equations dY/dt = F(Y, t), given as one scalar function per equation.

#include <functional>
#include <vector>

#include "numerics/matrix.h"

namespace ltr {

// The derivative of one component of the state: it reads Y[0..N-1] (and must
// not change it), may ignore t, and returns an extended value.
using TRightSideFunc = std::function<Extended(const TRealArray& Y, int N, double t)>;
// Element i gives dY[i]/dt.
using TFunctionArray = std::vector<TRightSideFunc>;

// The scratch storage of the integrator: the stage table (row i holds the four
// increments k1..k4 of equation i, already multiplied by the step) and the
// intermediate state of stages 2 to 4. Sized once for a whole sweep of steps;
// a step allocates nothing. Only one step may use an object at a time.
struct TRungeKutta {
  TRealMatr RKStages;
  TRealArray RKTemp;
};

// Sizes the scratch for N equations; precedes every step with this N.
void InitRungeKutta(TRungeKutta& rk, int N);

// Releases the scratch.
void DoneRungeKutta(TRungeKutta& rk, int N);

// Advances Y (at least N elements) from t to t + h and sets t := t + h. Every
// stage is evaluated for all equations before the next begins, and Y changes
// only at the end, so each function of a stage sees one consistent state.
// With N <= 0 only t advances.
void RungeKuttaStep(TRungeKutta& rk, double& t, TRealArray& Y, const TFunctionArray& F, int N, double h);

}  // namespace ltr
