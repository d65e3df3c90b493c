#include "solver/velocity_field.h"

#include <gtest/gtest.h>

#include <cmath>

#include "solver/solver_fixture.h"
#include "solver/velocity.h"

namespace ltr {
namespace {

using testing::TSolverModel;

// The small enclosure with its bound circulations solved and a few free
// vortices, some of them near grid points, so that the core is crossed.
class VelocityFieldTest : public ::testing::Test {
 protected:
  VelocityFieldTest() {
    testing::BuildSmallCase(s);
    testing::PrepareSolver(s);
    const TVortex free[] = {{{0.31L, 0.42L}, 0.02L}, {{0.625L, 0.175L}, -0.03L}, {{0.9L, 0.6L}, 0.01L}};
    for (const TVortex& v : free) s.Vortices[s.BoundCount + s.FreeCount++] = v;
  }
  TSolverModel s;
};

TEST_F(VelocityFieldTest, EveryPointIsTheFlowVelocityThereInBothModesOnAnyThreadCount) {
  for (const bool fast : {false, true}) {
    s.Run.Compute.Fast = fast;
    if (fast) LoadFastVortices(s.Case(), s.Flow(), s.Run.FastVortices);
    s.Run.Compute.Threads = 1;
    const TVelocityField one = ComputeVelocityField(s.Case(), s.Flow(), s.Run.Compute, 40, 28);
    ASSERT_EQ(one.U.size(), 40u * 28u);
    double max = 0.0;
    for (int j = 0; j < one.NY; ++j) {
      for (int i = 0; i < one.NX; ++i) {
        const size_t k = one.Index(i, j);
        EXPECT_EQ(one.X(i), (i + 0.5) * 1.0 / 40) << i;  // the centres of the cells
        EXPECT_NEAR(one.Y(j), (j + 0.5) * 0.7 / 28, 1e-15) << j;
        double u = 0.0;
        double v = 0.0;
        FlowVelocityAt(s.Case(), s.Flow(), s.Run, {static_cast<Extended>(one.X(i)), static_cast<Extended>(one.Y(j))},
                       -1, u, v);
        ASSERT_EQ(one.U[k], u) << fast << ' ' << i << ' ' << j;
        ASSERT_EQ(one.V[k], v) << fast << ' ' << i << ' ' << j;
        EXPECT_NEAR(one.Speed[k], std::hypot(u, v), 1e-15 * (1 + std::hypot(u, v)));
        max = std::max(max, one.Speed[k]);
      }
    }
    EXPECT_EQ(one.MaxSpeed, max);
    EXPECT_GT(max, 0.0);
    for (const int threads : {2, 3, 7}) {
      s.Run.Compute.Threads = threads;
      const TVelocityField many = ComputeVelocityField(s.Case(), s.Flow(), s.Run.Compute, 40, 28);
      EXPECT_EQ(many.U, one.U) << threads;
      EXPECT_EQ(many.V, one.V) << threads;
      EXPECT_EQ(many.Speed, one.Speed) << threads;
    }
  }
}

TEST_F(VelocityFieldTest, FastModeUsesTheVorticesAsTheyAreNotAStaleCopy) {
  s.Run.Compute.Fast = true;
  LoadFastVortices(s.Case(), s.Flow(), s.Run.FastVortices);
  const TVelocityField before = ComputeVelocityField(s.Case(), s.Flow(), s.Run.Compute, 10, 7);
  s.Vortices[s.BoundCount].Gamma = 0.5L;  // the copy in s.Run.FastVortices is now old
  const TVelocityField after = ComputeVelocityField(s.Case(), s.Flow(), s.Run.Compute, 10, 7);
  EXPECT_NE(after.U, before.U);
}

}  // namespace
}  // namespace ltr
