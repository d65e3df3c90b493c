#include "solver/velocity.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ltr {

namespace {

constexpr Extended TwoPi = 6.283185307179586477L;
// Below this distance a vortex contributes nothing, m.
constexpr Extended CoreEpsilon = 1e-5L;

int SignOf(double v) { return v > 0.0 ? 1 : (v < 0.0 ? -1 : 0); }

}  // namespace

double InducedVelocity(const TRealPoint& P, const TRealPoint& V, const TRealPoint& n) {
  const Extended dx = P.X - V.X;
  const Extended dy = P.Y - V.Y;
  return ToDouble((dx * n.Y - dy * n.X) / (TwoPi * (dx * dx + dy * dy)));
}

namespace {

// The velocity components along each direction of `dirs` at P, summed over
// the vortices in index order. PointDistance(P, V) and InducedVelocity are
// written out in place with their operations unchanged (the distance's square
// is the kernel's r^2); the distance, the kernel's denominator and the core
// point are shared by the components, and each component keeps its own
// terms, roundings and order, so one call with two directions gives exactly
// what two calls with one direction give.
// Inlined into each caller, where the directions are constants.
template <size_t K>
[[gnu::always_inline]] inline std::array<double, K> SumVelocity(const TModelState& s, const TRealPoint& P,
                                  const std::array<TRealPoint, K>& dirs, int Skip) {
  const Extended rc = static_cast<Extended>(s.Area.H) / 2;
  const Extended outer = rc - CoreEpsilon;
  const int count = s.BoundCount + s.FreeCount;
  std::array<double, K> sums{};
  for (int j = 0; j < count; ++j) {
    if (j == Skip) continue;
    const TVortex& vortex = s.Vortices[j];
    const TRealPoint& V = vortex.Pos;
    const Extended dx = P.X - V.X;
    const Extended dy = P.Y - V.Y;
    const Extended r2 = dx * dx + dy * dy;
    const double r = ToDouble(std::sqrt(r2));
    std::array<double, K> terms{};
    if (r >= outer) {
      const Extended d = TwoPi * r2;
      for (size_t c = 0; c < K; ++c)
        terms[c] = ToDouble(ToDouble((dx * dirs[c].Y - dy * dirs[c].X) / d) * vortex.Gamma);
    } else if (r >= CoreEpsilon) {
      // Inside the core: the speed at the core's rim, Q, scaled down linearly.
      const double k = ToDouble(rc / r);
      const Extended qdx = (V.X + dx * k) - V.X;
      const Extended qdy = (V.Y + dy * k) - V.Y;
      const Extended d = TwoPi * (qdx * qdx + qdy * qdy);
      for (size_t c = 0; c < K; ++c)
        terms[c] = ToDouble(ToDouble((qdx * dirs[c].Y - qdy * dirs[c].X) / d) * vortex.Gamma * r / rc);
    }
    for (size_t c = 0; c < K; ++c) sums[c] = ToDouble(sums[c] + static_cast<Extended>(terms[c]));
  }
  return sums;
}

}  // namespace

double VelocityAt(const TModelState& s, const TRealPoint& P, const TRealPoint& n, int Skip) {
  return SumVelocity<1>(s, P, {n}, Skip)[0];
}

void VelocityVectorAt(const TModelState& s, const TRealPoint& P, int Skip, double& u, double& v) {
  const std::array<double, 2> uv = SumVelocity<2>(s, P, {XDirection, YDirection}, Skip);
  u = uv[0];
  v = uv[1];
}

void LoadFastVortices(const TModelState& s, TFastVortices& f) {
  const int count = s.BoundCount + s.FreeCount;
  f.Resize(static_cast<size_t>(count));
  for (int j = 0; j < count; ++j) {
    f.X[j] = ToDouble(s.Vortices[j].Pos.X);
    f.Y[j] = ToDouble(s.Vortices[j].Pos.Y);
    f.Gamma[j] = ToDouble(s.Vortices[j].Gamma);
  }
  f.CoreRadius = ToDouble(static_cast<Extended>(s.Area.H) / 2);
  f.CoreEpsilon = ToDouble(CoreEpsilon);
  // The first call picks the instruction set; made here, before any threads.
  FastVelocityTarget();
}

void FlowVelocityAt(const TModelState& s, const TRealPoint& P, int Skip, double& u, double& v) {
  if (s.Compute.Fast)
    FastVelocityAt(s.FastVortices, ToDouble(P.X), ToDouble(P.Y), u, v);
  else
    VelocityVectorAt(s, P, Skip, u, v);
}

bool FlowComputed(const TModelState& s) {
  const size_t count =
      std::min(s.Vortices.size(), static_cast<size_t>(std::max(0, s.BoundCount)) +
                                      static_cast<size_t>(std::max(0, s.FreeCount)));
  for (size_t i = 0; i < count; ++i)
    if (s.Vortices[i].Gamma != 0) return true;
  return false;
}

int FindSeparation(const TModelState& s, int From, int To) {
  const int step = To >= From ? 1 : -1;
  const int s0 = SignOf(VelocityAt(s, s.CalcPoints[From].Pos, XDirection, -1));
  int i = From;
  while (i != To) {
    if (SignOf(VelocityAt(s, s.CalcPoints[i].Pos, XDirection, -1)) != s0) break;
    i += step;
  }
  return i == From ? i : i - step;
}

}  // namespace ltr
