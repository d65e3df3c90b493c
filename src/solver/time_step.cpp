#include "solver/time_step.h"

#include <cstdint>
#include <vector>

#include "numerics/parallel.h"
#include "solver/influence.h"
#include "solver/velocity.h"

namespace ltr {

namespace {

// Distance of a newborn vortex from the wall beyond the shedding offset, m.
constexpr Extended BirthGap = 0.001L;

// The unconstrained Euler step of free vortex i, from the positions at the
// start of the step.
TRealPoint FreeStep(const TModelState& s, int i) {
  const TRealPoint A = s.Vortices[i].Pos;
  double u;
  double v;
  FlowVelocityAt(s, A, i, u, v);
  return {A.X + static_cast<Extended>(u) * s.Dt, A.Y + static_cast<Extended>(v) * s.Dt};
}

// Where free vortex i ends its step A -> B, kept inside the inset contour. It
// reads the positions at the start of the step and writes nothing.
TRealPoint ConfinedPosition(const TModelState& s, int i, TRealPoint B, const TBox& box) {
  const TRealPoint A = s.Vortices[i].Pos;
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
  // The crossing test counts a point within ZeroTolerance of a side as on it,
  // so a move that starts there (a grazing slide leaves a vortex only
  // WallOffset * sin(angle) from the side) is not seen to cross. A vortex that
  // still ends on or beyond a side is put back WallOffset inside it.
  if (!s.InnerRibs.empty() && !StrictlyInside(B, box)) PullInside(B, box, WallOffset);
  return B;
}

// The part of the inset right-hand side that faces the exhaust opening.
struct TExhaustBand {
  Extended X;     // the inset right-hand side
  Extended Low;   // the opening's lower and upper edges
  Extended High;

  TExhaustBand(const TModelState& s, const TBox& box)
      : X(box.Right),
        Low(s.Area.ExhaustHeight),
        High(static_cast<Extended>(s.Area.ExhaustHeight) + s.Area.ExhaustWidth) {}

  // Whether the step A -> B reaches the side strictly between the two edges.
  // A step that starts on or beyond the side is judged where it starts.
  bool Reached(const TRealPoint& A, const TRealPoint& B) const {
    if (B.X < X) return false;
    const Extended y = A.X >= X ? A.Y : A.Y + (B.Y - A.Y) * ((X - A.X) / (B.X - A.X));
    return Low < y && y < High;
  }
};

// The move with the exhaust open to vortices: a vortex whose step reaches the
// band leaves the flow. The fate of each vortex is found on its own thread;
// the survivors are then copied back in their order, and the link to the last
// vortex shed at each separation point follows its vortex, or is cleared when
// that vortex left.
void MoveFreeVorticesThroughExhaust(TModelState& s, const TBox& box) {
  const int N = s.BoundCount;
  const int F = s.FreeCount;
  const bool confined = !s.InnerRibs.empty();
  const TExhaustBand band(s, box);
  std::vector<std::uint8_t> leaves(static_cast<size_t>(F), 0);
  ParallelFor(F, ResolveThreadCount(s.Compute.Threads), s.Compute.Fast ? 64 : 16,
              [&s, N, confined, &box, &band, &leaves](int k) {
                const TRealPoint A = s.Vortices[N + k].Pos;
                const TRealPoint B = FreeStep(s, N + k);
                if (confined && band.Reached(A, B))
                  leaves[k] = 1;
                else
                  s.MovedVortices[k] = {ConfinedPosition(s, N + k, B, box), s.Vortices[N + k].Gamma};
              });

  std::vector<int> newIndex(static_cast<size_t>(F), -1);
  int kept = 0;
  for (int k = 0; k < F; ++k) {
    if (leaves[k] != 0) {
      ++s.ExhaustedVortexCount;
      continue;
    }
    newIndex[k] = N + kept;
    s.Vortices[N + kept] = s.MovedVortices[k];
    ++kept;
  }
  s.FreeCount = kept;
  // With no link, the next vortex born at the point is not compared with one
  // that is gone.
  for (TSeparationPoint& sp : s.SepPoints) {
    if (sp.LastShed < N) continue;
    sp.LastShed = sp.LastShed - N < F ? newIndex[sp.LastShed - N] : -1;
  }
}

}  // namespace

void MoveFreeVortices(TModelState& s) {
  const int N = s.BoundCount;
  const int F = s.FreeCount;
  if (static_cast<int>(s.MovedVortices.size()) < F) s.MovedVortices.resize(static_cast<size_t>(F));
  const TBox box = ContourBox(s.InnerRibs);
  if (s.Compute.Fast) LoadFastVortices(s, s.FastVortices);
  // Velocities from the positions at the start of the step: the moved
  // vortices are written to MovedVortices and copied back only at the end, so
  // the vortices can move on several threads.
  if (s.Compute.ExhaustVortices) {
    MoveFreeVorticesThroughExhaust(s, box);
    return;
  }
  ParallelFor(F, ResolveThreadCount(s.Compute.Threads), s.Compute.Fast ? 64 : 16, [&s, N, &box](int k) {
    s.MovedVortices[k] = {ConfinedPosition(s, N + k, FreeStep(s, N + k), box), s.Vortices[N + k].Gamma};
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
