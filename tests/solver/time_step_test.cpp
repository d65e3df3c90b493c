#include "solver/time_step.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "solver/solver_fixture.h"
#include "solver/velocity.h"

namespace ltr {
namespace {

using testing::BuildSmallCase;
using testing::PrepareSolver;
using testing::TSolverModel;

void EnableOnly(TSolverModel& s, std::initializer_list<int> points) {
  s.Enabled.fill(false);
  for (int p : points) s.Enabled[p] = true;
}

// Where a vortex shed now at point p would be born.
TRealPoint BirthPos(const TSolverModel& s, int p) {
  const TSeparationPoint& sp = s.SepPoints[p];
  const int index = FindSeparation(s.Case(), s.Flow(), sp.SearchFrom, sp.SearchTo);
  const Extended offset = 0.001L + s.Delta;
  return {s.CalcPoints[index].Pos.X + offset * sp.Dir.X, s.CalcPoints[index].Pos.Y + offset * sp.Dir.Y};
}

TEST(TimeStepTest, ShedsInPointOrderWithTheBoundCirculation) {
  TSolverModel s;
  BuildSmallCase(s);
  EnableOnly(s, {1, 2, 3});
  PrepareSolver(s);
  s.Dt = 0.005;
  const int N = s.BoundCount;
  const TSolverModel before = s;
  TimeStep(s.Case(), s.Flow(), s.Run);
  ASSERT_EQ(s.FreeCount, 3);
  const Extended offset = 0.001L + s.Delta;
  for (int k = 0; k < 3; ++k) {
    const TSeparationPoint& sp = s.SepPoints[k + 1];
    EXPECT_EQ(sp.LastShed, N + k);
    EXPECT_EQ(sp.Index, FindSeparation(before.Case(), before.Flow(), sp.SearchFrom, sp.SearchTo));
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
  const TSolverModel mid = s;
  TimeStep(s.Case(), s.Flow(), s.Run);
  for (int f = 0; f < mid.FreeCount; ++f) EXPECT_EQ(s.Vortices[N + f].Gamma, mid.Vortices[N + f].Gamma);
}

TEST(TimeStepTest, StopsSheddingAtTheMaximum) {
  TSolverModel s;
  BuildSmallCase(s, 1);
  EnableOnly(s, {2, 3});
  PrepareSolver(s);
  s.Dt = 0.005;
  TimeStep(s.Case(), s.Flow(), s.Run);
  EXPECT_EQ(s.FreeCount, 1);
  EXPECT_EQ(s.SepPoints[2].LastShed, s.BoundCount);
  EXPECT_EQ(s.SepPoints[3].LastShed, -1);
  TimeStep(s.Case(), s.Flow(), s.Run);
  EXPECT_EQ(s.FreeCount, 1);

  TSolverModel none;
  BuildSmallCase(none);
  EnableOnly(none, {});
  PrepareSolver(none);
  none.Dt = 0.005;
  TimeStep(none.Case(), none.Flow(), none.Run);
  EXPECT_EQ(none.FreeCount, 0);
}

TEST(TimeStepTest, DropsABirthTooCloseToThePreviousOneOfItsPoint) {
  for (const Extended shift : {0.0024L, 0.0051L}) {  // below and above H / 10
    TSolverModel s;
    BuildSmallCase(s);
    EnableOnly(s, {1, 2});
    PrepareSolver(s);
    s.Dt = 0.0;  // nothing moves
    const int N = s.BoundCount;
    const TRealPoint at = BirthPos(s, 1);
    s.FreeCount = 1;
    s.Vortices[N] = {{at.X + shift, at.Y}, 0.0L};
    s.SepPoints[1].LastShed = N;
    TimeStep(s.Case(), s.Flow(), s.Run);
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
  TSolverModel s;
  BuildSmallCase(s, 40);
  PrepareSolver(s);
  s.Dt = 0.005;
  for (int step = 0; step < 10; ++step) TimeStep(s.Case(), s.Flow(), s.Run);
  const TSolverModel before = s;
  MoveFreeVortices(s.Case(), s.Flow(), s.Run);
  ASSERT_EQ(s.FreeCount, before.FreeCount);
  int slid = 0;
  for (int i = s.BoundCount; i < s.BoundCount + s.FreeCount; ++i) {
    const TRealPoint A = before.Vortices[i].Pos;
    const double u = VelocityAt(before.Case(), before.Flow(), A, XDirection, i);
    const double v = VelocityAt(before.Case(), before.Flow(), A, YDirection, i);
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
  TSolverModel s;
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
  const double u = VelocityAt(s.Case(), s.Flow(), A, XDirection, N);
  const double v = VelocityAt(s.Case(), s.Flow(), A, YDirection, N);
  ASSERT_GT(u, 0.0);
  ASSERT_GT(v * s.Dt, 0.002);
  MoveFreeVortices(s.Case(), s.Flow(), s.Run);
  const TRealPoint B = s.Vortices[N].Pos;
  const Extended top = 0.7L - 0.025L;
  EXPECT_NEAR(static_cast<double>(B.X), static_cast<double>(A.X + static_cast<Extended>(u) * s.Dt), 1e-15);
  // The hit point backed off by 1e-4 along the path: below the top by
  // 1e-4 * sin of the path's angle.
  const double sine = v / std::hypot(u, v);
  EXPECT_NEAR(static_cast<double>(top - B.Y), 1e-4 * sine, 1e-12);
}

// Strictly inside the inset contour, which lies H / 2 inside the walls.
::testing::AssertionResult InsideTheInset(const TSolverModel& s, int i) {
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
  TSolverModel s;
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
    const double u = VelocityAt(s.Case(), s.Flow(), A, XDirection, N);
    MoveFreeVortices(s.Case(), s.Flow(), s.Run);
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
    TSolverModel s;
    s.Area.InflowDistance = c.inflowDistance;
    s.Area.H = c.H;
    s.MaxFreeVortex = 400;
    BuildArea(s.Area, s.Flow());
    EnableOnly(s, {0, 1, 2, 3});
    PrepareSolver(s);
    int outside = 0;
    for (int step = 0; step < c.coarseSteps + c.fineSteps && outside == 0; ++step) {
      s.Dt = step < c.coarseSteps ? 0.005 : 3e-5;
      TimeStep(s.Case(), s.Flow(), s.Run);
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

// Two free vortices just left of the inset right-hand side, one at the height
// of the exhaust opening and one below it, each pushed to the right across
// the side by a driver vortex under it; the bound circulations are zero, so
// the drivers alone move them.
struct ExhaustScene {
  TSolverModel s;
  int N = 0;
  Extended side = 0.0L;
  Extended gammaThrough = 0.004L;

  ExhaustScene() {
    BuildSmallCase(s, 10);
    EnableOnly(s, {});
    PrepareSolver(s);
    N = s.BoundCount;
    for (int j = 0; j < N; ++j) s.Vortices[j].Gamma = 0.0L;
    side = static_cast<Extended>(s.Area.RoomWidth) - static_cast<Extended>(s.Area.H) / 2;
    s.Dt = 0.01;
    s.FreeCount = 4;
    const Extended x = side - 0.001L;
    // Band of the opening: 0.45 .. 0.65 m above the floor.
    // Each driver is one core radius (H / 2) below its vortex, where it
    // pushes hardest.
    s.Vortices[N] = {{x, 0.55L}, gammaThrough};
    s.Vortices[N + 1] = {{x, 0.525L}, -0.06L};
    s.Vortices[N + 2] = {{x, 0.30L}, 0.003L};
    s.Vortices[N + 3] = {{x, 0.275L}, -0.06L};
  }
};

TEST(TimeStepTest, ExhaustTakesTheVortexThatReachesItAndNoOther) {
  ExhaustScene off;
  ExhaustScene on;
  on.s.Run.Compute.ExhaustVortices = true;
  const int N = on.N;
  // Both test vortices do cross the side, the second one below the opening.
  for (int k : {0, 2}) {
    const TRealPoint A = on.s.Vortices[N + k].Pos;
    const double u = VelocityAt(on.s.Case(), on.s.Flow(), A, XDirection, N + k);
    const double v = VelocityAt(on.s.Case(), on.s.Flow(), A, YDirection, N + k);
    ASSERT_GT(static_cast<Extended>(u) * on.s.Dt, 0.002L);
    ASSERT_LT(std::fabs(v * on.s.Dt), 0.01);
  }
  on.s.SepPoints[0].LastShed = N;      // the vortex that leaves
  on.s.SepPoints[1].LastShed = N + 2;  // one that stays, after it
  on.s.SepPoints[2].LastShed = 3;      // a bound index: no free vortex
  on.s.SepPoints[3].LastShed = -1;

  MoveFreeVortices(off.s.Case(), off.s.Flow(), off.s.Run);
  MoveFreeVortices(on.s.Case(), on.s.Flow(), on.s.Run);
  ASSERT_EQ(off.s.FreeCount, 4);
  EXPECT_EQ(off.s.ExhaustedVortexCount, 0);
  ASSERT_EQ(on.s.FreeCount, 3);
  EXPECT_EQ(on.s.ExhaustedVortexCount, 1);
  // The others move exactly as without the exhaust, in their order: the one
  // below the opening slid along the side and stays just inside it.
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(on.s.Vortices[N + k].Pos.X, off.s.Vortices[N + k + 1].Pos.X) << k;
    EXPECT_EQ(on.s.Vortices[N + k].Pos.Y, off.s.Vortices[N + k + 1].Pos.Y) << k;
    EXPECT_EQ(on.s.Vortices[N + k].Gamma, off.s.Vortices[N + k + 1].Gamma) << k;
  }
  EXPECT_LT(on.s.Vortices[N + 1].Pos.X, on.side);
  EXPECT_GT(on.s.Vortices[N + 1].Pos.X, on.side - 2 * WallOffset);
  EXPECT_LT(off.s.Vortices[N].Pos.X, off.side);  // without the exhaust it stays too
  // The links to the last vortex of each point follow their vortex.
  EXPECT_EQ(on.s.SepPoints[0].LastShed, -1);
  EXPECT_EQ(on.s.SepPoints[1].LastShed, N + 1);
  EXPECT_EQ(on.s.SepPoints[2].LastShed, 3);
  EXPECT_EQ(on.s.SepPoints[3].LastShed, -1);
}

TEST(TimeStepTest, CirculationOfAVortexThatLeftLeavesTheTotal) {
  ExhaustScene on;
  on.s.Run.Compute.ExhaustVortices = true;
  TimeStep(on.s.Case(), on.s.Flow(), on.s.Run);
  const int N = on.N;
  ASSERT_EQ(on.s.FreeCount, 3);
  Extended bound = 0.0L;
  Extended free = 0.0L;
  for (int j = 0; j < N; ++j) bound += on.s.Vortices[j].Gamma;
  for (int j = N; j < N + on.s.FreeCount; ++j) free += on.s.Vortices[j].Gamma;
  EXPECT_NEAR(static_cast<double>(free), 0.003 - 0.12, 1e-15);
  EXPECT_NEAR(static_cast<double>(bound + free), 0.0, 1e-14);
}

// Many vortices leave in a long run: the result is the same on one thread and
// on several, the count of those gone adds up, and each separation point's
// link still names its own last vortex.
TEST(TimeStepTest, ExhaustRunIsTheSameOnAnyNumberOfThreads) {
  auto run = [](int threads) {
    TSolverModel s;
    BuildSmallCase(s, 300);
    EnableOnly(s, {1, 2, 3});
    s.Run.Compute.ExhaustVortices = true;
    s.Run.Compute.Threads = threads;
    PrepareSolver(s);
    s.Dt = 0.01;
    int born = 0;
    for (int step = 0; step < 250; ++step) {
      const int before = s.FreeCount + s.ExhaustedVortexCount;
      std::array<int, SeparationPointCount> last{};
      for (int p = 0; p < SeparationPointCount; ++p) last[p] = s.SepPoints[p].LastShed;
      TimeStep(s.Case(), s.Flow(), s.Run);
      born += s.FreeCount + s.ExhaustedVortexCount - before;
      for (int p = 0; p < SeparationPointCount; ++p) {
        const int link = s.SepPoints[p].LastShed;
        if (link == -1 || link == last[p]) continue;
        // A changed link is a vortex still in the list.
        EXPECT_GE(link, s.BoundCount);
        EXPECT_LT(link, s.BoundCount + s.FreeCount);
      }
    }
    EXPECT_EQ(born, s.FreeCount + s.ExhaustedVortexCount);
    return s;
  };
  const TSolverModel one = run(1);
  const TSolverModel three = run(3);
  EXPECT_GT(one.ExhaustedVortexCount, 10);
  ASSERT_EQ(one.FreeCount, three.FreeCount);
  EXPECT_EQ(one.ExhaustedVortexCount, three.ExhaustedVortexCount);
  for (int i = 0; i < one.BoundCount + one.FreeCount; ++i) {
    EXPECT_EQ(one.Vortices[i].Pos.X, three.Vortices[i].Pos.X) << i;
    EXPECT_EQ(one.Vortices[i].Pos.Y, three.Vortices[i].Pos.Y) << i;
    EXPECT_EQ(one.Vortices[i].Gamma, three.Vortices[i].Gamma) << i;
  }
  for (int p = 0; p < SeparationPointCount; ++p) EXPECT_EQ(one.SepPoints[p].LastShed, three.SepPoints[p].LastShed);
}

// The exhaust band is open at the opening's edges, and a step into it is
// judged where it crosses the side, not where it ends.
TEST(TimeStepTest, ExhaustBandIsOpenAndJudgedWhereTheStepCrossesTheSide) {
  ExhaustScene e;
  TSolverModel& s = e.s;
  s.Run.Compute.ExhaustVortices = true;
  const int N = e.N;
  const Extended low = static_cast<Extended>(s.Area.ExhaustHeight);
  const Extended high = low + s.Area.ExhaustWidth;
  // Vortices of no circulation in air at rest stay where they are: on the
  // side, only the one strictly between the edges leaves.
  s.FreeCount = 3;
  s.Vortices[N] = {{e.side, low}, 0.0L};
  s.Vortices[N + 1] = {{e.side, 0.55L}, 0.0L};
  s.Vortices[N + 2] = {{e.side, high}, 0.0L};
  MoveFreeVortices(s.Case(), s.Flow(), s.Run);
  ASSERT_EQ(s.FreeCount, 2);
  EXPECT_EQ(s.ExhaustedVortexCount, 1);
  EXPECT_EQ(s.Vortices[N].Pos.Y, low);
  EXPECT_EQ(s.Vortices[N + 1].Pos.Y, high);

  // A bound vortex at (W, 0.5) carries a vortex just above the opening's
  // lower edge to the right and down: it crosses the side inside the band
  // and ends below it.
  int driver = -1;
  for (int j = 0; j < N; ++j)
    if (std::fabs(s.Vortices[j].Pos.X - 1) < 1e-12L && std::fabs(s.Vortices[j].Pos.Y - 0.5L) < 1e-12L) driver = j;
  ASSERT_GE(driver, 0);
  s.Vortices[driver].Gamma = 0.15L;
  s.FreeCount = 1;
  const TRealPoint A{e.side - 0.001L, 0.451L};
  s.Vortices[N] = {A, 0.0L};
  const Extended dx = VelocityAt(s.Case(), s.Flow(), A, XDirection, N) * s.Dt;
  const Extended dy = VelocityAt(s.Case(), s.Flow(), A, YDirection, N) * s.Dt;
  ASSERT_GT(A.Y + dy * (0.001L / dx), low + 0.0002L);  // crosses inside the band
  ASSERT_LT(A.X + dx, static_cast<Extended>(s.Area.RoomWidth));
  ASSERT_LT(A.Y + dy, low);  // ends below it
  MoveFreeVortices(s.Case(), s.Flow(), s.Run);
  EXPECT_EQ(s.FreeCount, 0);
  EXPECT_EQ(s.ExhaustedVortexCount, 2);
}

}  // namespace
}  // namespace ltr
