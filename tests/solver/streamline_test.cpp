#include "solver/streamline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "solver/solver_fixture.h"
#include "dust/concentration_run.h"
#include "model/discretization.h"
#include "solver/velocity.h"
#include "solver/vortex_run.h"

namespace ltr {
namespace {

using testing::Quiet;
using testing::RecordingObserver;
using testing::SingleVortex;

Extended Distance(const TRealPoint& a, const TRealPoint& b) { return PointDistance(a, b); }

bool OnContour(const TRealPoint& p) {
  const Extended tol = 1e-12L;
  return std::fabs(p.X) < tol || std::fabs(p.X - 1.0L) < tol || std::fabs(p.Y) < tol ||
         std::fabs(p.Y - 0.7L) < tol;
}

TEST(StreamlineTest, OneSecondOfFiveMillimetreStepsIs200Steps) {
  // A single vortex with no walls: only the length ends the line.
  TModelState s;
  SingleVortex(s, {0.0L, 0.0L}, 1.0L);
  RecordingObserver ui;
  TFlowLineEnd end = TFlowLineEnd::StepLimit;
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), ui, 0.1, 0.005, 0.005, 1.0, &end));
  EXPECT_EQ(end, TFlowLineEnd::MaxLength);
  ASSERT_EQ(s.FlowLineCount, 1);
  ASSERT_EQ(s.FlowLines.size(), 1u);
  const TRealPointArray line = s.FlowLines[0];
  ASSERT_EQ(line.size(), 201u);
  EXPECT_EQ(s.FlowLines[0].capacity(), line.size());
  EXPECT_EQ(line[0].X, static_cast<Extended>(0.1));
  EXPECT_EQ(line[0].Y, static_cast<Extended>(0.005));
  for (size_t k = 1; k < line.size(); ++k)
    EXPECT_NEAR(static_cast<double>(Distance(line[k - 1], line[k])), 0.005, 1e-15);
  // The line circles the vortex counter-clockwise: from (0.1, 0.005) it goes up.
  EXPECT_GT(line[1].Y, line[0].Y);
  // Drawn as traced: the start, then every point.
  ASSERT_EQ(ui.drawn.size(), line.size());
  for (size_t k = 0; k < line.size(); ++k) EXPECT_EQ(ui.drawn[k].X, line[k].X);

  // Traced without storing, the observer gets the same points and nothing
  // is kept.
  RecordingObserver streamed;
  end = TFlowLineEnd::StepLimit;
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), streamed, 0.1, 0.005, 0.005, 1.0, &end));
  EXPECT_EQ(end, TFlowLineEnd::MaxLength);
  EXPECT_EQ(s.FlowLineCount, 1);
  ASSERT_EQ(streamed.drawn.size(), line.size());
  for (size_t k = 0; k < line.size(); ++k) {
    EXPECT_EQ(streamed.drawn[k].X, line[k].X);
    EXPECT_EQ(streamed.drawn[k].Y, line[k].Y);
  }

  // MaxLen 0 makes exactly one step; a negative one none.
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), ui, 0.1, 0.005, 0.005, 0.0));
  EXPECT_EQ(s.FlowLines[1].size(), 2u);
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), ui, 0.1, 0.005, 0.005, -1.0));
  EXPECT_EQ(s.FlowLines[2].size(), 1u);
  // Tracing again from the same point stores the same line once more.
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), ui, 0.1, 0.005, 0.005, 1.0));
  EXPECT_EQ(s.FlowLineCount, 4);
  ASSERT_EQ(s.FlowLines[3].size(), 201u);
  for (size_t k = 0; k < 201; ++k) {
    EXPECT_EQ(s.FlowLines[3][k].X, line[k].X);
    EXPECT_EQ(s.FlowLines[3][k].Y, line[k].Y);
  }
}

// In fast mode the line follows the fast kernel's velocities: close to the
// exact line, but not the same to the last bit; the exact line is unchanged.
TEST(StreamlineTest, FastModeTracesWithTheFastKernel) {
  TModelState s;
  BuildArea(s.Area, s.Flow());
  ASSERT_TRUE(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute));
  TComputeSettings fast;
  fast.Fast = true;
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), Quiet(), 0.2, 0.6, 0.005, 0.3));
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), Quiet(), 0.2, 0.6, 0.005, 0.3, nullptr, fast));
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), Quiet(), 0.2, 0.6, 0.005, 0.3, nullptr, {}));
  const TRealPointArray& exact = s.FlowLines[0];
  const TRealPointArray& quick = s.FlowLines[1];
  ASSERT_EQ(quick.size(), exact.size());
  bool differs = false;
  for (size_t k = 0; k < exact.size(); ++k) {
    EXPECT_LT(static_cast<double>(Distance(quick[k], exact[k])), 1e-9) << k;
    differs = differs || quick[k].X != exact[k].X || quick[k].Y != exact[k].Y;
    EXPECT_EQ(s.FlowLines[2][k].X, exact[k].X);
  }
  EXPECT_TRUE(differs);
}

TEST(StreamlineTest, EndsAtTheWallItCrosses) {
  TModelState s;
  s.Area.H = 0.05;
  ASSERT_TRUE(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute));
  // From the middle a step of 1 m leaves the enclosure whatever its direction.
  TFlowLineEnd end = TFlowLineEnd::MaxLength;
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), Quiet(), 0.5, 0.35, 1.0, 5.0, &end));
  EXPECT_EQ(end, TFlowLineEnd::Rib);
  ASSERT_EQ(s.FlowLines[0].size(), 2u);
  EXPECT_TRUE(OnContour(s.FlowLines[0][1]));

  // With the defaults the line ends at most after 200 steps; when a wall or
  // an opening stops it, at the crossing point, nearer than one step.
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), Quiet(), 0.1, 0.005, 0.005, 1.0));
  const TRealPointArray line = s.FlowLines[1];
  ASSERT_LE(line.size(), 201u);
  ASSERT_GE(line.size(), 2u);
  for (size_t k = 1; k + 1 < line.size(); ++k)
    EXPECT_NEAR(static_cast<double>(Distance(line[k - 1], line[k])), 0.005, 1e-15);
  if (line.size() < 201u) {
    EXPECT_TRUE(OnContour(line.back()));
    EXPECT_LE(Distance(line[line.size() - 2], line.back()), 0.005L + 1e-15L);
  }
}

TEST(StreamlineTest, EndsWhereTheAirStandsStill) {
  TModelState s;
  s.Area.H = 0.05;
  BuildArea(s.Area, s.Flow());  // circulations all zero: no flow anywhere
  TFlowLineEnd end = TFlowLineEnd::MaxLength;
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), Quiet(), 0.3, 0.3, 0.005, 1.0, &end));
  EXPECT_EQ(end, TFlowLineEnd::Stagnation);
  EXPECT_EQ(s.FlowLineCount, 1);
  ASSERT_EQ(s.FlowLines[0].size(), 1u);
  EXPECT_EQ(s.FlowLines[0][0].X, static_cast<Extended>(0.3));
}

TEST(StreamlineTest, RefusesStepsAndPointsThatCannotBeTraced) {
  TModelState s;
  SingleVortex(s, {0.0L, 0.0L}, 1.0L);
  RecordingObserver ui;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::string step = "Шаг построения линии тока должен быть положительным числом";
  const std::string start = "Координаты начала линии тока должны быть конечными числами";
  const std::string length = "Максимальная длина линии тока должна быть числом";
  const struct {
    double x, y, step, maxLen;
    const std::string& message;
  } cases[] = {{0.1, 0.1, 0.0, 1.0, step},   {0.1, 0.1, -0.005, 1.0, step}, {0.1, 0.1, nan, 1.0, step},
               {0.1, 0.1, inf, 1.0, step},   {nan, 0.1, 0.005, 1.0, start}, {0.1, -inf, 0.005, 1.0, start},
               {0.1, 0.1, 0.005, nan, length}};
  for (const auto& c : cases) {
    const TOutcome refused = TraceFlowLine(s.Case(), s.Flow(), s.Lines(), ui, c.x, c.y, c.step, c.maxLen);
    EXPECT_EQ(refused.Kind(), TOutcome::TKind::Refused);
    EXPECT_EQ(refused.Message(), c.message);
  }
  EXPECT_EQ(s.FlowLineCount, 0);
  EXPECT_TRUE(s.FlowLines.empty());
  EXPECT_TRUE(ui.drawn.empty());
}

TEST(StreamlineTest, NoLineRunsForever) {
  EXPECT_EQ(FlowLineStepLimit(0.005, 1.0), 202);
  EXPECT_EQ(FlowLineStepLimit(1.0, 0.0), 3);
  EXPECT_EQ(FlowLineStepLimit(0.25, 1.0), 7);
  EXPECT_EQ(FlowLineStepLimit(1.0, -1.0), 1);
  EXPECT_EQ(FlowLineStepLimit(1e-9, 1.0), MaxFlowLineSteps);
  EXPECT_EQ(FlowLineStepLimit(0.005, std::numeric_limits<double>::infinity()), MaxFlowLineSteps);

  // An endless length around a lone vortex stops at the step limit.
  TModelState s;
  SingleVortex(s, {0.0L, 0.0L}, 1.0L);
  TFlowLineEnd end = TFlowLineEnd::MaxLength;
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), Quiet(), 0.1, 0.0, 0.01,
                            std::numeric_limits<double>::infinity(), &end));
  EXPECT_EQ(s.FlowLines[0].size(), static_cast<size_t>(MaxFlowLineSteps) + 1);
  EXPECT_EQ(end, TFlowLineEnd::StepLimit);

  // A finite length that needs more steps than the limit is cut there too,
  // and the caller learns it; one step shorter a line of the limit's length
  // ends by its length.
  end = TFlowLineEnd::MaxLength;
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), Quiet(), 0.1, 0.0, 0.01, 15000.0, &end));
  EXPECT_EQ(s.FlowLines[1].size(), static_cast<size_t>(MaxFlowLineSteps) + 1);
  EXPECT_EQ(end, TFlowLineEnd::StepLimit);
  end = TFlowLineEnd::StepLimit;
  ASSERT_TRUE(TraceFlowLine(s.Case(), s.Flow(), s.Lines(), Quiet(), 0.1, 0.0, 0.01, 9999.0, &end));
  EXPECT_EQ(end, TFlowLineEnd::MaxLength);
  EXPECT_LT(s.FlowLines[2].size(), static_cast<size_t>(MaxFlowLineSteps) + 1);
  EXPECT_NE(FlowLineStepLimitText(MaxFlowLineSteps).find("1000000 шагов"), std::string::npos);
}

TEST(FlowComputedTest, AFreshDiscretizationHasNoFlowUntilItIsSolved) {
  TModelState s;
  s.Area.H = 0.05;
  BuildArea(s.Area, s.Flow());
  EXPECT_FALSE(FlowComputed(s.Flow()));
  EXPECT_FALSE(ConcentrationFlowComputed(s.Flow(), false));
  // Moving vortices solve the circulations at the start of the run.
  EXPECT_TRUE(ConcentrationFlowComputed(s.Flow(), true));
  ASSERT_TRUE(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute));
  EXPECT_TRUE(FlowComputed(s.Flow()));
  EXPECT_TRUE(ConcentrationFlowComputed(s.Flow(), false));

  // One free vortex with circulation is a flow; circulations beyond the
  // vortices in use are none.
  BuildArea(s.Area, s.Flow());
  s.Vortices[s.BoundCount].Gamma = 0.01L;
  EXPECT_FALSE(FlowComputed(s.Flow()));
  s.FreeCount = 1;
  EXPECT_TRUE(FlowComputed(s.Flow()));
}

}  // namespace
}  // namespace ltr
