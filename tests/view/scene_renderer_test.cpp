#include "view/scene_renderer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "model/discretization.h"
#include "view/pixels.h"
#include "view/scene_file.h"
#include "view/speed_colors.h"
#include "numerics/number_text.h"
#include <string>
#include <charconv>
#include "solver/vortex_run.h"
#include "solver/velocity.h"
#include <cmath>
#include <vector>

namespace ltr {
namespace {

using test::BoundsOf;
using test::Count;
using test::CountIn;
using test::Is;
using test::White;
using test::Black;
using test::Red;
using test::Blue;
using test::Teal;
using test::Maroon;


constexpr int Width = 640;
constexpr int Height = 400;

// The default enclosure in the initial view of a 640 x 400 paint box:
// origin (30, 370), 400 pixels per metre, so the walls run along x = 30 and
// x = 430, y = 90 and y = 370; the inflow spans x = 50..170 on the ceiling and
// the exhaust y = 110..190 on the right wall.
class SceneTest : public ::testing::Test {
 protected:
  SceneTest() {
    BuildArea(s.Area, s.Flow());
    SetInitialView(view, Height);
  }
  void Redraw() { r.FullRedraw(s, Width, Height, view, toggles); }
  void AddFreeVortex(Extended x, Extended y) {
    s.Vortices[s.BoundCount + s.FreeCount].Pos = {x, y};
    ++s.FreeCount;
  }
  const QImage& Image() const { return r.SceneBitmap; }

  TModelState s;
  TViewState view;
  TDrawToggles toggles;
  TSceneRenderer r;
};

TEST_F(SceneTest, SolidWallsAreBlackAtEveryPixelAndOpeningsDotted) {
  Redraw();
  ASSERT_EQ(Image().size(), QSize(Width, Height));
  EXPECT_EQ(r.ViewX0, 30);
  EXPECT_EQ(r.ViewY0, 370);
  EXPECT_EQ(r.ViewScale, 400.0);
  const QImage& im = Image();
  for (int x = 30; x <= 50; ++x) EXPECT_TRUE(Is(im, x, 90, Black)) << x;    // ceiling, left
  for (int x = 170; x <= 430; ++x) EXPECT_TRUE(Is(im, x, 90, Black)) << x;  // ceiling, right
  for (int y = 90; y <= 110; ++y) EXPECT_TRUE(Is(im, 430, y, Black)) << y;  // right wall, top
  for (int y = 190; y <= 370; ++y) EXPECT_TRUE(Is(im, 430, y, Black)) << y; // right wall, bottom
  for (int x = 30; x <= 430; ++x) EXPECT_TRUE(Is(im, x, 370, Black)) << x;  // floor
  for (int y = 90; y <= 370; ++y) EXPECT_TRUE(Is(im, 30, y, Black)) << y;   // left wall

  const QRect inflow(51, 90, 119, 1);
  const QRect exhaust(430, 111, 1, 79);
  EXPECT_GT(CountIn(im, inflow, Black), 20);
  EXPECT_GT(CountIn(im, inflow, White), 40);
  EXPECT_EQ(CountIn(im, inflow, Black) + CountIn(im, inflow, White), 119);
  EXPECT_GT(CountIn(im, exhaust, Black), 10);
  EXPECT_GT(CountIn(im, exhaust, White), 30);
  // Nothing leaks past the walls: no black right of the right wall on its rows.
  EXPECT_EQ(CountIn(im, QRect(431, 90, 100, 281), Black), 0);
}

TEST_F(SceneTest, TickSpacingIsATenthOfAMetreAtTheInitialScale) {
  Redraw();
  const QImage& im = Image();
  // x ticks every 40 pixels, one pixel below the floor.
  for (int x : {70, 110, 150, 430, 470, 630}) EXPECT_TRUE(Is(im, x, 371, Teal)) << x;
  for (int x : {50, 90, 450}) EXPECT_TRUE(Is(im, x, 371, White)) << x;
  // y ticks every 40 pixels, two pixels left of the left wall, up to y = 10.
  for (int y : {330, 290, 90, 10}) {
    EXPECT_TRUE(Is(im, 28, y, Teal)) << y;
    EXPECT_TRUE(Is(im, 29, y, Teal)) << y;
  }
  EXPECT_TRUE(Is(im, 28, 310, White));
  // Labels ("0,1", ...) are written under the x axis and left of the y axis.
  EXPECT_GT(CountIn(im, QRect(65, 373, 20, 14), Black), 0);
  EXPECT_GT(CountIn(im, QRect(6, 325, 18, 14), Black), 0);
  // The dashed axes continue outside the enclosure.
  EXPECT_GT(CountIn(im, QRect(431, 370, 200, 1), Teal), 60);
  EXPECT_GT(CountIn(im, QRect(431, 370, 200, 1), White), 20);
  EXPECT_GT(CountIn(im, QRect(30, 0, 1, 80), Teal), 20);
}

TEST_F(SceneTest, TickSpacingIsTwoTenthsAfterThreeZoomOuts) {
  for (int k = 0; k < 3; ++k) ZoomOut(view, Width, Height);
  Redraw();
  const QImage& im = Image();
  const int x0 = view.OriginX;
  const int y0 = view.OriginY;
  ASSERT_EQ(x0, 152);
  // round(0.2 * 231.48) = 46, round(0.4 * 231.48) = 93, round(0.6 * 231.48) = 139.
  for (int dx : {46, 93, 139, -46, -93, -139}) EXPECT_TRUE(Is(im, x0 + dx, y0 + 1, Teal)) << dx;
  for (int dx : {23, 69, -23}) EXPECT_TRUE(Is(im, x0 + dx, y0 + 1, White)) << dx;
  for (int dy : {46, 93, 139}) EXPECT_TRUE(Is(im, x0 - 2, y0 - dy, Teal)) << dy;
  EXPECT_TRUE(Is(im, x0 - 2, y0 - 23, White));
}

TEST_F(SceneTest, TickRunsStopAtTheirLimits) {
  // Leftwards the ticks go on while they lie at x >= 10.
  view.OriginX = 90;
  Redraw();
  EXPECT_TRUE(Is(Image(), 10, 371, Teal));
  EXPECT_GT(CountIn(Image(), QRect(0, 373, 25, 14), Black), 0);  // its label "-0,2"
  view.OriginX = 89;
  Redraw();
  EXPECT_TRUE(Is(Image(), 9, 371, White));
  EXPECT_EQ(CountIn(Image(), QRect(0, 373, 30, 14), Black), 0);

  // Upwards while y >= 10 (origin 370 puts tick 9 at y = 10), downwards while
  // y <= height - 10.
  view.OriginX = 30;
  view.OriginY = 370;
  Redraw();
  EXPECT_TRUE(Is(Image(), 28, 10, Teal));
  view.OriginY = 369;
  Redraw();
  EXPECT_TRUE(Is(Image(), 28, 9, White));
  view.OriginY = 350;
  Redraw();
  EXPECT_TRUE(Is(Image(), 28, 390, Teal));
  view.OriginY = 351;
  Redraw();
  EXPECT_TRUE(Is(Image(), 28, 391, White));

  // Rightwards nothing, not even the origin's label, once the origin is at the
  // right edge.
  view.OriginY = 370;
  view.OriginX = Width - 1;
  Redraw();
  EXPECT_GT(CountIn(Image(), QRect(Width - 6, 373, 6, 14), Black), 0);
  view.OriginX = Width;
  Redraw();
  EXPECT_EQ(CountIn(Image(), QRect(Width - 6, 373, 6, 14), Black), 0);
}

TEST_F(SceneTest, NoAxesWhenTheToggleIsUp) {
  toggles.Axes = false;
  Redraw();
  EXPECT_EQ(Count(Image(), Teal), 0);
  EXPECT_EQ(CountIn(Image(), QRect(0, 371, Width, Height - 371), Black), 0);  // no labels
  EXPECT_TRUE(Is(Image(), 30, 370, Black));  // the walls still are drawn
  EXPECT_TRUE(Is(Image(), 430, 250, Black));
}

TEST_F(SceneTest, FreeVortexMarksFollowTheMarkSize) {
  AddFreeVortex(0.5L, 0.35L);  // at pixel (230, 230)
  s.FreeVortexSize = 1;
  Redraw();
  EXPECT_EQ(Count(Image(), Red), 1);
  EXPECT_TRUE(Is(Image(), 230, 230, Red));

  s.FreeVortexSize = 2;  // a 3-pixel circle around the point, white inside
  Redraw();
  EXPECT_EQ(BoundsOf(Image(), Red), QRect(229, 229, 3, 3));
  EXPECT_TRUE(Is(Image(), 230, 230, White));

  s.FreeVortexSize = 3;  // a 4-pixel circle, one pixel more to the left and up
  Redraw();
  EXPECT_EQ(BoundsOf(Image(), Red), QRect(228, 228, 4, 4));
  EXPECT_EQ(CountIn(Image(), QRect(229, 229, 2, 2), White), 4);
  EXPECT_EQ(Count(Image(), Red), 8);

  for (int size : {0, 4}) {
    s.FreeVortexSize = size;
    Redraw();
    EXPECT_EQ(Count(Image(), Red), 0) << size;
  }

  s.FreeVortexSize = 3;
  toggles.FreeVortices = false;
  Redraw();
  EXPECT_EQ(Count(Image(), Red), 0);
}

TEST_F(SceneTest, VortexNumbersAreWrittenBesideTheMarksOnlyWhenAsked) {
  AddFreeVortex(0.5L, 0.35L);
  s.FreeVortexSize = 1;
  toggles.VortexNumbers = true;
  Redraw();
  const int withNumbers = Count(Image(), Red);
  EXPECT_GT(withNumbers, 3);
  EXPECT_EQ(CountIn(Image(), QRect(233, 215, 12, 15), Red), withNumbers - 1);  // the "0"

  toggles.BoundVortices = true;
  toggles.VortexNumbers = false;
  Redraw();
  const int blueWithout = Count(Image(), Blue);
  toggles.VortexNumbers = true;
  Redraw();
  EXPECT_GT(Count(Image(), Blue), blueWithout);
}

TEST_F(SceneTest, BoundVorticesAndParticlesAreSmallCircles) {
  Redraw();
  EXPECT_EQ(Count(Image(), Blue), 0);
  toggles.BoundVortices = true;
  Redraw();
  // Bound vortex 0 sits at the ceiling's left end, pixel (30, 90).
  EXPECT_EQ(BoundsOf(Image().copy(QRect(24, 84, 10, 10)), Blue), QRect(4, 4, 4, 4));
  EXPECT_TRUE(Is(Image(), 29, 90, White));

  s.Particles.resize(2);
  s.Particles[0].Pos = {0.25L, 0.25L};  // pixel (130, 270)
  s.Particles[1].Pos = {5.0L, 5.0L};    // not in flight
  s.ParticleCount = 1;
  Redraw();
  EXPECT_EQ(BoundsOf(Image(), Maroon), QRect(128, 268, 4, 4));
  EXPECT_TRUE(Is(Image(), 130, 270, White));
}

TEST_F(SceneTest, FreeVortexRedrawBlanksTheInteriorOnePixelInsideTheWalls) {
  toggles.FreeVortices = false;  // a full redraw then keeps the interior
  s.FlowLines = {{{0.1L, 0.1L}, {0.9L, 0.6L}, {1.2L, 0.8L}}};
  s.FlowLineCount = 1;
  s.Particles.resize(1);
  s.Particles[0].Pos = {0.25L, 0.25L};
  s.ParticleCount = 1;
  Redraw();
  EXPECT_EQ((std::array<QPoint, 4>{QPoint(31, 91), QPoint(429, 91), QPoint(429, 369), QPoint(31, 369)}),
            r.InteriorPolygon);
  const QRect inside(31, 91, 399, 279);
  EXPECT_GT(CountIn(Image(), inside, Blue), 200);
  EXPECT_GT(CountIn(Image(), inside, Maroon), 0);
  EXPECT_TRUE(Is(Image(), 70, 369, Teal));  // the inner pixel of a tick

  AddFreeVortex(0.5L, 0.35L);
  int presented = 0;
  r.Present = [&presented](const QImage&) { ++presented; };
  r.RepaintRun(s, false);
  EXPECT_EQ(presented, 1);
  EXPECT_EQ(CountIn(Image(), inside, White) + CountIn(Image(), inside, Red), 399 * 279);
  EXPECT_EQ(Count(Image(), Red), 8);
  EXPECT_TRUE(Is(Image(), 70, 369, White));
  EXPECT_TRUE(Is(Image(), 70, 371, Teal));  // outside the interior the tick stays
  for (int x = 30; x <= 430; ++x) {
    EXPECT_TRUE(Is(Image(), x, 370, Black)) << x;
  }
  for (int y = 90; y <= 370; ++y) EXPECT_TRUE(Is(Image(), 30, y, Black)) << y;
  EXPECT_GT(Count(Image(), Blue), 30);  // the streamline beyond the right wall stays

  r.RepaintRun(s, true);
  EXPECT_EQ(BoundsOf(Image(), Maroon), QRect(128, 268, 4, 4));

  // A full redraw brings the streamline back and presents the picture twice.
  presented = 0;
  Redraw();
  EXPECT_EQ(presented, 2);
  EXPECT_GT(CountIn(Image(), inside, Blue), 200);
}

// On a scaled desktop the picture has the screen's pixels: the same drawing in
// logical pixels, with lines where they belong and the tick labels drawn with
// the finer pixels rather than enlarged.
TEST_F(SceneTest, OnAScaledScreenThePictureHasTheScreensPixels) {
  Redraw();
  const QRect label(65, 373, 20, 14);
  const int labelPixels = CountIn(Image(), label, Black);
  ASSERT_GT(labelPixels, 0);

  r.DevicePixelRatio = 2.0;
  Redraw();
  ASSERT_EQ(Image().size(), QSize(2 * Width, 2 * Height));

  EXPECT_EQ(Image().deviceIndependentSize(), QSizeF(Width, Height));
  for (int x = 30; x <= 430; ++x) {
    EXPECT_TRUE(Is(Image(), 2 * x, 2 * 370, Black)) << x;  // the floor
    EXPECT_TRUE(Is(Image(), 2 * x + 1, 2 * 370 + 1, Black)) << x;  // two device pixels thick
  }
  for (int y = 90; y <= 370; ++y) EXPECT_TRUE(Is(Image(), 2 * 30, 2 * y, Black)) << y;  // the left wall
  EXPECT_TRUE(Is(Image(), 2 * 300, 2 * 200, White));
  // The label is drawn with the finer pixels, not enlarged.
  QImage enlarged(2 * Width, 2 * Height, QImage::Format_RGB32);
  {
    TSceneRenderer plain;
    plain.FullRedraw(s, Width, Height, view, toggles);
    enlarged = plain.SceneBitmap.scaled(2 * Width, 2 * Height);
  }
  const QRect deviceLabel(2 * label.x(), 2 * label.y(), 2 * label.width(), 2 * label.height());
  EXPECT_GT(CountIn(Image(), deviceLabel, Black), 0);
  EXPECT_NE(Image().copy(deviceLabel), enlarged.copy(deviceLabel));

  r.DevicePixelRatio = 1.5;
  Redraw();
  EXPECT_EQ(Image().size(), QSize(960, 600));
  EXPECT_GE(CountIn(Image(), QRect(45, 555, 601, 1), Black), 598);  // the floor at 370 * 1.5

  r.DevicePixelRatio = 1.0;
  Redraw();
  EXPECT_EQ(Image().size(), QSize(Width, Height));
  EXPECT_EQ(CountIn(Image(), label, Black), labelPixels);
}

TEST_F(SceneTest, StreamlineSegmentsAreDrawnWhileTracing) {
  toggles.Axes = false;
  Redraw();
  EXPECT_EQ(r.FlowLineStart({0.1L, 0.1L}), QPoint(70, 330));
  const QLine seg = r.FlowLineTo({0.2L, 0.1L});
  EXPECT_EQ(seg, QLine(70, 330, 110, 330));
  EXPECT_EQ(CountIn(Image(), QRect(70, 330, 40, 1), Blue), 40);  // up to, not including, the end
  EXPECT_EQ(r.FlowLineTo({0.2L, 0.2L}), QLine(110, 330, 110, 290));
  EXPECT_EQ(Count(Image(), Blue), 80);
  // A line of one point draws nothing.
  s.FlowLines = {{{0.3L, 0.3L}}};
  s.FlowLineCount = 1;
  Redraw();
  EXPECT_EQ(Count(Image(), Blue), 0);
}

TEST_F(SceneTest, EmptyOrInconsistentModelsDrawSafely) {
  TModelState empty;  // not even discretized
  r.FullRedraw(empty, Width, Height, view, toggles);
  EXPECT_EQ(Count(Image(), Black) > 0, true);  // the tick labels
  s.FreeCount = 10000;  // more than the array holds
  s.ParticleCount = 5;
  s.FlowLineCount = 3;
  Redraw();
  r.FullRedraw(s, 0, 0, view, toggles);
  EXPECT_TRUE(Image().isNull());
  r.RepaintRun(s, true);
}

// Extreme zooms and pans must draw and end (each test has a CTest time-out,
// so a drawing loop that never ends fails the test).
TEST_F(SceneTest, ExtremeViewsDrawAndEnd) {
  for (int k = 0; k < 200; ++k) ZoomIn(view, Width, Height);
  Redraw();
  SetInitialView(view, Height);
  for (int k = 0; k < 5000; ++k) ZoomOut(view, Width, Height);
  Redraw();
  view.Scale = 400;
  view.OriginX = -ScreenCoordLimit;
  view.OriginY = ScreenCoordLimit;
  Redraw();
  EXPECT_FALSE(Image().isNull());
}

TEST_F(SceneTest, PictureFileHoldsTheFullRedrawInTheInitialView) {
  AddFreeVortex(0.5L, 0.35L);
  const QImage picture = RenderScene(s, Width, Height);
  EXPECT_TRUE(Is(picture, 30, 370, Black));
  EXPECT_EQ(BoundsOf(picture, Red), QRect(228, 228, 4, 4));

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath("scene.png").toStdString();
  std::string error;
  ASSERT_TRUE(SaveScenePng(s, path, Width, Height, TDrawToggles{}, &error)) << error;
  const QImage read(QString::fromStdString(path));
  EXPECT_EQ(read.convertToFormat(QImage::Format_RGB32), picture);

  EXPECT_FALSE(SaveScenePng(s, dir.filePath("missing/scene.png").toStdString(), Width, Height,
                            TDrawToggles{}, &error));
  EXPECT_NE(error.find("missing/scene.png"), std::string::npos);
  EXPECT_FALSE(SaveScenePng(s, path, 0, Height, TDrawToggles{}, &error));
}

}  // namespace
}  // namespace ltr

namespace ltr {
namespace {

// The speed field under a solved flow: every colour cell's grid point shows
// the colour map's colour of the speed that FlowVelocityAt gives there, drawn
// the same whether the free vortices' blanking or the scene draws it; the
// scale beside the enclosure runs from the map's low end to its high end.
TEST_F(SceneTest, SpeedFieldShowsTheColourOfTheSpeedAtEachGridPoint) {
  s.Delta = s.Area.H / 2;
  TRun run(s.Compute);
  PrepareInfluenceSystem(s.Flow(), run);
  AddFreeVortex(0.3L, 0.35L);
  s.Vortices[s.BoundCount].Gamma = 0.05L;
  s.FreeVortexSize = 1;
  toggles.SpeedField = true;
  for (const bool freeVortices : {false, true}) {
    toggles.FreeVortices = freeVortices;
    Redraw();
    const TVelocityField& f = r.Field;
    ASSERT_EQ(f.NX, 50);  // 400 x 280 pixels in cells of 8
    ASSERT_EQ(f.NY, 35);
    // The largest speed anywhere on the grid, computed here afresh.
    double max = 0.0;
    std::vector<double> speed(f.NX * f.NY);
    for (int j = 0; j < f.NY; ++j)
      for (int i = 0; i < f.NX; ++i) {
        double u = 0.0;
        double v = 0.0;
        FlowVelocityAt(s.Case(), s.Flow(), run,
                       {static_cast<Extended>((i + 0.5L) / 50), static_cast<Extended>((j + 0.5L) * 0.7L / 35)}, -1, u,
                       v);
        speed[f.Index(i, j)] = std::hypot(u, v);
        max = std::max(max, speed[f.Index(i, j)]);
      }
    int checked = 0;
    // Points away from the arrows (centred on every fourth point from the
    // second) and from the one free vortex.
    for (int j = 0; j < f.NY; j += SpeedArrowEvery)
      for (int i = 0; i < f.NX; i += SpeedArrowEvery) {
        const QPoint p = r.ToScreen({(i + 0.5L) / 50, (j + 0.5L) * 0.7L / 35});
        const QColor expected = SpeedColor(speed[f.Index(i, j)], max);
        EXPECT_TRUE(Is(Image(), p.x(), p.y(), expected))
            << i << ' ' << j << " has " << Image().pixelColor(p).name().toStdString() << ", not "
            << expected.name().toStdString();
        ++checked;
      }
    EXPECT_EQ(checked, 13 * 9);
    // The vortex is marked on top of the field when shown.
    EXPECT_EQ(Is(Image(), 30 + 120, 370 - 140, Red), freeVortices);
    // The bar: 12 pixels wide, 14 pixels right of the interior.
    EXPECT_TRUE(Is(Image(), 429 + 14 + 5, 91 + 12, ViridisColor(1.0)));
    EXPECT_TRUE(Is(Image(), 429 + 14 + 5, 369 - 20, ViridisColor(0.0)));
  }
  // Off again: not a pixel of the field is left.
  toggles.SpeedField = false;
  Redraw();
  EXPECT_EQ(Count(Image(), ViridisColor(0.0)), 0);
  EXPECT_EQ(CountIn(Image(), QRect(31, 91, 399, 279), White) + Count(Image(), Red), 399 * 279);
}

// During a run the field of the picture is computed again only when it is
// older than the refresh interval (the repaints in between show the last one),
// a full redraw always computes it, and with FastField it is the fast
// kernel's field whatever the runs use.
TEST_F(SceneTest, TheSpeedFieldOfARunIsComputedAtMostOncePerInterval) {
  s.Delta = s.Area.H / 2;
  TRun run(s.Compute);
  PrepareInfluenceSystem(s.Flow(), run);
  toggles.SpeedField = true;
  r.FastField = true;
  r.FieldRefreshSeconds = 3600;
  ASSERT_FALSE(s.Compute.Fast);
  AddFreeVortex(0.3L, 0.35L);
  s.Vortices[s.BoundCount].Gamma = 0.05L;
  const auto field = [this](bool fast) {
    TComputeSettings compute = s.Compute;
    compute.Fast = fast;
    return ComputeVelocityField(s.Case(), s.Flow(), compute, 50, 35).Speed;
  };
  Redraw();
  const std::vector<double> first = r.Field.Speed;
  EXPECT_EQ(first, field(true));
  EXPECT_NE(first, field(false));  // the kernels differ in the last digits

  AddFreeVortex(0.6L, 0.2L);
  s.Vortices[s.BoundCount + 1].Gamma = -0.08L;
  r.RepaintRun(s, false);
  EXPECT_EQ(r.Field.Speed, first);  // within the interval: the field drawn before
  Redraw();
  const std::vector<double> second = r.Field.Speed;
  EXPECT_EQ(second, field(true));
  EXPECT_NE(second, first);

  r.FieldRefreshSeconds = 0;
  s.Vortices[s.BoundCount + 1].Pos = {0.7L, 0.3L};
  r.RepaintRun(s, false);
  EXPECT_EQ(r.Field.Speed, field(true));
  EXPECT_NE(r.Field.Speed, second);
}

// The speed scale is labelled at round speeds from 0: a step of 1, 2, 2.5 or
// 5 times a power of ten, four to six labels, none beyond the largest speed,
// each written exactly with the step's decimals.
TEST(SpeedScaleTicks, RoundStepsFromZeroUpToTheLargestSpeed) {
  auto labels = [](double maxSpeed) {
    const TScaleTicks ticks = SpeedScaleTicks(maxSpeed);
    std::vector<std::string> texts;
    for (double v : ticks.Values) texts.push_back(FormatFixed(v, 6, ticks.Decimals));
    return texts;
  };
  EXPECT_EQ(labels(4.04), (std::vector<std::string>{"0", "1", "2", "3", "4"}));
  EXPECT_EQ(labels(0.37), (std::vector<std::string>{"0,0", "0,1", "0,2", "0,3"}));
  EXPECT_EQ(labels(12.3), (std::vector<std::string>{"0,0", "2,5", "5,0", "7,5", "10,0"}));
  EXPECT_EQ(labels(100.5), (std::vector<std::string>{"0", "20", "40", "60", "80", "100"}));
  EXPECT_EQ(labels(0.0), (std::vector<std::string>{"0"}));
  EXPECT_EQ(labels(std::nan("")), (std::vector<std::string>{"0"}));

  for (double maxSpeed = 0.00123; maxSpeed < 5000; maxSpeed *= 1.0937) {
    const TScaleTicks ticks = SpeedScaleTicks(maxSpeed);
    ASSERT_GE(ticks.Values.size(), 4u) << maxSpeed;
    ASSERT_LE(ticks.Values.size(), 6u) << maxSpeed;
    const double step = ticks.Values[1];
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 2.5) < 1e-9 ||
                std::fabs(mantissa - 5) < 1e-9)
        << maxSpeed << " " << step;
    EXPECT_LE(ticks.Values.back(), maxSpeed * (1 + 1e-12)) << maxSpeed;
    for (size_t k = 0; k < ticks.Values.size(); ++k) {
      EXPECT_NEAR(ticks.Values[k], k * step, step * 1e-9) << maxSpeed;
      // The text reads back to the tick's round value.
      std::string text = FormatFixed(ticks.Values[k], 6, ticks.Decimals);
      for (char& ch : text)
        if (ch == ',') ch = '.';
      double read = -1;
      std::from_chars(text.data(), text.data() + text.size(), read);
      EXPECT_NEAR(read, k * step, step * 1e-6) << maxSpeed << " " << text;
    }
  }
}

}  // namespace
}  // namespace ltr
