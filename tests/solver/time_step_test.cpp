#include "solver/time_step.h"

#include <gtest/gtest.h>

#include <cmath>

#include "solver/solver_fixture.h"
#include "solver/velocity.h"

namespace ltr {
namespace {

using testing::BuildSmallCase;
using testing::PrepareSolver;

void EnableOnly(TModelState& s, std::initializer_list<int> points) {
  for (TSeparationPoint& sp : s.SepPoints) sp.Enabled = false;
  for (int p : points) s.SepPoints[p].Enabled = true;
}

// Where a vortex shed now at point p would be born.
TRealPoint BirthPos(const TModelState& s, int p) {
  const TSeparationPoint& sp = s.SepPoints[p];
  const int index = FindSeparation(s, sp.SearchFrom, sp.SearchTo);
  const Extended offset = 0.001L + s.Delta;
  return {s.CalcPoints[index].Pos.X + offset * sp.Dir.X, s.CalcPoints[index].Pos.Y + offset * sp.Dir.Y};
}

TEST(TimeStepTest, ShedsInPointOrderWithTheBoundCirculation) {
  TModelState s;
  BuildSmallCase(s);
  EnableOnly(s, {1, 2, 3});
  PrepareSolver(s);
  s.Dt = 0.005;
  const int N = s.BoundCount;
  const TModelState before = s;
  TimeStep(s);
  ASSERT_EQ(s.FreeCount, 3);
  const Extended offset = 0.001L + s.Delta;
  for (int k = 0; k < 3; ++k) {
    const TSeparationPoint& sp = s.SepPoints[k + 1];
    EXPECT_EQ(sp.LastShed, N + k);
    EXPECT_EQ(sp.Index, FindSeparation(before, sp.SearchFrom, sp.SearchTo));
    const TVortex& born = s.Vortices[N + k];
    EXPECT_EQ(born.Gamma, before.Vortices[sp.Index].Gamma);
    EXPECT_EQ(born.Pos.X, s.CalcPoints[sp.Index].Pos.X + offset * sp.Dir.X);
    EXPECT_EQ(born.Pos.Y, s.CalcPoints[sp.Index].Pos.Y + offset * sp.Dir.Y);
  }
  EXPECT_NEAR(static_cast<double>(s.Vortices[N].Pos.Y), 0.7 - 0.026, 1e-15);      // below the ceiling
  EXPECT_NEAR(static_cast<double>(s.Vortices[N + 1].Pos.Y), 0.026, 1e-15);        // above the floor
  EXPECT_NEAR(static_cast<double>(s.Vortices[N + 2].Pos.X), 0.026, 1e-15);        // right of the left wall
  EXPECT_EQ(s.SepPoints[0].LastShed, -1);

  // Free circulations change only by births.
  const TModelState mid = s;
  TimeStep(s);
  for (int f = 0; f < mid.FreeCount; ++f) EXPECT_EQ(s.Vortices[N + f].Gamma, mid.Vortices[N + f].Gamma);
}

TEST(TimeStepTest, StopsSheddingAtTheMaximum) {
  TModelState s;
  BuildSmallCase(s, 1);
  EnableOnly(s, {2, 3});
  PrepareSolver(s);
  s.Dt = 0.005;
  TimeStep(s);
  EXPECT_EQ(s.FreeCount, 1);
  EXPECT_EQ(s.SepPoints[2].LastShed, s.BoundCount);
  EXPECT_EQ(s.SepPoints[3].LastShed, -1);
  TimeStep(s);
  EXPECT_EQ(s.FreeCount, 1);

  TModelState none;
  BuildSmallCase(none);
  EnableOnly(none, {});
  PrepareSolver(none);
  none.Dt = 0.005;
  TimeStep(none);
  EXPECT_EQ(none.FreeCount, 0);
}

TEST(TimeStepTest, DropsABirthTooCloseToThePreviousOneOfItsPoint) {
  for (const Extended shift : {0.0024L, 0.0051L}) {  // below and above H / 10
    TModelState s;
    BuildSmallCase(s);
    EnableOnly(s, {1, 2});
    PrepareSolver(s);
    s.Dt = 0.0;  // nothing moves
    const int N = s.BoundCount;
    const TRealPoint at = BirthPos(s, 1);
    s.FreeCount = 1;
    s.Vortices[N] = {{at.X + shift, at.Y}, 0.0L};
    s.SepPoints[1].LastShed = N;
    TimeStep(s);
    if (shift < 0.005L) {
      // Point 1's vortex is dropped and point 2 takes its slot.
      EXPECT_EQ(s.FreeCount, 2);
      EXPECT_EQ(s.SepPoints[1].LastShed, N);
      EXPECT_EQ(s.SepPoints[2].LastShed, N + 1);
      EXPECT_NEAR(static_cast<double>(s.Vortices[N + 1].Pos.Y), 0.026, 1e-15);
    } else {
      EXPECT_EQ(s.FreeCount, 3);
      EXPECT_EQ(s.SepPoints[1].LastShed, N + 1);
      EXPECT_EQ(s.SepPoints[2].LastShed, N + 2);
    }
  }
}

TEST(TimeStepTest, MoveIsAnEulerStepFromTheOldPositions) {
  TModelState s;
  BuildSmallCase(s, 40);
  PrepareSolver(s);
  s.Dt = 0.005;
  for (int step = 0; step < 10; ++step) TimeStep(s);
  const TModelState before = s;
  MoveFreeVortices(s);
  ASSERT_EQ(s.FreeCount, before.FreeCount);
  int slid = 0;
  for (int i = s.BoundCount; i < s.BoundCount + s.FreeCount; ++i) {
    const TRealPoint A = before.Vortices[i].Pos;
    const double u = VelocityAt(before, A, XDirection, i);
    const double v = VelocityAt(before, A, YDirection, i);
    const TRealPoint B{A.X + static_cast<Extended>(u) * s.Dt, A.Y + static_cast<Extended>(v) * s.Dt};
    if (!FindRibCrossing(A, B, s.InnerRibs)) {
      EXPECT_EQ(s.Vortices[i].Pos.X, B.X);
      EXPECT_EQ(s.Vortices[i].Pos.Y, B.Y);
    } else {
      ++slid;
    }
    EXPECT_EQ(s.Vortices[i].Gamma, before.Vortices[i].Gamma);
    // Nobody leaves the inset contour.
    EXPECT_GT(s.Vortices[i].Pos.X, 0.025L);
    EXPECT_LT(s.Vortices[i].Pos.X, 1.0L - 0.025L);
    EXPECT_GT(s.Vortices[i].Pos.Y, 0.025L);
    EXPECT_LT(s.Vortices[i].Pos.Y, 0.7L - 0.025L);
  }
  EXPECT_LT(slid, s.FreeCount);
}

TEST(TimeStepTest, StepAcrossTheTopSlidesAlongIt) {
  TModelState s;
  BuildSmallCase(s, 10);
  EnableOnly(s, {});
  PrepareSolver(s);
  const int N = s.BoundCount;
  for (int j = 0; j < N; ++j) s.Vortices[j].Gamma = 0.0L;
  // A free vortex just below the top side, driven up and to the right by a
  // second one to its left and a little above it.
  s.FreeCount = 2;
  const TRealPoint A{0.5L, 0.7L - 0.025L - 0.002L};
  s.Vortices[N] = {A, 0.0L};
  s.Vortices[N + 1] = {{0.45L, A.Y + 0.01L}, 0.5L};
  s.Dt = 0.01;
  const double u = VelocityAt(s, A, XDirection, N);
  const double v = VelocityAt(s, A, YDirection, N);
  ASSERT_GT(u, 0.0);
  ASSERT_GT(v * s.Dt, 0.002);
  MoveFreeVortices(s);
  const TRealPoint B = s.Vortices[N].Pos;
  const Extended top = 0.7L - 0.025L;
  EXPECT_NEAR(static_cast<double>(B.X), static_cast<double>(A.X + static_cast<Extended>(u) * s.Dt), 1e-15);
  // The hit point backed off by 1e-4 along the path: below the top by
  // 1e-4 * sin of the path's angle.
  const double sine = v / std::hypot(u, v);
  EXPECT_NEAR(static_cast<double>(top - B.Y), 1e-4 * sine, 1e-12);
}

// Strictly inside the inset contour, which lies H / 2 inside the walls.
::testing::AssertionResult InsideTheInset(const TModelState& s, int i) {
  const Extended d = static_cast<Extended>(s.Area.H) / 2;
  const TRealPoint& p = s.Vortices[i].Pos;
  if (d < p.X && p.X < s.Area.RoomWidth - d && d < p.Y && p.Y < s.Area.RoomHeight - d)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "vortex " << i << " at (" << static_cast<double>(p.X) << ", "
                                       << static_cast<double>(p.Y) << ")";
}

// A vortex that a grazing slide left within ZeroTolerance of the top side
// starts "on" it, where no crossing is seen; its next step upwards must still
// end just below the side, not beyond it.
TEST(TimeStepTest, StepFromOnTheTopSideStaysBelowIt) {
  TModelState s;
  BuildSmallCase(s, 10);
  EnableOnly(s, {});
  PrepareSolver(s);
  const int N = s.BoundCount;
  for (int j = 0; j < N; ++j) s.Vortices[j].Gamma = 0.0L;
  const Extended top = static_cast<Extended>(s.Area.RoomHeight) - static_cast<Extended>(s.Area.H) / 2;
  s.FreeCount = 2;
  for (const Extended below : {0.0L, 5e-11L}) {
    SCOPED_TRACE(static_cast<double>(below));
    const TRealPoint A{0.5L, top - below};
    s.Vortices[N] = {A, 0.0L};
    s.Vortices[N + 1] = {{0.49L, A.Y}, 0.5L};  // drives the first one straight up
    s.Dt = 0.001;
    const double u = VelocityAt(s, A, XDirection, N);
    MoveFreeVortices(s);
    EXPECT_TRUE(InsideTheInset(s, N));
    EXPECT_EQ(s.Vortices[N].Pos.Y, top - WallOffset);
    EXPECT_EQ(s.Vortices[N].Pos.X, A.X + static_cast<Extended>(u) * s.Dt);  // along the side as before
  }
}

// Long runs with many free vortices, a large and then a small time step, and
// a ceiling strip right of the inflow shorter than the spacing: after every
// step every free vortex is strictly inside the inset contour.
TEST(TimeStepTest, FreeVorticesNeverLeaveTheInsetContour) {
  struct Case {
    double inflowDistance;
    double H;
    int coarseSteps;
    int fineSteps;
  };
  const Case cases[] = {{0.05, 0.05, 120, 1500}, {0.69, 0.05, 60, 300}, {0.69, 0.02, 12, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "InflowDistance " << c.inflowDistance << ", H " << c.H);
    TModelState s;
    s.Area.InflowDistance = c.inflowDistance;
    s.Area.H = c.H;
    s.MaxFreeVortex = 400;
    BuildArea(s);
    EnableOnly(s, {0, 1, 2, 3});
    PrepareSolver(s);
    int outside = 0;
    for (int step = 0; step < c.coarseSteps + c.fineSteps && outside == 0; ++step) {
      s.Dt = step < c.coarseSteps ? 0.005 : 3e-5;
      TimeStep(s);
      for (int i = s.BoundCount; i < s.BoundCount + s.FreeCount; ++i) {
        const auto inside = InsideTheInset(s, i);
        if (!inside) {
          ++outside;
          ADD_FAILURE() << "step " << step << ": " << inside.message();
        }
      }
    }
    EXPECT_GT(s.FreeCount, 20);
  }
}

}  // namespace
}  // namespace ltr
