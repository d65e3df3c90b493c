#include "solver/time_step.h"

#include "solver/influence.h"
#include "solver/velocity.h"

namespace ltr {

namespace {

// Distance of a newborn vortex from the wall beyond the shedding offset, m.
constexpr Extended BirthGap = 0.001L;

}  // namespace

void MoveFreeVortices(TModelState& s) {
  const int N = s.BoundCount;
  const int F = s.FreeCount;
  if (static_cast<int>(s.MovedVortices.size()) < F) s.MovedVortices.resize(static_cast<size_t>(F));
  int k = 0;
  for (int i = N; i < N + F; ++i) {
    const TRealPoint A = s.Vortices[i].Pos;
    // Velocities from the positions at the start of the step: the moved
    // vortices are written to MovedVortices and copied back only at the end.
    double u;
    double v;
    VelocityVectorAt(s, A, i, u, v);
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
    s.MovedVortices[k] = {B, s.Vortices[i].Gamma};
    ++k;
  }
  s.FreeCount = k;
  for (int j = 0; j < k; ++j) s.Vortices[N + j] = s.MovedVortices[j];
}

void TimeStep(TModelState& s) {
  const int N = s.BoundCount;

  for (TSeparationPoint& sp : s.SepPoints)
    if (sp.Enabled) sp.Index = FindSeparation(s, sp.SearchFrom, sp.SearchTo);

  MoveFreeVortices(s);

  // The run gives Vortices room for N + MaxFreeVortex entries; a caller that
  // raised the maximum without growing it still gets room here.
  if (static_cast<int>(s.Vortices.size()) < N + s.MaxFreeVortex)
    s.Vortices.resize(static_cast<size_t>(N + s.MaxFreeVortex));

  const Extended dropDistance = static_cast<Extended>(s.Area.H) / 10;
  const Extended offset = BirthGap + s.Delta;
  for (TSeparationPoint& sp : s.SepPoints) {
    if (s.FreeCount >= s.MaxFreeVortex || !sp.Enabled) continue;
    ++s.FreeCount;
    const int index = N + s.FreeCount - 1;
    TVortex& born = s.Vortices[index];
    const TRealPoint& at = s.CalcPoints[sp.Index].Pos;
    born.Pos = {at.X + offset * sp.Dir.X, at.Y + offset * sp.Dir.Y};
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
