#include "numerics/runge_kutta.h"

#include <gtest/gtest.h>

namespace ltr {
namespace {

TEST(RungeKutta, ExponentialStepIsTheFourthOrderTaylorPolynomial) {
  TRungeKutta rk;
  InitRungeKutta(rk, 1);
  TFunctionArray F{[](const TRealArray& Y, int, double) { return Y[0]; }};
  TRealArray Y{1.0L};
  double t = 0;
  RungeKuttaStep(rk, t, Y, F, 1, 0.1);
  // 1 + h + h^2/2 + h^3/6 + h^4/24 with h = 0.1
  EXPECT_NEAR(static_cast<double>(Y[0]), 1.1051708333333333, 1e-15);
  EXPECT_EQ(t, 0.1);
  DoneRungeKutta(rk, 1);
  EXPECT_TRUE(rk.RKStages.empty());
  EXPECT_TRUE(rk.RKTemp.empty());
}

TEST(RungeKutta, TimeOnlyRightSideIsSimpsonsRule) {
  TRungeKutta rk;
  InitRungeKutta(rk, 1);
  std::vector<double> times;
  TFunctionArray F{[&times](const TRealArray&, int, double t) {
    times.push_back(t);
    return static_cast<Extended>(t) * t;
  }};
  TRealArray Y{0.0L};
  double t = 0;
  RungeKuttaStep(rk, t, Y, F, 1, 1.0);
  EXPECT_NEAR(static_cast<double>(Y[0]), 1.0 / 3.0, 1e-18);
  EXPECT_EQ(t, 1.0);
  EXPECT_EQ(times, (std::vector<double>{0.0, 0.5, 0.5, 1.0}));
}

TEST(RungeKutta, StagesSeeOneConsistentState) {
  TRungeKutta rk;
  InitRungeKutta(rk, 2);
  TFunctionArray F{[](const TRealArray& Y, int, double) { return Y[1]; },
                   [](const TRealArray& Y, int, double) { return -Y[0]; }};
  TRealArray Y{1.0L, 0.0L};
  double t = 0;
  const Extended h = 0.1L;
  RungeKuttaStep(rk, t, Y, F, 2, 0.1);
  EXPECT_NEAR(static_cast<double>(Y[0]), static_cast<double>(1 - h * h / 2 + h * h * h * h / 24), 1e-15);
  EXPECT_NEAR(static_cast<double>(Y[1]), static_cast<double>(-(h - h * h * h / 6)), 1e-15);
  EXPECT_NEAR(static_cast<double>(Y[0]), 0.995004166666, 1e-12);
  EXPECT_NEAR(static_cast<double>(Y[1]), -0.0998333333333, 1e-12);

  // The scratch is reused: a second step from a new state gives the same
  // answer as a first one.
  TRealArray Z{1.0L, 0.0L};
  double t2 = 0;
  RungeKuttaStep(rk, t2, Z, F, 2, 0.1);
  EXPECT_EQ(Z[0], Y[0]);
  EXPECT_EQ(Z[1], Y[1]);
}

TEST(RungeKutta, NoEquationsOnlyAdvancesTime) {
  TRungeKutta rk;
  InitRungeKutta(rk, 0);
  TFunctionArray F;
  TRealArray Y{7.0L};
  double t = 0.25;
  RungeKuttaStep(rk, t, Y, F, 0, 0.5);
  EXPECT_EQ(Y[0], 7.0L);
  EXPECT_EQ(t, 0.75);
}

TEST(RungeKutta, EveryFunctionOfAStageSeesTheSameStateAndTheCount) {
  TRungeKutta rk;
  InitRungeKutta(rk, 3);
  std::vector<Extended> seen;
  auto f = [&seen](const TRealArray& Y, int N, double) {
    EXPECT_EQ(N, 3);
    seen.push_back(Y[0] + Y[1] + Y[2]);
    return Y[0] + Y[1] + Y[2];
  };
  TFunctionArray F{f, f, f};
  TRealArray Y{1.0L, 2.0L, 3.0L};
  double t = 0;
  RungeKuttaStep(rk, t, Y, F, 3, 0.01);
  ASSERT_EQ(seen.size(), 12u);
  for (int stage = 0; stage < 4; ++stage) {
    EXPECT_EQ(seen[3 * stage], seen[3 * stage + 1]);
    EXPECT_EQ(seen[3 * stage], seen[3 * stage + 2]);
  }
  EXPECT_EQ(seen[0], 6.0L);
  EXPECT_NE(seen[3], seen[0]);
}

}  // namespace
}  // namespace ltr
