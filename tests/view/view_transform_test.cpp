#include "view/view_transform.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ltr {
namespace {

TEST(ScreenMapping, RoundsTheProductAloneHalfToEven) {
  EXPECT_EQ(ScreenX(0, 1.0, 2.5L), 2);
  EXPECT_EQ(ScreenX(0, 1.0, 3.5L), 4);
  EXPECT_EQ(ScreenX(10, 1.0, -2.5L), 8);
  // 1 + round(2.5), not round(1 + 2.5).
  EXPECT_EQ(ScreenX(1, 0.5, 5.0L), 3);
  // y grows downwards.
  EXPECT_EQ(ScreenY(100, 1.0, 2.5L), 98);
  EXPECT_EQ(ScreenY(370, 400.0, 0.7L), 90);
  EXPECT_EQ(ScreenX(30, 400.0, 1.0L), 430);
}

TEST(ScreenMapping, StaysWithinIntegerRangeAtAnyScale) {
  EXPECT_EQ(ScreenX(0, 1e300, 1.0L), ScreenCoordLimit);
  EXPECT_EQ(ScreenY(0, 1e300, 1.0L), -ScreenCoordLimit);
  EXPECT_EQ(ScreenX(0, INFINITY, 0.0L), 0);  // not a number
}

TEST(ViewZoom, ZoomInKeepsTheCentreAndRoundsTheOrigin) {
  TViewState v;
  SetInitialView(v, 400);
  ZoomIn(v, 519, 400);
  EXPECT_EQ(v.OriginX, -16);  // round(259.5 - 229.5 * 1.2) = round(-15.9)
  EXPECT_EQ(v.OriginY, 404);  // round(200 + 170 * 1.2)
  EXPECT_EQ(v.Scale, 400.0L * ZoomFactor);
}

TEST(ViewZoom, ZoomOutUndoesZoomInUpToRounding) {
  TViewState v;
  SetInitialView(v, 377);
  for (int k = 0; k < 5; ++k) ZoomIn(v, 519, 377);
  for (int k = 0; k < 5; ++k) ZoomOut(v, 519, 377);
  EXPECT_NEAR(static_cast<double>(v.Scale), 400.0, 1e-12);
  EXPECT_NEAR(v.OriginX, 30, 2);
  EXPECT_NEAR(v.OriginY, 347, 2);

  SetInitialView(v, 400);
  ZoomOut(v, 640, 400);
  ZoomOut(v, 640, 400);
  ZoomOut(v, 640, 400);
  EXPECT_EQ(v.OriginX, 152);
  EXPECT_EQ(v.OriginY, 298);
  EXPECT_NEAR(static_cast<double>(v.Scale), 231.4814814814815, 1e-12);
}

TEST(ViewZoom, UnboundedZoomNeverOverflows) {
  TViewState v;
  SetInitialView(v, 400);
  for (int k = 0; k < 400; ++k) ZoomIn(v, 519, 400);
  EXPECT_EQ(v.OriginX, -ScreenCoordLimit);
  EXPECT_EQ(v.OriginY, ScreenCoordLimit);
  for (int k = 0; k < 800; ++k) ZoomOut(v, 519, 400);
  EXPECT_GT(v.Scale, 0.0L);
  EXPECT_NEAR(v.OriginX, 259.5, 3);  // shrinks towards the centre
}

TEST(ViewPan, FollowsThePointerPixelForPixel) {
  TViewState v;
  SetInitialView(v, 400);
  PanPress(v, 100, 100);
  EXPECT_TRUE(v.Dragging);
  EXPECT_TRUE(PanMove(v, 110, 95));
  EXPECT_EQ(v.OriginX, 40);
  EXPECT_EQ(v.OriginY, 365);
  EXPECT_TRUE(PanMove(v, 111, 95));
  EXPECT_EQ(v.OriginX, 41);
  EXPECT_TRUE(PanMove(v, 111, 95));  // a move on the spot still redraws
  EXPECT_EQ(v.OriginX, 41);
  PanRelease(v);
  EXPECT_FALSE(v.Dragging);
  EXPECT_FALSE(PanMove(v, 300, 300));
  EXPECT_EQ(v.OriginX, 41);
  EXPECT_EQ(v.OriginY, 365);
}

TEST(ViewPan, MoveWithoutPressChangesNothing) {
  TViewState v;
  SetInitialView(v, 400);
  const TViewState before = v;
  EXPECT_FALSE(PanMove(v, 50, 60));
  EXPECT_EQ(v.OriginX, before.OriginX);
  EXPECT_EQ(v.OriginY, before.OriginY);
  EXPECT_EQ(v.Scale, before.Scale);
  EXPECT_FALSE(v.Dragging);
}

TEST(ViewInitial, UsesTheCurrentPaintBoxHeight) {
  TViewState v;
  SetInitialView(v, 400);
  ZoomIn(v, 640, 400);
  PanPress(v, 0, 0);
  PanMove(v, 17, 23);
  SetInitialView(v, 555);  // after the window was enlarged
  EXPECT_EQ(v.Scale, 400.0L);
  EXPECT_EQ(v.OriginX, 30);
  EXPECT_EQ(v.OriginY, 525);
}

}  // namespace
}  // namespace ltr
