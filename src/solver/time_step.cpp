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

// The move of the free vortices in three parts: the constructor prepares it,
// Move(k) moves free vortex k from the positions at the start of the step and
// writes only its own entries (so the vortices can move on several threads),
// and Finish copies the moved vortices back in their order. With the exhaust
// open to vortices, a vortex whose step reaches the band leaves the flow: the
// survivors are copied back in their order, and the link to the last vortex
// shed at each separation point follows its vortex, or is cleared when that
// vortex left.
class TFreeVortexMove {
 public:
  TFreeVortexMove(const TCase& c, TFlow& f, TRun& run)
      : c_(c),
        f_(f),
        run_(run),
        N_(f.BoundCount),
        F_(f.FreeCount),
        box_(ContourBox(f.InnerRibs)),
        band_(c.Area, box_),
        confined_(!f.InnerRibs.empty()) {
    if (static_cast<int>(run.MovedVortices.size()) < F_) run.MovedVortices.resize(static_cast<size_t>(F_));
    if (run.Compute.ExhaustVortices) leaves_.assign(static_cast<size_t>(F_), 0);
  }

  int Count() const { return F_; }

  void Move(int k) {
    const TRealPoint B = FreeStep(c_, f_, run_, N_ + k);
    if (run_.Compute.ExhaustVortices && confined_ && band_.Reached(f_.Vortices[N_ + k].Pos, B))
      leaves_[k] = 1;
    else
      run_.MovedVortices[k] = {ConfinedPosition(f_, N_ + k, B, box_), f_.Vortices[N_ + k].Gamma};
  }

  void Finish() {
    if (!run_.Compute.ExhaustVortices) {
      for (int j = 0; j < F_; ++j) f_.Vortices[N_ + j] = run_.MovedVortices[j];
      return;
    }
    std::vector<int> newIndex(static_cast<size_t>(F_), -1);
    int kept = 0;
    for (int k = 0; k < F_; ++k) {
      if (leaves_[k] != 0) {
        ++f_.ExhaustedVortexCount;
        continue;
      }
      newIndex[k] = N_ + kept;
      f_.Vortices[N_ + kept] = run_.MovedVortices[k];
      ++kept;
    }
    f_.FreeCount = kept;
    // With no link, the next vortex born at the point is not compared with
    // one that is gone.
    for (TSeparationPoint& sp : f_.SepPoints) {
      if (sp.LastShed < N_) continue;
      sp.LastShed = sp.LastShed - N_ < F_ ? newIndex[sp.LastShed - N_] : -1;
    }
  }

 private:
  const TCase& c_;
  TFlow& f_;
  TRun& run_;
  const int N_;
  const int F_;
  const TBox box_;
  const TExhaustBand band_;
  const bool confined_;
  std::vector<std::uint8_t> leaves_;
};

}  // namespace

void MoveFreeVortices(const TCase& c, TFlow& f, TRun& run) {
  if (run.Compute.Fast) LoadFastVortices(c, f, run.FastVortices);
  TFreeVortexMove move(c, f, run);
  ParallelFor(move.Count(), ResolveThreadCount(run.Compute.Threads),
              ThreadGrain(run.Compute, f.BoundCount + f.FreeCount), [&move](int k) { move.Move(k); });
  move.Finish();
}

void TimeStep(const TCase& c, TFlow& f, TRun& run) {
  const int N = f.BoundCount;

  // The four searches are independent of each other and of the moves of the
  // free vortices: all of them read the vortices as they are at the step's
  // start (in fast mode summed with the fast kernel, loaded once for the
  // searches and the moves) and write apart, so they share one parallel loop,
  // the searches first. A search sums the velocity at some ten calc points,
  // a move at one point.
  const TFastVortices* fast = nullptr;
  if (run.Compute.Fast) {
    LoadFastVortices(c, f, run.FastVortices);
    fast = &run.FastVortices;
  }
  TFreeVortexMove move(c, f, run);
  const long long vortices = static_cast<long long>(N) + f.FreeCount;
  const int count = SeparationPointCount + move.Count();
  const long long terms = (10LL * SeparationPointCount + move.Count()) * vortices;
  ParallelFor(count, ResolveThreadCount(run.Compute.Threads), ThreadGrain(run.Compute, terms / count),
              [&c, &f, fast, &move](int i) {
                if (i >= SeparationPointCount) {
                  move.Move(i - SeparationPointCount);
                  return;
                }
                TSeparationPoint& sp = f.SepPoints[i];
                if (c.Enabled[i]) sp.Index = FindSeparation(c, f, sp.SearchFrom, sp.SearchTo, fast);
              });
  move.Finish();

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
