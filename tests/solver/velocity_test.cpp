#include "solver/velocity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "solver/solver_fixture.h"
#include "solver/time_step.h"

namespace ltr {
namespace {

using testing::BuildSmallCase;
using testing::PrepareSolver;
using testing::TSolverModel;
using testing::SingleVortex;

TEST(InducedVelocityTest, PointVortexLawCounterClockwise) {
  const TRealPoint origin{0.0L, 0.0L};
  EXPECT_DOUBLE_EQ(InducedVelocity({1.0L, 0.0L}, origin, YDirection), 0.15915494309189535);
  EXPECT_EQ(InducedVelocity({1.0L, 0.0L}, origin, XDirection), 0.0);
  // Above the vortex the air moves to the left; the speed falls off as 1 / r.
  EXPECT_DOUBLE_EQ(InducedVelocity({0.0L, 2.0L}, origin, XDirection), -0.15915494309189535 / 2);
  // The result is the extended quotient rounded once to double.
  EXPECT_EQ(InducedVelocity({3.0L, 0.0L}, origin, YDirection),
            ToDouble(3.0L / (6.283185307179586477L * 9.0L)));
}

TEST(VelocityAtTest, CoreSwitchesAtRadiusLessEpsilonAndScalesWithRadius) {
  TSolverModel s;
  SingleVortex(s, {0.0L, 0.0L}, 2.0L, 0.02);  // core radius 0.01
  const Extended rc = 0.01L;
  auto at = [&s](double x) { return VelocityAt(s.Case(), s.Flow(), {x, 0.0L}, YDirection, -1); };

  // Outside the core: the plain law times the circulation.
  EXPECT_EQ(at(0.3), ToDouble(InducedVelocity({0.3L, 0.0L}, {0.0L, 0.0L}, YDirection) * 2.0L));

  // The switch happens at rc - 1e-5, not at rc: the first double at or beyond
  // it still gets the plain law, the one below it the scaled core law.
  double outer = ToDouble(static_cast<Extended>(s.Area.H) / 2 - 1e-5L);
  if (outer < static_cast<Extended>(s.Area.H) / 2 - 1e-5L) outer = std::nextafter(outer, 1.0);
  const double inner = std::nextafter(outer, 0.0);
  const double plain = 2.0 / (2 * std::numbers::pi * outer);
  const double core = 2.0 * outer / (2 * std::numbers::pi * static_cast<double>(rc * rc));
  EXPECT_NEAR(at(outer), plain, plain * 1e-12);
  EXPECT_NEAR(at(inner), core, core * 1e-12);
  EXPECT_GT(at(outer) / at(inner), 1.0019);  // (rc / r)^2 with r = rc - 1e-5

  // Solid-body rotation inside the core: half the radius, half the speed.
  EXPECT_NEAR(at(0.005), at(0.01) / 2, 1e-12);
  EXPECT_NEAR(at(0.0025), at(0.01) / 4, 1e-12);

  // Closer than 1e-5 m: nothing.
  EXPECT_EQ(at(0.99e-5), 0.0);
  EXPECT_GT(at(1e-5), 0.0);
}

TEST(VelocityAtTest, SumsAllVorticesButTheSkippedOneInOrder) {
  TSolverModel s;
  BuildSmallCase(s);
  const TRealPoint P{0.4L, 0.3L};
  EXPECT_EQ(VelocityAt(s.Case(), s.Flow(), P, XDirection, -1), 0.0);  // all circulations zero

  PrepareSolver(s);
  s.FreeCount = 2;
  const int N = s.BoundCount;
  s.Vortices[N] = {{0.3L, 0.2L}, 0.05L};
  s.Vortices[N + 1] = {{0.6L, 0.5L}, -0.02L};
  for (const TRealPoint& n : {XDirection, YDirection}) {
    double sum = 0.0;
    for (int j = 0; j < N + 2; ++j) {
      if (j == N) continue;
      const double term = ToDouble(InducedVelocity(P, s.Vortices[j].Pos, n) * s.Vortices[j].Gamma);
      sum = ToDouble(sum + static_cast<Extended>(term));
    }
    EXPECT_EQ(VelocityAt(s.Case(), s.Flow(), P, n, N), sum);
  }
}

// The velocity field as written in the model's description: PointDistance
// and InducedVelocity called for every vortex.
double ReferenceVelocity(const TSolverModel& s, const TRealPoint& P, const TRealPoint& n, int Skip) {
  const Extended rc = static_cast<Extended>(s.Area.H) / 2;
  double sum = 0.0;
  for (int j = 0; j < s.BoundCount + s.FreeCount; ++j) {
    if (j == Skip) continue;
    const TRealPoint& V = s.Vortices[j].Pos;
    const Extended gamma = s.Vortices[j].Gamma;
    const double r = ToDouble(PointDistance(P, V));
    double term = 0.0;
    if (r >= rc - 1e-5L) {
      term = ToDouble(InducedVelocity(P, V, n) * gamma);
    } else if (r >= 1e-5L) {
      const double k = ToDouble(rc / r);
      const TRealPoint Q{V.X + (P.X - V.X) * k, V.Y + (P.Y - V.Y) * k};
      term = ToDouble(InducedVelocity(Q, V, n) * gamma * r / rc);
    }
    sum = ToDouble(sum + static_cast<Extended>(term));
  }
  return sum;
}

bool SameBits(double a, double b) { return a == b && std::signbit(a) == std::signbit(b); }

TEST(VelocityAtTest, OneAndTwoComponentFormsAreBitIdenticalToTheKernelSum) {
  TSolverModel s;
  BuildSmallCase(s, 60);
  PrepareSolver(s);
  s.Dt = 0.005;
  for (int step = 0; step < 12; ++step) TimeStep(s.Case(), s.Flow(), s.Run);
  ASSERT_GT(s.FreeCount, 20);
  const int count = s.BoundCount + s.FreeCount;

  int checked = 0;
  int mismatches = 0;
  auto check = [&](const TRealPoint& P, int skip) {
    const double u0 = ReferenceVelocity(s, P, XDirection, skip);
    const double v0 = ReferenceVelocity(s, P, YDirection, skip);
    double u = -1.0, v = -1.0;
    VelocityVectorAt(s.Case(), s.Flow(), P, skip, u, v);
    ++checked;
    if (!SameBits(u, u0) || !SameBits(v, v0) || !SameBits(VelocityAt(s.Case(), s.Flow(), P, XDirection, skip), u0) ||
        !SameBits(VelocityAt(s.Case(), s.Flow(), P, YDirection, skip), v0))
      ++mismatches;
  };
  // At every vortex (skipping it, as the move does), at points inside the
  // core of other vortices, closer than 1e-5 to them, and on a grid.
  for (int j = 0; j < count; ++j) {
    const TRealPoint& V = s.Vortices[j].Pos;
    check(V, j);
    check(V, -1);
    check({V.X + 0.003L, V.Y - 0.007L}, -1);
    check({V.X + 3e-6L, V.Y}, -1);
  }
  for (int i = 0; i <= 40; ++i)
    for (int k = 0; k <= 28; ++k) check({i * 0.025L, k * 0.025L}, -1);
  EXPECT_GT(checked, 1500);
  EXPECT_EQ(mismatches, 0);
}

// Calc points along a line at x = 1 above (horizontal velocity < 0) or below
// (> 0) a single vortex at the origin.
void SignedCalcPoints(TSolverModel& s, const std::vector<int>& signs) {
  SingleVortex(s, {0.0L, 0.0L}, 1.0L);
  s.CalcPoints.clear();
  for (int sign : signs) s.CalcPoints.push_back({{1.0L, sign < 0 ? 1.0L : -1.0L}, {}, 0.0L});
}

TEST(FindSeparationTest, LastPointWithTheStartingSign) {
  TSolverModel s;
  SignedCalcPoints(s, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  EXPECT_EQ(FindSeparation(s.Case(), s.Flow(), 5, 5), 5);
  EXPECT_EQ(FindSeparation(s.Case(), s.Flow(), 5, 9), 8);  // no change met: To itself is never looked at
  EXPECT_EQ(FindSeparation(s.Case(), s.Flow(), 9, 5), 6);

  SignedCalcPoints(s, {1, 1, 1, 1, 1, 1, 1, -1, 1, 1, -1});
  EXPECT_EQ(FindSeparation(s.Case(), s.Flow(), 5, 9), 6);   // first change at 7
  EXPECT_EQ(FindSeparation(s.Case(), s.Flow(), 9, 5), 8);   // walking down, change at 7
  EXPECT_EQ(FindSeparation(s.Case(), s.Flow(), 8, 10), 9);  // the change at To is not seen
  EXPECT_EQ(FindSeparation(s.Case(), s.Flow(), 7, 9), 7);   // change right after From
  EXPECT_EQ(FindSeparation(s.Case(), s.Flow(), 7, 3), 7);
}

}  // namespace
}  // namespace ltr
