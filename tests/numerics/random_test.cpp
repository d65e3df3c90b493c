#include "numerics/random.h"

#include <gtest/gtest.h>

namespace ltr {
namespace {

TEST(UniformRandom, NewGeneratorGivesTheFixedSequence) {
  TUniformRandom u;
  EXPECT_TRUE(u.Ready());
  EXPECT_TRUE(u.Prepare());
  const double expected[] = {0.92092538, 0.0564525975, 0.9773779775,
                             0.033830575, 0.0112085525, 0.0450391275};
  for (double e : expected) EXPECT_NEAR(u.Next(), e, 1e-15);
}

TEST(UniformRandom, SumOfExactlyFourStaysFourAndValuesStayInTheUnitInterval) {
  TUniformRandom u;
  u.SetState(3, 1);
  EXPECT_EQ(u.Next(), 1.0);
  EXPECT_EQ(u.X1(), 1.0);
  EXPECT_EQ(u.X2(), 4.0);
  EXPECT_EQ(u.Next(), 0.25);  // 1 + 4 = 5 wraps to 1
  u.SetState(0, 0);
  EXPECT_EQ(u.Next(), 0.0);
  TUniformRandom v;
  for (int i = 0; i < 10000; ++i) {
    const double r = v.Next();
    ASSERT_GE(r, 0.0);
    ASSERT_LE(r, 1.0);
  }
}

TEST(UniformRandom, SeedsGiveReproducibleNewSequences) {
  TUniformRandom a, b, c;
  a.Randomize(12345);
  b.Randomize(12345);
  c.Randomize(54321);
  EXPECT_EQ(a.X1(), b.X1());
  EXPECT_EQ(a.X2(), b.X2());
  EXPECT_GE(a.X1(), 0.0);
  EXPECT_LT(a.X1(), 4.0);
  EXPECT_GE(a.X2(), 0.0);
  EXPECT_LT(a.X2(), 1.0);
  EXPECT_NE(a.X1(), c.X1());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a.Next(), b.Next());
  TUniformRandom fresh;
  EXPECT_NE(a.Next(), fresh.Next());
  TUniformRandom clock;
  clock.Randomize();
  EXPECT_LT(clock.X2(), 1.0);
}

TEST(BarRandom, DefaultBarsPrepareAndInvertTheDistribution) {
  TBarRandom g;
  EXPECT_FALSE(g.Ready());
  EXPECT_EQ(g.Next(), 0.0);
  EXPECT_EQ(g.Next(), 0.0);
  EXPECT_TRUE(g.Prepare());
  EXPECT_TRUE(g.Ready());
  EXPECT_EQ(g.Cumulative(), (TRealArray{0.0L, 0.25L, 1.0L}));
  // The uniform source was not advanced while the generator was not ready.
  // u = 0.92092538, 0.0564525975, 0.9773779775 from the uniform source.
  const double first = g.Next(), second = g.Next(), third = g.Next();
  EXPECT_NEAR(first, (0.92092538 - 0.25) / 1.5 + 0.5, 1e-15);
  EXPECT_NEAR(second, 0.0564525975 / 0.5, 1e-15);
  EXPECT_NEAR(third, (0.9773779775 - 0.25) / 1.5 + 0.5, 1e-15);
  EXPECT_NEAR(first, 0.94728358, 1e-8);
  EXPECT_NEAR(second, 0.11290519, 1e-8);
  EXPECT_NEAR(third, 0.98491865, 1e-8);
}

TEST(BarRandom, ValueOnACumulativeEdgeComesFromTheLowerBar) {
  TBarRandom g;
  ASSERT_TRUE(g.Prepare());
  g.Uniform().SetState(0.5, 0.5);  // next uniform value 0.25 = Cumulative[1]
  EXPECT_EQ(g.Next(), 0.5);
  g.Uniform().SetState(0, 0);  // u = 0: the start of the first bar
  EXPECT_EQ(g.Next(), 0.0);
  g.Uniform().SetState(3, 1);  // u = 1: the end of the last bar
  EXPECT_EQ(g.Next(), 1.0);
}

TEST(BarRandom, CheckParamsRefusesBadBarsAndKeepsTheTolerance) {
  TBarRandom g;
  g.SetBound(1, 1);
  g.SetBound(2, 1);
  EXPECT_FALSE(g.CheckParams()) << "equal bounds";
  g.SetBound(2, 2);
  g.SetBound(1, 2);
  g.SetBound(2, 1);
  EXPECT_FALSE(g.CheckParams()) << "decreasing bounds";

  TBarRandom h;
  h.SetHeight(1, -0.1);
  EXPECT_FALSE(h.CheckParams()) << "negative height";
  EXPECT_FALSE(h.Prepare());
  EXPECT_EQ(h.Next(), 0.0);

  // One bar (0, 1): its height is the total area.
  TBarRandom k;
  k.SetCount(1);
  k.SetBound(0, 0);
  k.SetBound(1, 1);
  k.SetHeight(0, 1 + 5e-7);
  EXPECT_TRUE(k.CheckParams());
  k.SetHeight(0, 1 - 5e-7);
  EXPECT_TRUE(k.CheckParams());
  k.SetHeight(0, 1 + 2e-6);
  EXPECT_FALSE(k.CheckParams());
  k.SetHeight(0, 1 - 2e-6);
  EXPECT_FALSE(k.CheckParams());

  TBarRandom none;
  none.SetCount(0);
  EXPECT_FALSE(none.CheckParams());
  EXPECT_FALSE(none.Prepare());
}

TEST(BarRandom, OnlyRealChangesClearReady) {
  TBarRandom g;
  ASSERT_TRUE(g.Prepare());
  g.SetBound(1, 0.5);
  g.SetHeight(0, 0.5);
  g.SetCount(2);
  EXPECT_TRUE(g.Ready());
  EXPECT_EQ(g.Bounds(), (TRealArray{0.0L, 0.5L, 1.0L}));
  EXPECT_EQ(g.Heights(), (TRealArray{0.5L, 1.5L}));

  g.SetBound(1, 0.25);
  EXPECT_FALSE(g.Ready());
  EXPECT_FALSE(g.Prepare()) << "0.25 * 0.5 + 0.75 * 1.5 is not 1";
  g.SetBound(1, 0.5);
  EXPECT_TRUE(g.Prepare());
}

TEST(BarRandom, SetCountKeepsExistingValuesAndZeroesNewOnes) {
  TBarRandom g;
  ASSERT_TRUE(g.Prepare());
  g.SetCount(3);
  EXPECT_FALSE(g.Ready());
  EXPECT_EQ(g.Count(), 3);
  EXPECT_EQ(g.Bounds(), (TRealArray{0.0L, 0.5L, 1.0L, 0.0L}));
  EXPECT_EQ(g.Heights(), (TRealArray{0.5L, 1.5L, 0.0L}));
  EXPECT_EQ(g.Cumulative().size(), 4u);
  g.SetBound(3, 2);
  ASSERT_TRUE(g.Prepare()) << "a zero-height last bar adds no area";
  EXPECT_EQ(g.Cumulative(), (TRealArray{0.0L, 0.25L, 1.0L, 1.0L}));
}

TEST(BarRandom, FractionsGiveTheirSharesByNumber) {
  // Two contiguous fractions 30-50 and 50-70 (micrometres as plain numbers)
  // with shares 0.4 and 0.6, as the concentration run sets them up.
  TBarRandom g;
  g.Randomize(7);
  g.SetCount(2);
  g.SetBound(0, 30);
  g.SetBound(1, 50);
  g.SetBound(2, 70);
  g.SetHeight(0, 0.4 / 20);
  g.SetHeight(1, 0.6 / 20);
  ASSERT_TRUE(g.Prepare());
  int lower = 0;
  const int n = 20000;
  for (int i = 0; i < n; ++i) {
    const double d = g.Next();
    ASSERT_GE(d, 30.0);
    ASSERT_LE(d, 70.0);
    if (d <= 50) ++lower;
  }
  EXPECT_NEAR(static_cast<double>(lower) / n, 0.4, 0.02);
}

}  // namespace
}  // namespace ltr
