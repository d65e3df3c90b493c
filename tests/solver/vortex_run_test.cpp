#include "solver/vortex_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "solver/solver_fixture.h"

namespace ltr {
namespace {

using testing::Quiet;
using testing::RecordingObserver;

void ExpectSameVortices(const TModelState& a, const TModelState& b) {
  ASSERT_EQ(a.BoundCount, b.BoundCount);
  ASSERT_EQ(a.FreeCount, b.FreeCount);
  for (int j = 0; j < a.BoundCount + a.FreeCount; ++j) {
    EXPECT_EQ(a.Vortices[j].Pos.X, b.Vortices[j].Pos.X) << j;
    EXPECT_EQ(a.Vortices[j].Pos.Y, b.Vortices[j].Pos.Y) << j;
    EXPECT_EQ(a.Vortices[j].Gamma, b.Vortices[j].Gamma) << j;
  }
}

TEST(VortexRunTest, OneSecondInStepsOfFiveMillisecondsMakes200Steps) {
  TModelState s;
  s.Area.H = 0.05;
  s.Enabled.fill(false);
  RecordingObserver ui;
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), ui, 400, 0, 0.0, 1.0, 0.005));
  EXPECT_EQ(ui.steps, 200);
  EXPECT_EQ(s.Time, 1.0000000000000007);
  EXPECT_EQ(ui.timeLabel, "Прошло времени: 1,000 сек.");
  EXPECT_EQ(ui.countLabel, "Свободных вихрей: 0");
  EXPECT_EQ(s.FreeCount, 0);
  // Each step: redraw, the two labels, then the messages.
  ASSERT_EQ(ui.calls.size(), 800u);
  EXPECT_EQ(ui.calls[0], "redraw");
  EXPECT_EQ(ui.calls[1], "time");
  EXPECT_EQ(ui.calls[2], "count");
  EXPECT_EQ(ui.calls[3], "messages");
  // The parameters stay.
  EXPECT_EQ(s.MaxFreeVortex, 400);
  EXPECT_EQ(s.Dt, 0.005);
  EXPECT_EQ(s.MaxTime, 1.0);
  EXPECT_EQ(s.Delta, 0.025);
  EXPECT_EQ(s.Vortices.size(), static_cast<size_t>(s.BoundCount + 400));

  // A time that lands exactly on the limit is not beyond it: steps to 0.25,
  // 0.5 and 0.75.
  RecordingObserver exact;
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), exact, 400, 0, 0.0, 0.5, 0.25));
  EXPECT_EQ(exact.steps, 3);
  EXPECT_EQ(s.Time, 0.75);
}

TEST(VortexRunTest, StopThenContinueGivesTheUninterruptedRun) {
  TModelState whole;
  whole.Area.H = 0.05;
  ASSERT_TRUE(RunVortices(whole.Case(), whole.Flow(), whole.Control(), Quiet(), 40, 0, 0.0, 0.1, 0.005));
  ASSERT_GT(whole.FreeCount, 30);

  TModelState parts;
  parts.Area.H = 0.05;
  RecordingObserver ui;
  ui.onMessages = [&] {
    if (ui.steps == 7) parts.StopVortexRun = true;
  };
  ASSERT_TRUE(RunVortices(parts.Case(), parts.Flow(), parts.Control(), ui, 40, 0, 0.0, 0.1, 0.005));
  EXPECT_EQ(ui.steps, 7);  // the step in progress is finished
  EXPECT_LT(parts.Time, 0.1);
  ui.onMessages = nullptr;
  ASSERT_TRUE(
      RunVortices(parts.Case(), parts.Flow(), parts.Control(), ui, 40, parts.FreeCount, parts.Time, 0.1, 0.005));
  EXPECT_FALSE(parts.StopVortexRun);
  EXPECT_EQ(parts.Time, whole.Time);
  ExpectSameVortices(parts, whole);
  for (int p = 0; p < SeparationPointCount; ++p) {
    EXPECT_EQ(parts.SepPoints[p].LastShed, whole.SepPoints[p].LastShed);
    EXPECT_EQ(parts.SepPoints[p].Index, whole.SepPoints[p].Index);
  }
}

TEST(VortexRunTest, ContinueAtTheLimitOnlySolvesAndMayGrowTheRoom) {
  TModelState s;
  s.Area.H = 0.05;
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), Quiet(), 10, 0, 0.0, 0.05, 0.005));
  const TModelState after = s;
  RecordingObserver ui;
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), ui, 30, s.FreeCount, s.Time, 0.05, 0.005));
  EXPECT_EQ(ui.steps, 0);
  EXPECT_TRUE(ui.calls.empty());  // labels untouched
  EXPECT_EQ(s.Time, after.Time);
  ExpectSameVortices(s, after);  // the same system solved again
  EXPECT_EQ(s.Vortices.size(), static_cast<size_t>(s.BoundCount + 30));

  // Raising the limit goes on, shedding into the grown room.
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), ui, 30, s.FreeCount, s.Time, 0.1, 0.005));
  EXPECT_GT(s.FreeCount, 10);
  EXPECT_LE(s.FreeCount, 30);
}

// Continue with a lower limit keeps the first vortices; a refused Continue
// keeps them all.
TEST(VortexRunTest, ContinueCutsToTheLimitOnlyWhenTheRunCanStart) {
  TModelState s;
  s.Area.H = 0.05;
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), Quiet(), 40, 0, 0.0, 0.1, 0.005));
  const TModelState after = s;
  ASSERT_GT(after.FreeCount, 12);

  TRunStart start;
  EXPECT_EQ(BeginContinuedRun(s.Case(), s.Flow(), 12, 0.2, 0.0, start).Message(),
            "Шаг по времени должен быть положительным числом");
  ExpectSameVortices(s, after);

  ASSERT_TRUE(BeginContinuedRun(s.Case(), s.Flow(), 12, 0.2, 0.005, start));
  EXPECT_EQ(start.FreeCount, 12);
  EXPECT_EQ(start.Time, after.Time);
  EXPECT_EQ(s.FreeCount, 12);
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), Quiet(), 12, start.FreeCount, start.Time, 0.2, 0.005));
  EXPECT_GT(s.Time, 0.2);
  EXPECT_LE(s.FreeCount, 12);
  for (int j = 0; j < s.BoundCount; ++j) EXPECT_EQ(s.Vortices[j].Pos.X, after.Vortices[j].Pos.X);
}

// A run whose numbers are not finite, or do not fit the doubles they are
// stored in, ends with its message as soon as the solve the first step would
// start from is made, before any step is drawn or labelled. So does the solve
// of the flow as it is.
TEST(VortexRunTest, AStateThatIsNotFiniteEndsTheRunWithItsMessage) {
  TModelState s;
  s.Area.H = 0.05;
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), Quiet(), 10, 0, 0.0, 0.05, 0.005));
  ASSERT_GT(s.FreeCount, 1);
  const TModelState after = s;
  const std::string stopped = "Расчет поля скоростей остановлен";
  struct Case {
    const char* name;
    Extended first, second;  // circulations of the first two free vortices
  };
  for (const Case& c : {Case{"infinite", std::numeric_limits<Extended>::infinity(), 0.01L},
                        Case{"not a number", 0.01L, std::numeric_limits<Extended>::quiet_NaN()},
                        Case{"beyond the doubles", 1e4000L, 0.01L}}) {
    SCOPED_TRACE(c.name);
    s = after;
    s.Vortices[s.BoundCount].Gamma = c.first;
    s.Vortices[s.BoundCount + 1].Gamma = c.second;
    TModelState steady = s;
    RecordingObserver ui;
    const TOutcome failed = RunVortices(s.Case(), s.Flow(), s.Control(), ui, 10, s.FreeCount, s.Time, 0.1, 0.005);
    EXPECT_EQ(failed.Kind(), TOutcome::TKind::Failed);
    EXPECT_EQ(failed.Message(), NonFiniteRunText(stopped, 0));
    EXPECT_EQ(ui.steps, 0);  // nothing is drawn or labelled
    const TOutcome solve = SolveCurrentFlow(steady.Case(), steady.Flow(), steady.Compute);
    EXPECT_EQ(solve.Kind(), TOutcome::TKind::Failed);
    EXPECT_EQ(solve.Message(), NonFiniteRunText(stopped, 0));
  }
  EXPECT_EQ(NonFiniteRunText(stopped, 0),
            stopped + ": до первого шага значения перестали быть конечными числами (проверьте исходные данные)");

  // The next run starts afresh.
  EXPECT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), Quiet(), 10, 0, 0.0, 0.01, 0.005));
}

TEST(VortexRunTest, StartDiscardsTheFreeVortices) {
  TModelState s;
  s.Area.H = 0.05;
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), Quiet(), 20, 0, 0.0, 0.03, 0.005));
  ASSERT_GT(s.FreeCount, 0);
  RecordingObserver ui;
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), ui, 20, 0, 0.0, -1.0, 0.005));
  EXPECT_EQ(s.FreeCount, 0);
  EXPECT_EQ(s.Time, 0.0);
  EXPECT_EQ(ui.steps, 0);
  for (const TSeparationPoint& sp : s.SepPoints) EXPECT_EQ(sp.LastShed, -1);
}

TEST(VortexRunTest, RefusesArgumentsThatCannotRun) {
  TModelState s;
  s.Area.H = 0.05;
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), Quiet(), 10, 0, 0.0, 0.02, 0.005));
  const TModelState before = s;
  RecordingObserver ui;
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    int maxFree, startFree;
    double startTime, maxTime, dt;
    const char* message;
  };
  const Case cases[] = {
      {10, 0, 0.0, 1.0, 0.0, "Шаг по времени должен быть положительным числом"},
      {10, 0, 0.0, 1.0, -0.005, "Шаг по времени должен быть положительным числом"},
      {10, 0, 0.0, 1.0, nan, "Шаг по времени должен быть положительным числом"},
      {10, 0, 0.0, 1.0, inf, "Шаг по времени должен быть положительным числом"},
      {10, 0, 0.0, nan, 0.005, "Макс. время моделирования должно быть конечным числом"},
      {10, 0, 0.0, inf, 0.005, "Макс. время моделирования должно быть конечным числом"},
      {10, 0, -inf, 1.0, 0.005, "Время начала расчета должно быть конечным числом"},
      {-1, 0, 0.0, 1.0, 0.005, "Макс. кол-во свободных вихрей должно быть от 0 до 1000000"},
      {1000001, 0, 0.0, 1.0, 0.005, "Макс. кол-во свободных вихрей должно быть от 0 до 1000000"},
      {5, 8, 0.0, 1.0, 0.005, "Число свободных вихрей не может превышать макс. кол-во свободных вихрей"},
      {10, -1, 0.0, 1.0, 0.005, "Число свободных вихрей не может превышать макс. кол-во свободных вихрей"},
      {10, 0, 0.0, 1e6, 1e-12, "Шаг по времени слишком мал для заданного времени моделирования"},
      {10, 0, 1e20, 2e20, 0.005, "Шаг по времени слишком мал для заданного времени моделирования"},
  };
  for (const Case& c : cases) {
    const TOutcome refused =
        RunVortices(s.Case(), s.Flow(), s.Control(), ui, c.maxFree, c.startFree, c.startTime, c.maxTime, c.dt);
    EXPECT_EQ(refused.Kind(), TOutcome::TKind::Refused);
    EXPECT_EQ(refused.Message(), c.message);
    EXPECT_EQ(CheckVortexRunArgs(s.Case(), s.Flow(), c.maxFree, c.maxTime, c.dt, c.startFree, c.startTime), c.message);
  }
  // More free vortices than the list holds.
  EXPECT_NE(CheckVortexRunArgs(s.Case(), s.Flow(), 500, 1.0, 0.005, s.BoundCount + 20, 0.0), "");
  EXPECT_EQ(ui.steps, 0);
  EXPECT_EQ(s.Time, before.Time);
  EXPECT_EQ(s.Dt, before.Dt);
  EXPECT_EQ(s.MaxFreeVortex, before.MaxFreeVortex);
  EXPECT_EQ(s.Vortices.size(), before.Vortices.size());
  ExpectSameVortices(s, before);

  // A time step of 1e-6 over one second is slow but reaches its end; one of
  // 1e-9 would take days (10^9 eliminations of the 69 x 70 system), and one of
  // 1e-12 needs 10^12 steps.
  EXPECT_EQ(CheckVortexRunArgs(s.Case(), s.Flow(), 10, 1.0, 1e-6), "");
  EXPECT_EQ(CheckVortexRunArgs(s.Case(), s.Flow(), 10, 1.0, 1e-9),
            "Расчет поля скоростей слишком велик: около 1,1e+14 операций (1,0e+09 шагов, до 78 вихрей), "
            "допускается не более 2,0e+13; уменьшите макс. время моделирования или макс. кол-во свободных "
            "вихрей либо увеличьте шаг по времени");
  EXPECT_NE(CheckVortexRunArgs(s.Case(), s.Flow(), 10, 1.0, 1e-12).find("Слишком много шагов по времени"), std::string::npos);
}

TEST(VortexRunTest, RefusesAnInfluenceSystemTooLargeToHold) {
  TModelState s;
  s.Area.H = 0.0005;  // about 6800 bound vortices
  RecordingObserver ui;
  const TOutcome refused = RunVortices(s.Case(), s.Flow(), s.Control(), ui, 10, 0, 0.0, 1.0, 0.005);
  EXPECT_EQ(refused.Kind(), TOutcome::TKind::Refused);
  EXPECT_EQ(refused.Message(),
            "Слишком много присоединенных вихрей для расчета (допускается не более 4000): "
            "увеличьте шаг расчетных точек");
  EXPECT_EQ(s.BoundCount, 0);  // not even discretized
  EXPECT_TRUE(s.Vortices.empty());
  EXPECT_FALSE(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute));

  // The limit is on the count a fresh discretization gives: H = 0.00085
  // gives 4000 exactly (3.4 m of walls), one step finer gives more.
  TModelState probe;
  probe.Area.H = 0.00085;
  probe.MaxFreeVortex = 0;
  BuildArea(probe.Area, probe.Flow());
  EXPECT_EQ(CheckVortexRunArgs(probe.Case(), probe.Flow(), 0, 1.0, 0.005).empty(), probe.BoundCount <= 4000);
  s.Area.H = 1e-9;  // not discretized even to count
  EXPECT_NE(CheckVortexRunArgs(s.Case(), s.Flow(), 0, 1.0, 0.005), "");
}

TEST(VortexRunTest, SolveCurrentFlowSolvesTheSteadyFlowOnce) {
  TModelState a;
  a.Area.H = 0.05;
  ASSERT_TRUE(SolveCurrentFlow(a.Case(), a.Flow(), a.Compute));
  TModelState b;
  b.Area.H = 0.05;
  ASSERT_TRUE(RunVortices(b.Case(), b.Flow(), b.Control(), Quiet(), 0, 0, 0.0, -1.0, 0.005));
  ExpectSameVortices(a, b);
  EXPECT_NE(a.Vortices[3].Gamma, 0.0L);
  EXPECT_EQ(a.Time, 0.0);
}

}  // namespace
}  // namespace ltr
