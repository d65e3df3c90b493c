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
TRealPoint FreeStep(const TCase& c, const TFlow& f, const TRun& run, int i) {
  const TRealPoint A = f.Vortices[i].Pos;
  double u;
  double v;
  FlowVelocityAt(c, f, run, A, i, u, v);
  return {A.X + static_cast<Extended>(u) * f.Dt, A.Y + static_cast<Extended>(v) * f.Dt};
}

// Where free vortex i ends its step A -> B, kept inside the inset contour. It
// reads the positions at the start of the step and writes nothing.
TRealPoint ConfinedPosition(const TFlow& f, int i, TRealPoint B, const TBox& box) {
  const TRealPoint A = f.Vortices[i].Pos;
  bool anyHit = false;
  for (const TRib& rib : f.InnerRibs) {
    bool hit;
    TRealPoint res;
    SlideAlongRib(A, B, rib, hit, res);
    B = res;
    anyHit = anyHit || hit;
  }
  if (anyHit) {
    for (const TRib& rib : f.InnerRibs) {
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
  if (!f.InnerRibs.empty() && !StrictlyInside(B, box)) PullInside(B, box, WallOffset);
  return B;
}

// The part of the inset right-hand side that faces the exhaust opening.
struct TExhaustBand {
  Extended X;    // the inset right-hand side
  Extended Low;  // the opening's lower and upper edges
  Extended High;

  TExhaustBand(const TAreaParams& a, const TBox& box)
      : X(box.Right), Low(a.ExhaustHeight), High(static_cast<Extended>(a.ExhaustHeight) + a.ExhaustWidth) {}

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
void MoveFreeVorticesThroughExhaust(const TCase& c, TFlow& f, TRun& run, const TBox& box) {
  const int N = f.BoundCount;
  const int F = f.FreeCount;
  const bool confined = !f.InnerRibs.empty();
  const TExhaustBand band(c.Area, box);
  std::vector<std::uint8_t> leaves(static_cast<size_t>(F), 0);
  ParallelFor(F, ResolveThreadCount(run.Compute.Threads), ThreadGrain(run.Compute, N + F),
              [&c, &f, &run, N, confined, &box, &band, &leaves](int k) {
                const TRealPoint A = f.Vortices[N + k].Pos;
                const TRealPoint B = FreeStep(c, f, run, N + k);
                if (confined && band.Reached(A, B))
                  leaves[k] = 1;
                else
                  run.MovedVortices[k] = {ConfinedPosition(f, N + k, B, box), f.Vortices[N + k].Gamma};
              });

  std::vector<int> newIndex(static_cast<size_t>(F), -1);
  int kept = 0;
  for (int k = 0; k < F; ++k) {
    if (leaves[k] != 0) {
      ++f.ExhaustedVortexCount;
      continue;
    }
    newIndex[k] = N + kept;
    f.Vortices[N + kept] = run.MovedVortices[k];
    ++kept;
  }
  f.FreeCount = kept;
  // With no link, the next vortex born at the point is not compared with one
  // that is gone.
  for (TSeparationPoint& sp : f.SepPoints) {
    if (sp.LastShed < N) continue;
    sp.LastShed = sp.LastShed - N < F ? newIndex[sp.LastShed - N] : -1;
  }
}

// MoveFreeVortices with the fast mode's arrays already loaded from the
// vortices as they are.
void MoveLoadedFreeVortices(const TCase& c, TFlow& f, TRun& run) {
  const int N = f.BoundCount;
  const int F = f.FreeCount;
  if (static_cast<int>(run.MovedVortices.size()) < F) run.MovedVortices.resize(static_cast<size_t>(F));
  const TBox box = ContourBox(f.InnerRibs);
  // Velocities from the positions at the start of the step: the moved
  // vortices are written to MovedVortices and copied back only at the end, so
  // the vortices can move on several threads.
  if (run.Compute.ExhaustVortices) {
    MoveFreeVorticesThroughExhaust(c, f, run, box);
    return;
  }
  ParallelFor(
      F, ResolveThreadCount(run.Compute.Threads), ThreadGrain(run.Compute, N + F), [&c, &f, &run, N, &box](int k) {
        run.MovedVortices[k] = {ConfinedPosition(f, N + k, FreeStep(c, f, run, N + k), box), f.Vortices[N + k].Gamma};
      });
  for (int j = 0; j < F; ++j) f.Vortices[N + j] = run.MovedVortices[j];
}

}  // namespace

void MoveFreeVortices(const TCase& c, TFlow& f, TRun& run) {
  if (run.Compute.Fast) LoadFastVortices(c, f, run.FastVortices);
  MoveLoadedFreeVortices(c, f, run);
}

void TimeStep(const TCase& c, TFlow& f, TRun& run) {
  const int N = f.BoundCount;

  // The four searches are independent of each other. In fast mode they sum
  // with the fast kernel over the vortices as they are at the step's start,
  // loaded once for the searches and the move.
  const TFastVortices* fast = nullptr;
  if (run.Compute.Fast) {
    LoadFastVortices(c, f, run.FastVortices);
    fast = &run.FastVortices;
  }
  // A search sums the velocity at a few calc points, some ten on average.
  const long long searchTerms = 10LL * (N + f.FreeCount);
  ParallelFor(SeparationPointCount, ResolveThreadCount(run.Compute.Threads), ThreadGrain(run.Compute, searchTerms),
              [&c, &f, fast](int j) {
                TSeparationPoint& sp = f.SepPoints[j];
                if (c.Enabled[j]) sp.Index = FindSeparation(c, f, sp.SearchFrom, sp.SearchTo, fast);
              });

  MoveLoadedFreeVortices(c, f, run);

  // The run gives Vortices room for N + MaxFreeVortex entries; a caller that
  // raised the maximum without growing it still gets room here.
  if (static_cast<int>(f.Vortices.size()) < N + f.MaxFreeVortex)
    f.Vortices.resize(static_cast<size_t>(N + f.MaxFreeVortex));

  const bool confined = !f.InnerRibs.empty();
  const TBox box = ContourBox(f.InnerRibs);
  const Extended dropDistance = static_cast<Extended>(c.Area.H) / 10;
  const Extended offset = BirthGap + f.Delta;
  for (int p = 0; p < SeparationPointCount; ++p) {
    TSeparationPoint& sp = f.SepPoints[p];
    if (f.FreeCount >= f.MaxFreeVortex || !c.Enabled[p]) continue;
    ++f.FreeCount;
    const int index = N + f.FreeCount - 1;
    TVortex& born = f.Vortices[index];
    const TRealPoint& at = f.CalcPoints[sp.Index].Pos;
    born.Pos = {at.X + offset * sp.Dir.X, at.Y + offset * sp.Dir.Y};
    // The normal through a calc point near a corner (the only calc point of a
    // wall shorter than the spacing) can lie beyond the inset side of the
    // neighbouring wall; such a vortex is born BirthGap inside that side.
    if (confined && !StrictlyInside(born.Pos, box)) PullInside(born.Pos, box, BirthGap);
    born.Gamma = f.Vortices[sp.Index].Gamma;
    if (sp.LastShed != -1 && PointDistance(born.Pos, f.Vortices[sp.LastShed].Pos) < dropDistance)
      --f.FreeCount;  // too close to the previous one from this point
    else
      sp.LastShed = index;
  }

  UpdateRightSide(f, run);
  SolveCirculations(f, run);
}

}  // namespace ltr
