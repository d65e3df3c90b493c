#include "view/area_sketch.h"

#include <gtest/gtest.h>

#include "view/pixels.h"

namespace ltr {
namespace {

using test::BoundsOf;
using test::CountIn;
using test::InkBounds;
using test::Is;
using test::White;
using test::Black;
using test::Red;
using test::Navy;


constexpr std::array<bool, SeparationPointCount> NoneChecked{false, false, false, false};

TEST(AreaSketch, DefaultEnclosureIsFittedByItsHeight) {
  TAreaSketch sketch;
  EXPECT_EQ(sketch.Image.size(), QSize(396, 239));
  EXPECT_EQ(sketch.SketchX0, 10);
  EXPECT_EQ(sketch.SketchY0, 229);
  const TSketchFields f;  // the program's default enclosure
  sketch.FitScale(f);
  EXPECT_NEAR(sketch.SketchScale, 298.5714285714286, 1e-12);  // min(366 / 1.0, 209 / 0.7)

  sketch.DrawAreaSketch(f, NoneChecked);
  const QImage& im = sketch.Image;
  // 299 x 209 pixels (inclusive of both walls' pixels: 300 x 210), top at y = 20.
  EXPECT_EQ(InkBounds(im), QRect(QPoint(10, 20), QPoint(309, 229)));
  for (int x = 10; x <= 309; ++x) EXPECT_TRUE(Is(im, x, 229, Black)) << x;   // floor
  for (int y = 20; y <= 229; ++y) EXPECT_TRUE(Is(im, 10, y, Black)) << y;    // left wall
  for (int y = 96; y <= 229; ++y) EXPECT_TRUE(Is(im, 309, y, Black)) << y;   // right wall below the exhaust
  for (int y = 20; y <= 35; ++y) EXPECT_TRUE(Is(im, 309, y, Black)) << y;    // and above it
  for (int x = 116; x <= 309; ++x) EXPECT_TRUE(Is(im, x, 20, Black)) << x;   // ceiling right of the inflow
  for (int x = 10; x <= 25; ++x) EXPECT_TRUE(Is(im, x, 20, Black)) << x;     // and left of it

  // The openings are dotted in navy, each drawn from its end met first on the
  // way round: the inflow x = 115 down to 26 on the ceiling, the exhaust
  // y = 95 up to 36 on the right wall.
  const QRect inflow(QPoint(26, 20), QPoint(115, 20));
  const QRect exhaust(QPoint(309, 36), QPoint(309, 95));
  EXPECT_TRUE(Is(im, 115, 20, Navy));
  EXPECT_TRUE(Is(im, 309, 95, Navy));
  EXPECT_GT(CountIn(im, inflow, Navy), 20);
  EXPECT_GT(CountIn(im, inflow, White), 40);
  EXPECT_EQ(CountIn(im, inflow, Black), 0);
  EXPECT_GT(CountIn(im, exhaust, Navy), 10);
  EXPECT_GT(CountIn(im, exhaust, White), 20);
  EXPECT_EQ(CountIn(im, exhaust, Black), 0);
}

TEST(AreaSketch, FitsNarrowHighAndWideLowEnclosures) {
  TAreaSketch sketch;
  TSketchFields high;
  high.RoomWidth = 0.5;
  high.RoomHeight = 2.0;
  sketch.FitScale(high);
  EXPECT_DOUBLE_EQ(sketch.SketchScale, 104.5);
  TSketchFields wide;
  wide.RoomWidth = 3.0;
  wide.RoomHeight = 0.5;
  wide.ExhaustHeight = 0.1;
  sketch.FitScale(wide);
  EXPECT_DOUBLE_EQ(sketch.SketchScale, 122.0);
  sketch.DrawAreaSketch(wide, NoneChecked);
  EXPECT_EQ(InkBounds(sketch.Image), QRect(QPoint(10, 168), QPoint(376, 229)));

  TSketchFields broken;
  broken.RoomWidth = 0.0;
  sketch.FitScale(broken);  // nothing to fit: the scale stays
  EXPECT_DOUBLE_EQ(sketch.SketchScale, 122.0);
}

TEST(AreaSketch, SeparationMarksAreFiveHollowPixelsAtFixedPlaces) {
  TAreaSketch sketch;
  const TSketchFields f;
  sketch.FitScale(f);
  sketch.DrawAreaSketch(f, {false, false, true, false});
  // On the floor at 0.6 of the width: x = 10 + round(179.14) = 189.
  EXPECT_EQ(BoundsOf(sketch.Image, Red), QRect(QPoint(187, 227), QPoint(191, 231)));
  EXPECT_TRUE(Is(sketch.Image, 189, 229, White));

  sketch.DrawAreaSketch(f, {true, true, true, true});
  const QImage& im = sketch.Image;
  // Left of the inflow: x = 10 + round(7.46) = 17 on the ceiling; right of it:
  // x = 10 + round((0.2 + 0.8 * 0.35) * 298.57) = 153; on the left wall at 0.2 of
  // the height: y = 229 - round(41.8) = 187.
  EXPECT_EQ(BoundsOf(im.copy(QRect(0, 10, 40, 20)), Red), QRect(QPoint(15, 8), QPoint(19, 12)));
  EXPECT_EQ(BoundsOf(im.copy(QRect(130, 10, 40, 20)), Red), QRect(QPoint(21, 8), QPoint(25, 12)));
  EXPECT_EQ(BoundsOf(im.copy(QRect(0, 170, 40, 40)), Red), QRect(QPoint(8, 15), QPoint(12, 19)));
  EXPECT_EQ(test::Count(im, Red), 4 * 12);
}

TEST(AreaSketch, ClicksZoomAboutTheLowerLeftCorner) {
  TAreaSketch sketch;
  sketch.FitScale(TSketchFields{});
  const double fitted = sketch.SketchScale;
  EXPECT_TRUE(sketch.ZoomByClick(Qt::LeftButton));
  EXPECT_NEAR(sketch.SketchScale, fitted / 1.1, 1e-12);
  EXPECT_TRUE(sketch.ZoomByClick(Qt::RightButton));
  EXPECT_NEAR(sketch.SketchScale, fitted, 1e-12);
  EXPECT_FALSE(sketch.ZoomByClick(Qt::MiddleButton));
  EXPECT_NEAR(sketch.SketchScale, fitted, 1e-12);

  // Grown past the image, the sketch is clipped; the corner stays put.
  for (int k = 0; k < 5; ++k) sketch.ZoomByClick(Qt::RightButton);
  sketch.DrawAreaSketch(TSketchFields{}, NoneChecked);
  const QRect ink = InkBounds(sketch.Image);
  EXPECT_EQ(ink.left(), 10);
  EXPECT_EQ(ink.bottom(), 229);
  EXPECT_EQ(ink.top(), 0);
}

TEST(AreaSketch, UncheckedFieldValuesAreDrawnAsTheyAre) {
  // An inflow opening reaching past the right wall: the outline runs past the
  // wall's top and back along the ceiling.
  TAreaSketch sketch;
  sketch.FitScale(TSketchFields{});
  TSketchFields f;
  f.InflowDistance = 0.9;
  sketch.DrawAreaSketch(f, NoneChecked);
  EXPECT_GT(InkBounds(sketch.Image).right(), 309);
  EXPECT_GT(CountIn(sketch.Image, QRect(310, 20, 86, 1), Black), 0);
}

}  // namespace
}  // namespace ltr
