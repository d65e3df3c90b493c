#include "solver/time_step.h"

#include "numerics/parallel.h"
#include "solver/influence.h"
#include "solver/velocity.h"

namespace ltr {

namespace {

// Distance of a newborn vortex from the wall beyond the shedding offset, m.
constexpr Extended BirthGap = 0.001L;

}  // namespace

namespace {

// Where free vortex i ends its Euler step, kept inside the inset contour. It
// reads the positions at the start of the step and writes nothing.
TRealPoint MovedPosition(const TModelState& s, int i) {
  const TRealPoint A = s.Vortices[i].Pos;
  double u;
  double v;
  FlowVelocityAt(s, A, i, u, v);
  TRealPoint B{A.X + static_cast<Extended>(u) * s.Dt, A.Y + static_cast<Extended>(v) * s.Dt};

  bool anyHit = false;
  for (const TRib& rib : s.InnerRibs) {
    bool hit;
    TRealPoint res;
    SlideAlongRib(A, B, rib, hit, res);
    B = res;
    anyHit = anyHit || hit;
  }
  if (anyHit) {
    for (const TRib& rib : s.InnerRibs) {
      bool hit;
      TRealPoint res;
      StopAtRib(A, B, rib, hit, res);
      B = res;
    }
  }
  return B;
}

}  // namespace

void MoveFreeVortices(TModelState& s) {
  const int N = s.BoundCount;
  const int F = s.FreeCount;
  if (static_cast<int>(s.MovedVortices.size()) < F) s.MovedVortices.resize(static_cast<size_t>(F));
  const bool confined = !s.InnerRibs.empty();
  const TBox box = ContourBox(s.InnerRibs);
  if (s.Compute.Fast) LoadFastVortices(s, s.FastVortices);
  // Velocities from the positions at the start of the step: the moved
  // vortices are written to MovedVortices and copied back only at the end, so
  // the vortices can move on several threads.
  ParallelFor(F, ResolveThreadCount(s.Compute.Threads), s.Compute.Fast ? 64 : 16, [&s, N, confined, &box](int k) {
    TRealPoint B = MovedPosition(s, N + k);
    // The crossing test counts a point within ZeroTolerance of a side as on
    // it, so a move that starts there (a grazing slide leaves a vortex only
    // WallOffset * sin(angle) from the side) is not seen to cross. A vortex
    // that still ends on or beyond a side is put back WallOffset inside it.
    if (confined && !StrictlyInside(B, box)) PullInside(B, box, WallOffset);
    s.MovedVortices[k] = {B, s.Vortices[N + k].Gamma};
  });
  for (int j = 0; j < F; ++j) s.Vortices[N + j] = s.MovedVortices[j];
}

void TimeStep(TModelState& s) {
  const int N = s.BoundCount;

  // The four searches are independent of each other.
  ParallelFor(SeparationPointCount, ResolveThreadCount(s.Compute.Threads), 1, [&s](int j) {
    TSeparationPoint& sp = s.SepPoints[j];
    if (sp.Enabled) sp.Index = FindSeparation(s, sp.SearchFrom, sp.SearchTo);
  });

  MoveFreeVortices(s);

  // The run gives Vortices room for N + MaxFreeVortex entries; a caller that
  // raised the maximum without growing it still gets room here.
  if (static_cast<int>(s.Vortices.size()) < N + s.MaxFreeVortex)
    s.Vortices.resize(static_cast<size_t>(N + s.MaxFreeVortex));

  const bool confined = !s.InnerRibs.empty();
  const TBox box = ContourBox(s.InnerRibs);
  const Extended dropDistance = static_cast<Extended>(s.Area.H) / 10;
  const Extended offset = BirthGap + s.Delta;
  for (TSeparationPoint& sp : s.SepPoints) {
    if (s.FreeCount >= s.MaxFreeVortex || !sp.Enabled) continue;
    ++s.FreeCount;
    const int index = N + s.FreeCount - 1;
    TVortex& born = s.Vortices[index];
    const TRealPoint& at = s.CalcPoints[sp.Index].Pos;
    born.Pos = {at.X + offset * sp.Dir.X, at.Y + offset * sp.Dir.Y};
    // The normal through a calc point near a corner (the only calc point of a
    // wall shorter than the spacing) can lie beyond the inset side of the
    // neighbouring wall; such a vortex is born BirthGap inside that side.
    if (confined && !StrictlyInside(born.Pos, box)) PullInside(born.Pos, box, BirthGap);
    born.Gamma = s.Vortices[sp.Index].Gamma;
    if (sp.LastShed != -1 && PointDistance(born.Pos, s.Vortices[sp.LastShed].Pos) < dropDistance)
      --s.FreeCount;  // too close to the previous one from this point
    else
      sp.LastShed = index;
  }

  UpdateRightSide(s);
  SolveCirculations(s);
}

}  // namespace ltr
