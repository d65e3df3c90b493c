#include "solver/influence.h"

#include <gtest/gtest.h>

#include <cmath>

#include "solver/solver_fixture.h"
#include "solver/time_step.h"
#include "solver/velocity.h"

namespace ltr {
namespace {

using testing::BuildSmallCase;
using testing::PrepareSolver;
using testing::TSolverModel;

Extended TotalGamma(const TSolverModel& s) {
  Extended sum = 0.0L;
  for (int j = 0; j < s.BoundCount + s.FreeCount; ++j) sum += s.Vortices[j].Gamma;
  return sum;
}

// The no-penetration equations hold with one and the same lambda, and the
// circulations of all vortices add up to zero.
void ExpectSolved(const TSolverModel& s) {
  const int N = s.BoundCount;
  const Extended lambda = s.Run.Solution[N];
  Extended largest = 0.0L;
  for (int j = 0; j < N; ++j) largest = std::max(largest, std::fabs(s.Vortices[j].Gamma));
  EXPECT_NEAR(static_cast<double>(TotalGamma(s)), 0.0, 1e-14 * static_cast<double>(largest) * N);
  for (int i = 0; i < N; ++i) {
    const TCalcPoint& c = s.CalcPoints[i];
    Extended normal = 0.0L;
    for (int j = 0; j < N + s.FreeCount; ++j)
      normal += InducedVelocity(c.Pos, s.Vortices[j].Pos, c.Normal) * s.Vortices[j].Gamma;
    EXPECT_NEAR(static_cast<double>(normal), static_cast<double>(c.Vn - lambda), 1e-9) << "calc point " << i;
  }
}

bool SameMatrix(const TRealMatr& a, const TRealMatr& b, int skipColumn) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].size() != b[i].size()) return false;
    for (size_t j = 0; j < a[i].size(); ++j)
      if (static_cast<int>(j) != skipColumn && a[i][j] != b[i][j]) return false;
  }
  return true;
}

TEST(InfluenceTest, MatrixLayout) {
  TSolverModel s;
  BuildSmallCase(s);
  PrepareSolver(s);
  const int N = s.BoundCount;
  ASSERT_EQ(s.Run.Matr.size(), static_cast<size_t>(N + 1));
  ASSERT_EQ(s.Run.Matr[0].size(), static_cast<size_t>(N + 2));
  EXPECT_EQ(s.Run.Matr[3][7], InducedVelocity(s.CalcPoints[3].Pos, s.Vortices[7].Pos, s.CalcPoints[3].Normal));
  EXPECT_EQ(s.Run.Matr[3][N], 1.0L);
  EXPECT_EQ(s.Run.Matr[0][N + 1], 0.0L);                         // a wall
  EXPECT_EQ(s.Run.Matr[1][N + 1], -static_cast<Extended>(2.0));  // the inflow
  EXPECT_EQ(s.Run.Matr[N][5], 1.0L);
  EXPECT_EQ(s.Run.Matr[N][N], 0.0L);
  EXPECT_EQ(s.Run.Matr[N][N + 1], 0.0L);
}

TEST(InfluenceTest, SteadyFlowMeetsTheWallConditions) {
  TSolverModel s;
  BuildSmallCase(s);
  PrepareSolver(s);
  EXPECT_TRUE(SameMatrix(s.Run.Matr, s.Run.MatrCopy, -1));
  ExpectSolved(s);
  // Air goes in at the inflow: the bound vortices there carry circulation.
  EXPECT_NE(s.Vortices[3].Gamma, 0.0L);
}

TEST(InfluenceTest, EverySolveDuringStepsBalancesTheFreeVortices) {
  TSolverModel s;
  BuildSmallCase(s, 30);
  PrepareSolver(s);
  s.Dt = 0.005;
  const int N = s.BoundCount;
  for (int step = 0; step < 8; ++step) {
    TimeStep(s.Case(), s.Flow(), s.Run);
    ExpectSolved(s);
    EXPECT_TRUE(SameMatrix(s.Run.Matr, s.Run.MatrCopy, -1)) << "step " << step;
    UpdateRightSide(s.Flow(), s.Run);
    EXPECT_TRUE(SameMatrix(s.Run.Matr, s.Run.MatrCopy, N + 1));
    Extended freeSum = 0.0L;
    for (int f = 0; f < s.FreeCount; ++f) freeSum -= s.Vortices[N + f].Gamma;
    EXPECT_EQ(s.Run.Matr[N][N + 1], freeSum);
    SolveCirculations(s.Flow(), s.Run);
  }
  EXPECT_GT(s.FreeCount, 10);
}

TEST(InfluenceTest, CirculationsScaleWithTheSpeeds) {
  TSolverModel a, b;
  BuildSmallCase(a);
  b.Area.H = 0.05;
  b.Area.Speed = 6.0;
  b.Area.InflowSpeed = 4.0;
  BuildArea(b.Area, b.Flow());
  PrepareSolver(a);
  PrepareSolver(b);
  // The elimination is linear in the right-hand side and scaling by 2 is exact.
  for (int j = 0; j < a.BoundCount; ++j) EXPECT_EQ(b.Vortices[j].Gamma, 2 * a.Vortices[j].Gamma) << j;
}

TEST(InfluenceTest, SingularSystemKeepsThePreviousSolution) {
  TSolverModel s;
  BuildSmallCase(s);
  PrepareSolver(s);
  const Extended before = s.Vortices[10].Gamma;
  for (TRealArray& row : s.Run.MatrCopy) row[0] = 0.0L;  // a zero pivot column
  CopyMatr(s.Run.MatrCopy, s.Run.Matr, s.BoundCount + 1, s.BoundCount + 2);
  FactorGauss(s.Run.Matr, s.BoundCount + 1, s.Run.MatrFactors);  // as BuildMatrix would for this matrix
  s.Run.Solution[10] = 0.25L;
  SolveCirculations(s.Flow(), s.Run);
  EXPECT_EQ(s.Vortices[10].Gamma, 0.25L);
  EXPECT_NE(before, 0.25L);
  EXPECT_TRUE(SameMatrix(s.Run.Matr, s.Run.MatrCopy, -1));
  // The full elimination, for a matrix that was not factored, behaves alike.
  s.Run.MatrFactored = false;
  s.Run.Solution[10] = 0.5L;
  SolveCirculations(s.Flow(), s.Run);
  EXPECT_EQ(s.Vortices[10].Gamma, 0.5L);
  EXPECT_TRUE(SameMatrix(s.Run.Matr, s.Run.MatrCopy, -1));
}

TEST(InfluenceTest, FactoredSolvesReproduceFullEliminationsThroughARun) {
  // Two identical models stepped side by side, one solving by the factors
  // made once, the other by a full elimination at every step.
  TSolverModel a, b;
  BuildSmallCase(a, 60);
  BuildSmallCase(b, 60);
  PrepareSolver(a);
  PrepareSolver(b);
  b.Run.MatrFactored = false;
  for (int step = 0; step < 25; ++step) {
    TimeStep(a.Case(), a.Flow(), a.Run);
    TimeStep(b.Case(), b.Flow(), b.Run);
  }
  ASSERT_EQ(a.FreeCount, b.FreeCount);
  ASSERT_GT(a.FreeCount, 20);
  for (int j = 0; j < a.BoundCount + a.FreeCount; ++j) {
    EXPECT_EQ(a.Vortices[j].Pos.X, b.Vortices[j].Pos.X) << j;
    EXPECT_EQ(a.Vortices[j].Pos.Y, b.Vortices[j].Pos.Y) << j;
    EXPECT_EQ(a.Vortices[j].Gamma, b.Vortices[j].Gamma) << j;
  }
  for (int j = 0; j <= a.BoundCount; ++j) EXPECT_EQ(a.Run.Solution[j], b.Run.Solution[j]) << j;
  ReleaseInfluenceSystem(a.Run);
  EXPECT_TRUE(a.Run.Matr.empty());
  EXPECT_TRUE(a.Run.MatrCopy.empty());
  EXPECT_TRUE(a.Run.Solution.empty());
  EXPECT_FALSE(a.Run.MatrFactored);
}

}  // namespace
}  // namespace ltr
