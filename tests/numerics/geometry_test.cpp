#include "numerics/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ltr {
namespace {

TRealPoint P(Extended x, Extended y) { return {x, y}; }

TEST(GeometryTest, ChopSmallTreatsOnlyStrictlySmallerMagnitudesAsZero) {
  Extended v = 9.9e-11L;
  ChopSmall(v);
  EXPECT_EQ(v, 0.0L);
  v = 1e-10L;
  ChopSmall(v);
  EXPECT_EQ(v, 1e-10L);
  v = -1e-10L;
  ChopSmall(v);
  EXPECT_EQ(v, -1e-10L);
}

TEST(GeometryTest, IsBetweenIsStrictOnBothAxesAndSymmetric) {
  EXPECT_TRUE(IsBetween(P(0.5, 0.5), P(0, 0), P(1, 1)));
  EXPECT_TRUE(IsBetween(P(0.5, 0.5), P(1, 1), P(0, 0)));
  EXPECT_FALSE(IsBetween(P(0.5, 0), P(0, 0), P(1, 0)));  // no height
  // On any edge of the box, with A and B either way round.
  for (const TRealPoint& edge : {P(1, 0.5), P(0, 0.5), P(0.5, 0), P(0.5, 1)}) {
    EXPECT_FALSE(IsBetween(edge, P(0, 0), P(1, 1)));
    EXPECT_FALSE(IsBetween(edge, P(1, 1), P(0, 0)));
  }
  EXPECT_FALSE(IsBetween(P(2, 0.5), P(0, 0), P(1, 1)));
}

TEST(GeometryTest, UnitNormalTurnsTheDirectionClockwise) {
  TRealPoint n;
  UnitNormal(P(0, 0), P(2, 0), n);  // to the right -> down
  EXPECT_EQ(n.X, 0.0L);
  EXPECT_EQ(n.Y, -1.0L);
  UnitNormal(P(0, 0), P(0, 3), n);  // upwards -> right
  EXPECT_EQ(n.X, 1.0L);
  EXPECT_EQ(n.Y, 0.0L);
}

TEST(GeometryTest, ProperCrossingGivesTheCrossingPoint) {
  TRealPoint r;
  ASSERT_TRUE(SegmentsCross(P(0, 0), P(2, 2), P(0, 2), P(2, 0), &r));
  EXPECT_EQ(r.X, 1.0L);
  EXPECT_EQ(r.Y, 1.0L);
  EXPECT_TRUE(SegmentsCross(P(0, 0), P(2, 2), P(0, 2), P(2, 0)));
}

TEST(GeometryTest, TouchingIsNotCrossingAndResultIsNotWritten) {
  TRealPoint r{7, 7};
  EXPECT_FALSE(SegmentsCross(P(0, 0), P(1, 0), P(1, -1), P(1, 1), &r));
  EXPECT_EQ(r.X, 7.0L);
  EXPECT_EQ(r.Y, 7.0L);
  // A start point exactly on the other line does not count either.
  EXPECT_FALSE(SegmentsCross(P(1, 0), P(2, 0), P(1, -1), P(1, 1), &r));
}

TEST(GeometryTest, CollinearBranches) {
  TRealPoint r;
  // Horizontal and vertical collinear overlaps never count (IsBetween needs extent on both axes).
  EXPECT_FALSE(SegmentsCross(P(0, 0), P(2, 0), P(1, 0), P(3, 0), &r));
  EXPECT_FALSE(SegmentsCross(P(0, 0), P(0, 2), P(0, 1), P(0, 3), &r));
  // An oblique overlap counts, and the result is the first point of the first segment.
  ASSERT_TRUE(SegmentsCross(P(0, 0), P(2, 2), P(1, 1), P(3, 3), &r));
  EXPECT_EQ(r.X, 0.0L);
  EXPECT_EQ(r.Y, 0.0L);
  // One inside the other, both ways round.
  EXPECT_TRUE(SegmentsCross(P(1, 1), P(2, 2), P(0, 0), P(3, 3)));
  EXPECT_TRUE(SegmentsCross(P(0, 0), P(3, 3), P(1, 1), P(2, 2)));
  // Sharing only an end point.
  EXPECT_FALSE(SegmentsCross(P(0, 0), P(1, 1), P(1, 1), P(2, 2)));
  // Parallel but on different lines.
  EXPECT_FALSE(SegmentsCross(P(0, 0), P(2, 2), P(0, 1), P(2, 3)));
  // Degenerate segments never cross.
  EXPECT_FALSE(SegmentsCross(P(1, 1), P(1, 1), P(0, 0), P(2, 2)));
  EXPECT_FALSE(SegmentsCross(P(0, 0), P(2, 2), P(1, 1), P(1, 1)));
}

TEST(GeometryTest, CrossingPointXComesFromTheLineWithNonZeroA) {
  TRealPoint r;
  ASSERT_TRUE(SegmentsCross(P(0, 0), P(0, 2), P(-1, 1), P(1, 1), &r));  // a1 = 2
  EXPECT_EQ(r.X, 0.0L);
  EXPECT_EQ(r.Y, 1.0L);
  ASSERT_TRUE(SegmentsCross(P(-1, 1), P(1, 1), P(0, 0), P(0, 2), &r));  // a1 = 0
  EXPECT_EQ(r.X, 0.0L);
  EXPECT_EQ(r.Y, 1.0L);
}

TEST(GeometryTest, StopAtRibBacksOffTowardsTheStart) {
  bool hit = false;
  TRealPoint r;
  StopAtRib(P(0, 0), P(0, 2), {P(-1, 1), P(1, 1)}, hit, r);
  EXPECT_TRUE(hit);
  EXPECT_EQ(r.X, 0.0L);
  EXPECT_EQ(r.Y, 1.0L - 1e-4L);

  StopAtRib(P(0, 0), P(0, 0.5), {P(-1, 1), P(1, 1)}, hit, r);
  EXPECT_FALSE(hit);
  EXPECT_EQ(r.X, 0.0L);
  EXPECT_EQ(r.Y, 0.5L);
}

TEST(GeometryTest, SlideAlongRibKeepsTheWallParallelPart) {
  bool hit = false;
  TRealPoint r;
  SlideAlongRib(P(0, 0), P(1, 2), {P(-1, 1), P(3, 1)}, hit, r);
  EXPECT_TRUE(hit);
  EXPECT_NEAR(static_cast<double>(r.X), 1.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(r.Y), 1.0 - 2e-4 / std::sqrt(5.0), 1e-15);

  SlideAlongRib(P(0, 0), P(1, 0.5), {P(-1, 1), P(3, 1)}, hit, r);
  EXPECT_FALSE(hit);
  EXPECT_EQ(r.X, 1.0L);
  EXPECT_EQ(r.Y, 0.5L);
}

TEST(GeometryTest, FindRibCrossingReportsTheNearestCrossingPushedBeyond) {
  // Two horizontal ribs at y = 1 and y = 2, listed far one first.
  const TRibArray ribs{{P(-1, 2), P(1, 2)}, {P(-1, 1), P(1, 1)}};
  TRealPoint r;
  ASSERT_TRUE(FindRibCrossing(P(0, 0), P(0, 3), ribs, &r));
  EXPECT_EQ(r.X, 0.0L);
  EXPECT_EQ(r.Y, 1.0L + 1e-4L);
  EXPECT_TRUE(FindRibCrossing(P(0, 0), P(0, 3), ribs));
  EXPECT_FALSE(FindRibCrossing(P(0, 0), P(0, 0.5), ribs, &r));
}

TEST(GeometryTest, RotatePointTurnsCounterClockwise) {
  TRealPoint r;
  RotatePoint(P(1, 0), r, 1.5707963267948966);
  EXPECT_NEAR(static_cast<double>(r.X), 0.0, 1e-16);
  EXPECT_NEAR(static_cast<double>(r.Y), 1.0, 1e-18);
  // In place.
  TRealPoint q = P(1, 0);
  RotatePoint(q, q, 1.5707963267948966);
  EXPECT_EQ(q.X, r.X);
  EXPECT_EQ(q.Y, r.Y);
}

TEST(GeometryTest, DistanceToLineAndLineValue) {
  EXPECT_EQ(DistanceToLine(P(0, 1), P(-1, 0), P(1, 0)), 1.0L);
  // Values within ZeroTolerance of the line count as on it.
  EXPECT_EQ(LineValue(P(0, 5e-11L), 0.0, 1.0, 0.0), 0.0L);
}

TEST(GeometryTest, PullInsideMovesOnlyWhatIsOnOrBeyondASide) {
  const TRibArray square = {{P(1, 3), P(3, 3)}, {P(3, 3), P(3, 1)}, {P(3, 1), P(1, 1)}, {P(1, 1), P(1, 3)}};
  const TBox box = ContourBox(square);
  EXPECT_EQ(box.Left, 1.0L);
  EXPECT_EQ(box.Top, 3.0L);
  EXPECT_TRUE(StrictlyInside(P(2, 2.9999L), box));
  // On any side is not strictly inside.
  for (const TRealPoint& side : {P(2, 3), P(3, 2), P(2, 1), P(1, 2)}) EXPECT_FALSE(StrictlyInside(side, box));
  EXPECT_FALSE(StrictlyInside(P(0.5L, 2), box));

  TRealPoint inside = P(2.5L, 1.5L);
  PullInside(inside, box, 0.1L);
  EXPECT_EQ(inside.X, 2.5L);
  EXPECT_EQ(inside.Y, 1.5L);
  TRealPoint corner = P(3.2L, 3);  // beyond the right side, on the top
  PullInside(corner, box, 0.1L);
  EXPECT_EQ(corner.X, 3 - 0.1L);
  EXPECT_EQ(corner.Y, 3 - 0.1L);
  TRealPoint low = P(2, -5);
  PullInside(low, box, 0.1L);
  EXPECT_EQ(low.X, 2.0L);
  EXPECT_EQ(low.Y, 1 + 0.1L);
  TRealPoint lowCorner = P(1, 1);  // exactly on both low sides: in from them
  PullInside(lowCorner, box, 0.1L);
  EXPECT_EQ(lowCorner.X, 1 + 0.1L);
  EXPECT_EQ(lowCorner.Y, 1 + 0.1L);
  // A box no wider than twice the inset: the middle.
  TRealPoint narrow = P(4, 2);
  PullInside(narrow, box, 1.5L);
  EXPECT_EQ(narrow.X, 2.0L);
  EXPECT_EQ(narrow.Y, 2.0L);
}

}  // namespace
}  // namespace ltr
