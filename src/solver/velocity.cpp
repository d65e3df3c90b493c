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
[[gnu::always_inline]] inline std::array<double, K> SumVelocity(const TCase& c, const TFlow& f, const TRealPoint& P,
                                                                const std::array<TRealPoint, K>& dirs, int Skip) {
  const Extended rc = static_cast<Extended>(c.Area.H) / 2;
  const Extended outer = rc - CoreEpsilon;
  const int count = f.BoundCount + f.FreeCount;
  std::array<double, K> sums{};
  for (int j = 0; j < count; ++j) {
    if (j == Skip) continue;
    const TVortex& vortex = f.Vortices[j];
    const TRealPoint& V = vortex.Pos;
    const Extended dx = P.X - V.X;
    const Extended dy = P.Y - V.Y;
    const Extended r2 = dx * dx + dy * dy;
    const double r = ToDouble(std::sqrt(r2));
    std::array<double, K> terms{};
    if (r >= outer) {
      const Extended d = TwoPi * r2;
      for (size_t k = 0; k < K; ++k)
        terms[k] = ToDouble(ToDouble((dx * dirs[k].Y - dy * dirs[k].X) / d) * vortex.Gamma);
    } else if (r >= CoreEpsilon) {
      // Inside the core: the speed at the core's rim, Q, scaled down linearly.
      const double k = ToDouble(rc / r);
      const Extended qdx = (V.X + dx * k) - V.X;
      const Extended qdy = (V.Y + dy * k) - V.Y;
      const Extended d = TwoPi * (qdx * qdx + qdy * qdy);
      for (size_t k = 0; k < K; ++k)
        terms[k] = ToDouble(ToDouble((qdx * dirs[k].Y - qdy * dirs[k].X) / d) * vortex.Gamma * r / rc);
    }
    for (size_t k = 0; k < K; ++k) sums[k] = ToDouble(sums[k] + static_cast<Extended>(terms[k]));
  }
  return sums;
}

}  // namespace

double VelocityAt(const TCase& c, const TFlow& f, const TRealPoint& P, const TRealPoint& n, int Skip) {
  return SumVelocity<1>(c, f, P, {n}, Skip)[0];
}

void VelocityVectorAt(const TCase& c, const TFlow& f, const TRealPoint& P, int Skip, double& u, double& v) {
  const std::array<double, 2> uv = SumVelocity<2>(c, f, P, {XDirection, YDirection}, Skip);
  u = uv[0];
  v = uv[1];
}

void LoadFastVortices(const TCase& c, const TFlow& f, TFastVortices& fast) {
  const int count = f.BoundCount + f.FreeCount;
  fast.Resize(static_cast<size_t>(count));
  for (int j = 0; j < count; ++j) {
    fast.X[j] = ToDouble(f.Vortices[j].Pos.X);
    fast.Y[j] = ToDouble(f.Vortices[j].Pos.Y);
    fast.Gamma[j] = ToDouble(f.Vortices[j].Gamma);
  }
  fast.CoreRadius = ToDouble(static_cast<Extended>(c.Area.H) / 2);
  fast.CoreEpsilon = ToDouble(CoreEpsilon);
  // The first call picks the instruction set; made here, before any threads.
  FastVelocityTarget();
}

void FlowVelocityAt(const TCase& c, const TFlow& f, const TRun& run, const TRealPoint& P, int Skip, double& u,
                    double& v) {
  if (run.Compute.Fast)
    FastVelocityAt(run.FastVortices, ToDouble(P.X), ToDouble(P.Y), u, v);
  else
    VelocityVectorAt(c, f, P, Skip, u, v);
}

int ThreadGrain(const TComputeSettings& compute, long long termsPerIndex) {
  constexpr long long ExactTermsPerThread = 1000;
  constexpr long long FastTermsPerThread = 50000;
  const long long perThread = compute.Fast ? FastTermsPerThread : ExactTermsPerThread;
  const long long perIndex = std::max(1LL, termsPerIndex);
  return static_cast<int>(std::clamp((perThread + perIndex - 1) / perIndex, 1LL, 1LL << 30));
}

bool FlowComputed(const TFlow& f) {
  const size_t count = std::min(f.Vortices.size(), static_cast<size_t>(std::max(0, f.BoundCount)) +
                                                       static_cast<size_t>(std::max(0, f.FreeCount)));
  for (size_t i = 0; i < count; ++i)
    if (f.Vortices[i].Gamma != 0) return true;
  return false;
}

int FindSeparation(const TCase& c, const TFlow& f, int From, int To, const TFastVortices* fast) {
  const int step = To >= From ? 1 : -1;
  // The sign of the x component of the velocity at calc point i.
  auto sign = [&](int i) {
    const TRealPoint& P = f.CalcPoints[i].Pos;
    if (fast == nullptr) return SignOf(VelocityAt(c, f, P, XDirection, -1));
    double u = 0.0;
    double v = 0.0;
    FastVelocityAt(*fast, ToDouble(P.X), ToDouble(P.Y), u, v);
    return SignOf(u);
  };
  const int s0 = sign(From);
  int i = From;
  while (i != To) {
    if (sign(i) != s0) break;
    i += step;
  }
  return i == From ? i : i - step;
}

}  // namespace ltr
