#include "dust/snapshot_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "dust/coarse_case.h"
#include "solver/vortex_run.h"

namespace ltr {
namespace {

using testing::Coarse;
using testing::Seeded;

// The coarse case after a short vortex run: free vortices in a young flow.
// Particles leave the runs after 0.5 s, so that they stay short.
TModelState YoungFlow() {
  TModelState s = Coarse();
  s.MaxResidence = 0.5;
  TObserver quiet;
  EXPECT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), quiet, 100, 0, 0.0, 0.05, 0.005));
  return s;
}

TSnapshotPlan Plan(int count, double every, int threads) {
  TSnapshotPlan p;
  p.Count = count;
  p.Every = every;
  p.MaxFree = 100;
  p.Dt = 0.005;
  p.Threads = threads;
  return p;
}

class Presser : public TObserver {
 public:
  explicit Presser(TModelState& s) : S(s) {}
  void ProcessMessages() override {
    if (onMessages) onMessages();
  }
  void SnapshotProgress(int done, int count, double fraction) override {
    EXPECT_LE(done, count);
    EXPECT_GE(fraction, 0.0);
    EXPECT_LE(fraction, 1.0);
    if (onProgress) onProgress(done);
  }
  TModelState& S;
  std::function<void()> onMessages;
  std::function<void(int)> onProgress;
};

// Moment k is the run of seed S + k in the flow that the vortex run, going on
// as Continue does, has at the step nearest to Time + k Every; the runs go
// side by side without changing a bit of their results; the summary is the
// mean and Student's interval of the moments beside the mean of their own
// intervals; the state is left as the last moment's run left it.
TEST(SnapshotRun, EachMomentIsTheRunOfItsSeedInTheFlowOfThatMoment) {
  const TModelState start = YoungFlow();
  TObserver quiet;
  for (const bool moving : {false, true}) {
    // The reference, made one moment after the other by hand.
    std::vector<TModelState> reference;
    TModelState flow = start;
    for (int k = 0; k < 3; ++k) {
      if (k > 0) {
        ASSERT_TRUE(RunVortices(flow.Case(), flow.Flow(), flow.Control(), quiet, 100, flow.FreeCount, flow.Time,
                                start.Time + k * 0.02 - 0.0025, 0.005));
      }
      EXPECT_NEAR(flow.Time, start.Time + k * 0.02, 0.0025 + 1e-12);
      reference.push_back(flow);
      TModelState& ref = reference.back();
      ASSERT_TRUE(RunConcentration(ref.Case(), ref.Flow(), ref.DustRun(), ref.Results(), ref.Control(), quiet, 4, 3,
                                   moving, Seeded(11 + k)));
    }
    for (const int threads : {1, 3}) {
      TModelState s = start;
      Presser ui(s);
      TSnapshotResults r;
      ASSERT_TRUE(RunSnapshots(s, ui, 4, 3, moving, Seeded(11), Plan(3, 0.02, threads), r));
      ASSERT_EQ(r.Runs.size(), 3u);
      std::vector<double> values;
      Extended low = 0;
      for (int k = 0; k < 3; ++k) {
        const TSnapshotResult& m = r.Runs[k];
        const TModelState& ref = reference[k];
        EXPECT_EQ(m.Seed, 11u + k);
        EXPECT_EQ(m.OutputConcentration, ref.OutputConcentration) << moving << threads << k;
        EXPECT_EQ(m.RealInputConcentration, ref.RealInputConcentration);
        EXPECT_EQ(m.Steps, ref.ConcentrationSteps);
        EXPECT_EQ(m.OutletShares[0], ref.OutputFractions[0].Share);
        EXPECT_EQ(m.Statistics.Penetration, Penetration(ref.OutputTally.Total()));
        values.push_back(m.OutputConcentration);
        low += m.Statistics.Output95.Low;
      }
      EXPECT_EQ(r.Runs[2].Time, reference[2].Time);
      const TReplicaSummary between = SummarizeReplicas(values);
      EXPECT_EQ(r.Output.Between.Mean, between.Mean);
      EXPECT_EQ(r.Output.Between.Mean95.High, between.Mean95.High);
      EXPECT_EQ(r.Output.RunMean95.Low, ToDouble(low / 3));
      EXPECT_EQ(r.OutletShares.size(), start.Dust.Fractions.size());
      EXPECT_EQ(r.GradeEfficiency.size(), r.ClassLower.size());
      // The state is the last moment's, flow and results.
      EXPECT_EQ(s.OutputConcentration, reference[2].OutputConcentration);
      EXPECT_EQ(s.FreeCount, reference[2].FreeCount);
      EXPECT_FALSE(s.StopConcentration);
    }
  }
}

// Stop, in the vortex run between the moments or while the runs go, ends it
// all without results; arguments that make no sense are refused before the
// flow changes.
TEST(SnapshotRun, StopAndRefusals) {
  const TModelState start = YoungFlow();
  for (const bool duringRuns : {false, true}) {
    TModelState s = start;
    Presser ui(s);
    if (duringRuns)
      ui.onProgress = [&s](int) { s.StopConcentration = true; };
    else
      ui.onMessages = [&s] { s.StopConcentration = true; };
    TSnapshotResults r;
    EXPECT_EQ(RunSnapshots(s, ui, 4, 3, false, Seeded(1), Plan(3, 0.02, 2), r).Kind(), TOutcome::TKind::Stopped);
    EXPECT_TRUE(r.Empty());
    EXPECT_TRUE(s.StopConcentration);
    if (!duringRuns) {
      EXPECT_LT(s.Time, start.Time + 0.02);
    }
  }
  const std::pair<TSnapshotPlan, TConcentrationOptions> refused[] = {
      {Plan(0, 0.02, 1), Seeded(1)},
      {Plan(3, 0.0, 1), Seeded(1)},
      {Plan(3, 0.001, 1), Seeded(1)},  // shorter than the vortex step
      {Plan(3, 0.02, 1), {}},          // the fixed start sequence for every moment
  };
  for (const auto& [plan, options] : refused) {
    TModelState s = start;
    TObserver quiet;
    TSnapshotResults r;
    TConcentrationOptions o = options;
    if (&options == &refused[3].second) o.Seed = TSizeSeed::Unseeded();
    EXPECT_EQ(RunSnapshots(s, quiet, 4, 3, false, o, plan, r).Kind(), TOutcome::TKind::Refused);
    EXPECT_EQ(s.Time, start.Time);
    EXPECT_EQ(s.FreeCount, start.FreeCount);
    EXPECT_TRUE(r.Empty());
  }
}

}  // namespace
}  // namespace ltr
