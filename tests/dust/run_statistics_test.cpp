#include "dust/run_statistics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "dust/coarse_case.h"
#include "dust/concentration_run.h"
#include "model/discretization.h"
#include "quiet_observer.h"
#include "solver/vortex_run.h"

namespace ltr {
namespace {

using testing::Coarse;
using testing::Quiet;
using testing::Seeded;
using testing::SteadyFlow;

long long Ended(const TFateTally& t) {
  return t.CountOf(TFateKind::Exhausted) + t.CountOf(TFateKind::Settled) + t.CountOf(TFateKind::AtRest) +
         t.CountOf(TFateKind::Held);
}

void ExpectFatesAddUp(const TModelState& s, long long injected) {
  const TRunTally& t = s.OutputTally;
  ASSERT_EQ(t.Fractions.size(), s.Dust.Fractions.size());
  long long total = 0;
  for (size_t j = 0; j < t.Fractions.size(); ++j) {
    const TFateTally& f = t.Fractions[j];
    EXPECT_EQ(Ended(f), f.CountOf(TFateKind::Injected)) << j;
    EXPECT_EQ(f.CountOf(TFateKind::Exhausted), s.FractionHits[j]) << j;
    EXPECT_EQ(f.CountOf(TFateKind::Held), s.OutputHeldCounts[j]) << j;
    Extended ended = 0;
    for (TFateKind k : {TFateKind::Exhausted, TFateKind::Settled, TFateKind::AtRest, TFateKind::Held})
      ended += f.MassOf(k);
    EXPECT_NEAR(ToDouble(ended), ToDouble(f.MassOf(TFateKind::Injected)), 1e-15 * ToDouble(ended)) << j;
    total += f.CountOf(TFateKind::Injected);
  }
  EXPECT_EQ(total, injected);
  // The size classes hold the same particles.
  long long inClasses = 0, exhaustedInClasses = 0;
  for (const TFateTally& c : t.Classes) {
    EXPECT_EQ(Ended(c), c.CountOf(TFateKind::Injected));
    inClasses += c.CountOf(TFateKind::Injected);
    exhaustedInClasses += c.CountOf(TFateKind::Exhausted);
  }
  EXPECT_GE(t.Classes.size(), static_cast<size_t>(MinSizeClassCount));
  // The classes span the composition.
  const int last = static_cast<int>(t.Classes.size()) - 1;
  EXPECT_EQ(t.ClassLower(0), s.Dust.Fractions.front().Lower);
  EXPECT_NEAR(t.ClassUpper(last), s.Dust.Fractions.back().Upper, 1e-20);
  EXPECT_EQ(t.ClassUpper(0), t.ClassLower(1));
  EXPECT_EQ(inClasses, injected);
  EXPECT_EQ(exhaustedInClasses, t.Total().CountOf(TFateKind::Exhausted));
  // The outlet share of the mass is the ratio of the two concentrations.
  EXPECT_NEAR(Penetration(t.Total()) * s.RealInputConcentration, s.OutputConcentration,
              1e-14 * s.RealInputConcentration);
}

TEST(RunStatistics, FatesAddUpToTheInjectedParticles) {
  TModelState s = SteadyFlow();
  ASSERT_TRUE(
      RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), Quiet(), 6, 5, false, Seeded(42)));
  ExpectFatesAddUp(s, 30);
  const TFateTally total = s.OutputTally.Total();
  EXPECT_GT(total.CountOf(TFateKind::Exhausted), 0);
  EXPECT_GT(total.CountOf(TFateKind::Settled), 0);

  // Held by a short residence limit: counted as held, still adding up.
  TModelState held = SteadyFlow();
  held.MaxResidence = 0.05;
  ASSERT_TRUE(RunConcentration(held.Case(), held.Flow(), held.DustRun(), held.Results(), held.Control(), Quiet(), 6, 5,
                               false, Seeded(42)));
  ExpectFatesAddUp(held, 30);
  EXPECT_GT(held.OutputTally.Total().CountOf(TFateKind::Held), 0);

  // A new run starts a new tally.
  ASSERT_TRUE(RunConcentration(held.Case(), held.Flow(), held.DustRun(), held.Results(), held.Control(), Quiet(), 2, 2,
                               false, Seeded(1)));
  ExpectFatesAddUp(held, 4);
}

TEST(RunStatistics, PenetrationIsZeroInStillAirAndOneWhenEveryParticleLeaves) {
  TModelState still = Coarse();  // every circulation 0: the particles fall
  ASSERT_TRUE(RunConcentration(still.Case(), still.Flow(), still.DustRun(), still.Results(), still.Control(), Quiet(),
                               4, 3, false, Seeded(3)));
  TOutletStatistics none = OutletStatistics(still.OutputTally.Total(), still.RealInputConcentration);
  EXPECT_EQ(none.Particles, 12);
  EXPECT_EQ(none.Penetration, 0.0);
  EXPECT_EQ(none.OutputStdError, 0.0);
  EXPECT_EQ(none.Output95.Low, 0.0);
  EXPECT_EQ(none.Output95.High, 0.0);

  TModelState fine = SteadyFlow();
  fine.Dust.Fractions = {{1e-6, 2e-6, 0.5}, {2e-6, 3e-6, 0.5}};
  TConcentrationOptions own = Seeded(3);
  own.ParticleStep = TParticleStepMode::Auto();
  ASSERT_TRUE(RunConcentration(fine.Case(), fine.Flow(), fine.DustRun(), fine.Results(), fine.Control(), Quiet(), 4, 3,
                               false, own));
  ExpectFatesAddUp(fine, 12);
  TOutletStatistics all = OutletStatistics(fine.OutputTally.Total(), fine.RealInputConcentration);
  EXPECT_NEAR(all.Penetration, 1.0, 1e-15);
  EXPECT_NEAR(all.PenetrationStdError, 0.0, 1e-15);
  EXPECT_NEAR(all.Penetration95.High, 1.0, 1e-15);
  for (const TFateTally& f : fine.OutputTally.Fractions) EXPECT_NEAR(Penetration(f), 1.0, 1e-15);
}

// Four times the particles, half the standard error (within what one pair of
// samples can say).
TEST(RunStatistics, IntervalNarrowsAsOneOverTheRootOfTheParticleCount) {
  TModelState few = SteadyFlow();
  ASSERT_TRUE(RunConcentration(few.Case(), few.Flow(), few.DustRun(), few.Results(), few.Control(), Quiet(), 6, 6,
                               false, Seeded(11)));
  TModelState many = SteadyFlow();
  ASSERT_TRUE(RunConcentration(many.Case(), many.Flow(), many.DustRun(), many.Results(), many.Control(), Quiet(), 12,
                               12, false, Seeded(11)));
  const TOutletStatistics a = OutletStatistics(few.OutputTally.Total(), few.RealInputConcentration);
  const TOutletStatistics b = OutletStatistics(many.OutputTally.Total(), many.RealInputConcentration);
  ASSERT_GT(b.OutputStdError, 0.0);
  EXPECT_GT(a.OutputStdError / b.OutputStdError, 1.4);
  EXPECT_LT(a.OutputStdError / b.OutputStdError, 2.8);
  EXPECT_LE(b.Output95.Low, many.OutputConcentration);
  EXPECT_GE(b.Output95.High, many.OutputConcentration);
}

// Four particles of masses 1, 2, 3 and 4, those of 1 and 3 exhausted: R =
// 0.4 and sum (y - R x)^2 = 0.36 + 0.64 + 3.24 + 2.56 = 6.8, so SE =
// sqrt(4/3 * 6.8) / 10; the interval is R +- 1.959964 SE, its lower end kept
// at 0.
TEST(RunStatistics, StandardErrorIsTheDeltaMethodOfTheRatio) {
  TFateTally t;
  for (int m = 1; m <= 4; ++m) t.Add(TFateKind::Injected, m);
  t.Add(TFateKind::Exhausted, 1);
  t.Add(TFateKind::Settled, 2);
  t.Add(TFateKind::Exhausted, 3);
  t.Add(TFateKind::Held, 4);
  const double input = 2e-5;
  const TOutletStatistics r = OutletStatistics(t, input);
  const double se = std::sqrt(6.8 * 4 / 3) / 10;
  const double z = 1.959963984540054;
  EXPECT_EQ(r.Particles, 4);
  EXPECT_NEAR(r.Penetration, 0.4, 1e-15);
  EXPECT_NEAR(r.PenetrationStdError, se, 1e-15);
  EXPECT_NEAR(r.OutputStdError, se * input, 1e-20);
  EXPECT_EQ(r.Penetration95.Low, 0.0);
  EXPECT_NEAR(r.Penetration95.High, 0.4 + z * se, 1e-15);
  EXPECT_EQ(r.Output95.Low, 0.0);
  EXPECT_NEAR(r.Output95.High, (0.4 + z * se) * input, 1e-20);
}

TEST(RunStatistics, ReplicaSummaryUsesStudentsT) {
  EXPECT_NEAR(StudentT95(1), 12.706, 1e-3);
  EXPECT_NEAR(StudentT95(10), 2.228, 1e-3);
  EXPECT_NEAR(StudentT95(40), 2.021, 1e-3);
  EXPECT_NEAR(StudentT95(120), 1.980, 1e-3);
  EXPECT_NEAR(StudentT95(100000), 1.960, 1e-3);

  const TReplicaSummary r = SummarizeReplicas({1.0, 2.0, 3.0});
  EXPECT_EQ(r.Count, 3);
  EXPECT_DOUBLE_EQ(r.Mean, 2.0);
  EXPECT_DOUBLE_EQ(r.StdDev, 1.0);
  EXPECT_NEAR(r.Mean95.High - r.Mean, 4.303 / std::sqrt(3.0), 1e-3);
  EXPECT_TRUE(std::isnan(SummarizeReplicas({5.0}).StdDev));
}

// Wilson's interval of a share by number against values worked out by hand:
// it stays within [0, 1], is not empty for none or all, and is undefined
// without particles.
TEST(RunStatistics, ShareIntervalIsWilsons) {
  const TInterval none = ShareInterval95(0, 10);
  EXPECT_DOUBLE_EQ(none.Low, 0.0);
  EXPECT_NEAR(none.High, 0.27753, 1e-5);
  const TInterval half = ShareInterval95(5, 10);
  EXPECT_NEAR(half.Low, 0.23659, 1e-5);
  EXPECT_NEAR(half.High, 0.76341, 1e-5);
  const TInterval all = ShareInterval95(40, 40);
  EXPECT_NEAR(all.Low, 0.91238, 1e-5);
  EXPECT_DOUBLE_EQ(all.High, 1.0);
  EXPECT_TRUE(std::isnan(ShareInterval95(0, 0).Low));
}

}  // namespace
}  // namespace ltr
