#pragma once
// The point-vortex kernel, the velocity field of all vortices with the vortex
// core, and the search of a separation position along a wall.

#include "model/model_state.h"

namespace ltr {

// The constant projection directions of velocity components.
inline constexpr TRealPoint XDirection{1.0L, 0.0L};
inline constexpr TRealPoint YDirection{0.0L, 1.0L};

// Component along n of the velocity induced at P by a unit vortex at V; no
// core. Rounded to double.
double InducedVelocity(const TRealPoint& P, const TRealPoint& V, const TRealPoint& n);

// Component along n of the velocity at P from vortices 0 .. N+FreeCount-1 of
// f.Vortices except Skip (-1 skips none), with the vortex core of radius H / 2
// of the case's enclosure.
double VelocityAt(const TCase& c, const TFlow& f, const TRealPoint& P, const TRealPoint& n, int Skip);

// Both components of the velocity at P in one pass over the vortices: u equals
// VelocityAt(c, f, P, XDirection, Skip) and v equals VelocityAt(c, f, P,
// YDirection, Skip), bit for bit.
void VelocityVectorAt(const TCase& c, const TFlow& f, const TRealPoint& P, int Skip, double& u, double& v);

// Loads the vortices 0 .. N+FreeCount-1 of f, rounded to double, into fast
// for the fast mode's sums (FastVelocityAt).
void LoadFastVortices(const TCase& c, const TFlow& f, TFastVortices& fast);

// The velocity at P as the run's compute settings ask: the exact sum of
// VelocityVectorAt, or in fast mode the double sum over run.FastVortices
// (loaded for the vortices as they are; the point's own vortex adds nothing
// there).
void FlowVelocityAt(const TCase& c, const TFlow& f, const TRun& run, const TRealPoint& P, int Skip, double& u,
                    double& v);

// The fewest indices a thread of a parallel loop should take when each index
// costs about termsPerIndex terms of the velocity sums (one vortex's
// contribution at one point): below that, waking a sleeping thread costs more
// than it saves. A term of the exact sums takes some 20 ns and one of the fast
// sums some 0.4 ns (bench_speed's BM_VelocityTerms), and a thread is worth
// waking for some 20 us of work (measured with bench_speed's threaded cases).
int ThreadGrain(const TComputeSettings& compute, long long termsPerIndex);

// Whether the vortices carry a flow: some circulation among vortices
// 0 .. N+FreeCount-1 is not zero. A fresh discretization has none until the
// bound circulations are solved, and the air then stands still everywhere.
bool FlowComputed(const TFlow& f);

// The question asked before a computation in a flow that FlowComputed finds
// missing.
inline constexpr const char* FlowNotComputedQuestion =
    "Поле скоростей не рассчитано: все циркуляции равны нулю, воздух в укрытии неподвижен. Продолжить?";

// Index of the separation position between calc points From and To. With
// `fast`, the signs are those of the fast kernel's sums over its vortices
// (loaded from f as it is).
int FindSeparation(const TCase& c, const TFlow& f, int From, int To, const TFastVortices* fast = nullptr);

}  // namespace ltr
