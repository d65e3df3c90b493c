#include "model/discretization.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "model/model_state.h"
#include "model/validation.h"

namespace ltr {
namespace {

std::array<int, 8> Counts(const TModelState& s) { return s.RibCounts; }

TEST(ModelStateTest, StartsWithTheBuiltInDefaults) {
  TModelState s;
  EXPECT_EQ(s.Area.H, 0.02);
  EXPECT_EQ(s.Area.InflowSpeed, 2.0);
  EXPECT_EQ(DerivedInflowSpeed(s.Area), 2.0);  // 3.0 * 0.2 / 0.3
  EXPECT_FALSE(s.Enabled[0]);
  EXPECT_TRUE(s.Enabled[1]);
  EXPECT_TRUE(s.Enabled[2]);
  EXPECT_TRUE(s.Enabled[3]);
  EXPECT_EQ(s.MaxFreeVortex, 100);
  EXPECT_EQ(s.FreeCount, 0);
  EXPECT_EQ(s.Time, 0.0);
  EXPECT_EQ(s.Dt, 0.005);
  EXPECT_EQ(s.FreeVortexSize, 3);
  ASSERT_EQ(s.Dust.Fractions.size(), 2u);
  EXPECT_EQ(s.Dust.Fractions[1].Share, 0.6);
  EXPECT_TRUE(s.Vortices.empty());
}

TEST(ModelStateTest, RecordsHaveTheStoredByteImage) {
  const TExt80 one = ToExt80(1.0L);
  const TExt80 expectedOne{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  EXPECT_EQ(one, expectedOne);
  const TExt80 minusTwo{0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0};
  EXPECT_EQ(ToExt80(-2.0L), minusTwo);
  EXPECT_EQ(FromExt80(minusTwo), -2.0L);

  const TVortex v{{0.1L, -0.3L}, 1.0L / 3};
  const TVortex back = FromRecord(ToRecord(v));
  EXPECT_EQ(back.Pos.X, v.Pos.X);
  EXPECT_EQ(back.Pos.Y, v.Pos.Y);
  EXPECT_EQ(back.Gamma, v.Gamma);
  const TVortexRecord r = ToRecord(v);
  for (auto b : r.Filler1) EXPECT_EQ(b, 0);
  for (auto b : r.Filler2) EXPECT_EQ(b, 0);
}

TEST(DiscretizationTest, DefaultEnclosureAtStartUp) {
  TModelState s;
  BuildArea(s.Area, s.Flow());
  const int n = s.BoundCount;
  EXPECT_EQ(n, std::accumulate(s.RibCounts.begin(), s.RibCounts.end(), 0));
  EXPECT_EQ(s.CalcPoints.size(), static_cast<size_t>(n));
  EXPECT_EQ(s.Vortices.size(), static_cast<size_t>(n + 100));
  for (const TVortex& v : s.Vortices) EXPECT_EQ(v.Gamma, 0.0L);
  EXPECT_EQ(s.FreeCount, 0);
  EXPECT_EQ(BoundCountText(n), "Количество присоединенных вихрей: " + std::to_string(n));
  // 0.05 / 0.02 lands just above 2.5 in extended arithmetic, so the first rib gets 3.
  EXPECT_EQ(s.RibCounts[0], 3);
  EXPECT_EQ(s.ExhaustRib, 4);
  EXPECT_EQ(s.InflowRib, 1);
}

TEST(DiscretizationTest, CoarseSpacingGivesTheKnownRibCounts) {
  TModelState s;
  s.Area.H = 0.05;
  BuildArea(s.Area, s.Flow());
  EXPECT_EQ(Counts(s), (std::array<int, 8>{1, 6, 13, 1, 4, 9, 20, 14}));
  EXPECT_EQ(s.BoundCount, 68);
}

TEST(DiscretizationTest, SquareEnclosure) {
  TModelState s;
  s.Area.RoomHeight = 1.0;
  s.Area.RoomWidth = 1.0;
  s.Area.InflowDistance = 0.4;
  s.Area.InflowWidth = 0.2;
  s.Area.ExhaustHeight = 0.4;
  s.Area.ExhaustWidth = 0.2;
  s.Area.H = 0.1;
  BuildArea(s.Area, s.Flow());
  EXPECT_EQ(Counts(s), (std::array<int, 8>{4, 2, 4, 4, 2, 4, 10, 10}));
  EXPECT_EQ(s.BoundCount, 40);
  EXPECT_EQ(BoundCountText(s.BoundCount), "Количество присоединенных вихрей: 40");

  // Calc points sit half a step past their vortex; normals point outwards;
  // the openings carry the prescribed speeds.
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(s.CalcPoints[i].Normal.X, 0.0L);
    EXPECT_EQ(s.CalcPoints[i].Normal.Y, 1.0L);
    EXPECT_EQ(s.CalcPoints[i].Vn, 0.0L);
  }
  EXPECT_EQ(s.Vortices[4].Pos.X, static_cast<Extended>(0.4));  // the double 0.4, widened
  EXPECT_EQ(s.CalcPoints[4].Vn, -static_cast<Extended>(s.Area.InflowSpeed));
  EXPECT_EQ(s.CalcPoints[5].Vn, -static_cast<Extended>(s.Area.InflowSpeed));
  const int exhaustFirst = 4 + 2 + 4 + 4;
  EXPECT_EQ(s.CalcPoints[exhaustFirst].Vn, 3.0L);
  EXPECT_EQ(s.CalcPoints[exhaustFirst].Normal.X, 1.0L);
  EXPECT_EQ(s.CalcPoints[exhaustFirst + 2].Vn, 0.0L);
  const int floorFirst = 20;
  EXPECT_EQ(s.CalcPoints[floorFirst].Normal.Y, -1.0L);
  EXPECT_EQ(s.CalcPoints[39].Normal.X, -1.0L);
  for (int i = 0; i < s.BoundCount; ++i) {
    EXPECT_NE(s.Vortices[i].Pos.X + s.Vortices[i].Pos.Y, s.CalcPoints[i].Pos.X + s.CalcPoints[i].Pos.Y);
  }

  // Separation points: search ranges and inward directions.
  EXPECT_EQ(s.SepPoints[0].SearchFrom, 3);
  EXPECT_EQ(s.SepPoints[0].SearchTo, 1);
  EXPECT_EQ(s.SepPoints[0].Dir.Y, -1.0L);
  EXPECT_EQ(s.SepPoints[1].SearchFrom, 7);
  EXPECT_EQ(s.SepPoints[1].SearchTo, 9);
  EXPECT_EQ(s.SepPoints[2].SearchFrom, 30 - 5 + 1);
  EXPECT_EQ(s.SepPoints[2].SearchTo, 21);
  EXPECT_EQ(s.SepPoints[2].Dir.Y, 1.0L);
  EXPECT_EQ(s.SepPoints[3].SearchFrom, 40 - 5 + 1);
  EXPECT_EQ(s.SepPoints[3].SearchTo, 31);
  EXPECT_EQ(s.SepPoints[3].Dir.X, 1.0L);
  for (const TSeparationPoint& p : s.SepPoints) EXPECT_EQ(p.LastShed, -1);

  // The inset contour lies H / 2 inside the walls.
  ASSERT_EQ(s.InnerRibs.size(), 4u);
  const Extended d = static_cast<Extended>(0.1) / 2;
  EXPECT_EQ(s.InnerRibs[0].P1.X, d);
  EXPECT_EQ(s.InnerRibs[0].P1.Y, 1.0L - d);
  EXPECT_EQ(s.InnerRibs[1].P2.Y, d);
}

TEST(DiscretizationTest, ThinWallsKeepTheSearchStartOnTheWall) {
  TModelState s;
  s.Area.RoomHeight = 0.05;  // left wall and floor get few vortices
  s.Area.RoomWidth = 0.06;
  s.Area.InflowDistance = 0.01;
  s.Area.InflowWidth = 0.02;
  s.Area.ExhaustHeight = 0.01;
  s.Area.ExhaustWidth = 0.02;
  BuildArea(s.Area, s.Flow());
  ASSERT_LE(s.RibCounts[6], 3);
  ASSERT_LE(s.RibCounts[7], 3);
  const int floorFirst = s.BoundCount - s.RibCounts[7] - s.RibCounts[6];
  const int floorLast = floorFirst + s.RibCounts[6] - 1;
  EXPECT_GE(s.SepPoints[2].SearchFrom, floorFirst);
  EXPECT_LE(s.SepPoints[2].SearchFrom, floorLast);
  EXPECT_EQ(s.SepPoints[3].SearchFrom, s.BoundCount - 1);
  for (const TSeparationPoint& p : s.SepPoints) {
    EXPECT_GE(p.SearchFrom, 0);
    EXPECT_LT(p.SearchFrom, s.BoundCount);
  }
}

// Short ceiling strips beside the inflow and thin walls: every search range,
// both its ends, lies on the calc points of the separation point's own wall.
TEST(DiscretizationTest, EverySearchRangeStaysOnItsOwnWall) {
  struct Case {
    double inflowDistance, inflowWidth, roomWidth, roomHeight;
  };
  const Case cases[] = {
      {0.05, 0.3, 1.0, 0.7},    // start-up enclosure
      {0.69, 0.3, 1.0, 0.7},    // 1 cm of ceiling right of the inflow: one vortex
      {0.03, 0.3, 1.0, 0.7},    // two vortices left of the inflow
      {0.01, 0.3, 0.345, 0.7},  // one on the left, two on the right
      {0.01, 0.02, 0.06, 0.05}, // thin floor and left wall too
  };
  const int ribOfPoint[4] = {0, 2, 6, 7};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "InflowDistance " << c.inflowDistance << ", width " << c.roomWidth);
    TModelState s;
    s.Area.InflowDistance = c.inflowDistance;
    s.Area.InflowWidth = c.inflowWidth;
    s.Area.RoomWidth = c.roomWidth;
    s.Area.RoomHeight = c.roomHeight;
    if (c.roomHeight < 0.1) {
      s.Area.ExhaustHeight = 0.01;
      s.Area.ExhaustWidth = 0.02;
    }
    BuildArea(s.Area, s.Flow());
    for (int p = 0; p < 4; ++p) {
      int first = 0;
      for (int k = 0; k < ribOfPoint[p]; ++k) first += s.RibCounts[k];
      const int last = first + s.RibCounts[ribOfPoint[p]] - 1;
      EXPECT_GE(s.SepPoints[p].SearchFrom, first) << "point " << p;
      EXPECT_LE(s.SepPoints[p].SearchFrom, last) << "point " << p;
      EXPECT_GE(s.SepPoints[p].SearchTo, first) << "point " << p;
      EXPECT_LE(s.SepPoints[p].SearchTo, last) << "point " << p;
    }
  }
}

TEST(DiscretizationTest, ShortRibStillGetsOneVortexAndRebuildIsIdempotent) {
  TModelState s;
  s.Area.ExhaustHeight = 0.49;  // a right wall piece of 0.01 above the exhaust... below it 0.49
  s.Area.InflowDistance = 0.005;  // shorter than H / 2
  BuildArea(s.Area, s.Flow());
  EXPECT_EQ(s.RibCounts[0], 1);
  const auto first = s.CalcPoints;
  const int n = s.BoundCount;
  s.MaxFreeVortex = 7;
  BuildArea(s.Area, s.Flow());
  EXPECT_EQ(s.BoundCount, n);
  EXPECT_EQ(s.Vortices.size(), static_cast<size_t>(n + 7));
  ASSERT_EQ(s.CalcPoints.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(s.CalcPoints[i].Pos.X, first[i].Pos.X);
    EXPECT_EQ(s.CalcPoints[i].Pos.Y, first[i].Pos.Y);
  }
}

TEST(DiscretizationTest, HalfQuotientsRoundToEven) {
  // Rib lengths of exactly 2.5 and 3.5 spacings (binary-exact values).
  TModelState s;
  s.Area.H = 0.25;
  s.Area.RoomWidth = 4.0;
  s.Area.RoomHeight = 2.0;
  s.Area.InflowDistance = 0.625;  // 2.5 spacings -> 2
  s.Area.InflowWidth = 0.875;     // 3.5 spacings -> 4
  s.Area.ExhaustHeight = 0.5;
  s.Area.ExhaustWidth = 0.5;
  BuildArea(s.Area, s.Flow());
  EXPECT_EQ(s.RibCounts[0], 2);
  EXPECT_EQ(s.RibCounts[1], 4);
}

TEST(ValidationTest, EnclosureValueCheck) {
  TAreaParams a;
  EXPECT_TRUE(AreaValuesValid(a));
  a.RoomWidth = 1.0;
  a.InflowDistance = 0.75;
  a.InflowWidth = 0.25;
  EXPECT_FALSE(AreaValuesValid(a));  // the inflow reaches the right wall
  a = TAreaParams{};
  a.RoomHeight = 0.75;
  a.ExhaustHeight = 0.5;
  a.ExhaustWidth = 0.25;
  EXPECT_FALSE(AreaValuesValid(a));  // the exhaust reaches the ceiling
  a.ExhaustWidth = 0.2;
  EXPECT_TRUE(AreaValuesValid(a));
  a = TAreaParams{};
  a.H = 0.0;
  EXPECT_FALSE(AreaValuesValid(a));
  a = TAreaParams{};
  a.H = 2.0;
  EXPECT_TRUE(AreaValuesValid(a));
  EXPECT_FALSE(AreaValuesInRange(a));
}

}  // namespace
}  // namespace ltr
