#include "view/scene_renderer.h"

#include <QPolygon>
#include <QString>
#include <algorithm>
#include <cmath>

#include "numerics/number_text.h"
#include "view/canvas.h"

namespace ltr {

namespace {

// Ticks whose line and label lie this far outside the picture are not drawn
// (they would leave no pixel), only counted; the tick runs stay as long.
constexpr int TickReach = 100;

// The valid length of an array whose first `count` entries are in use.
template <typename Array>
size_t UsedLength(const Array& a, int count) {
  return count <= 0 ? 0 : std::min(a.size(), static_cast<size_t>(count));
}

QString TickLabel(Extended value) { return QString::fromStdString(FormatFixed(value, 3, 1)); }

}  // namespace

QPoint TSceneRenderer::ToScreen(const TRealPoint& p) const {
  return QPoint(ScreenX(ViewX0, ViewScale, p.X), ScreenY(ViewY0, ViewScale, p.Y));
}

void TSceneRenderer::DrawScene(const TModelState& s, int paintWidth, int paintHeight, int originX,
                               int originY, Extended scale, bool freeVortices, bool boundVortices,
                               bool axes, bool vortexNumbers) {
  const int w = std::max(paintWidth, 0);
  const int h = std::max(paintHeight, 0);
  if (SceneBitmap.width() != w || SceneBitmap.height() != h) {
    SceneBitmap = (w > 0 && h > 0) ? QImage(w, h, QImage::Format_RGB32) : QImage();
  }

  ViewX0 = originX;
  ViewY0 = originY;
  ViewScale = ToDouble(scale);
  VortexNumbers = vortexNumbers;

  const int roomH = RoundPixel(s.Area.RoomHeight * static_cast<Extended>(ViewScale));
  const int roomW = RoundPixel(s.Area.RoomWidth * static_cast<Extended>(ViewScale));
  const long long x0 = ViewX0;
  const long long y0 = ViewY0;
  const int left = ClampPixel(x0 + 1);
  const int right = ClampPixel(x0 + roomW - 1);
  const int top = ClampPixel(y0 - roomH + 1);
  const int bottom = ClampPixel(y0 - 1);
  InteriorPolygon = {QPoint(left, top), QPoint(right, top), QPoint(right, bottom), QPoint(left, bottom)};

  {
    TCanvas c(SceneBitmap);
    c.SetPen(colors::Black, TPenStyle::Solid);
    c.SetBrush(colors::White);
    c.FillAll();

    if (axes) DrawAxes(c, paintWidth, paintHeight);

    c.SetPenColor(colors::Black);
    for (size_t i = 0; i < s.Ribs.size(); ++i) {
      const bool opening = static_cast<int>(i) == s.ExhaustRib || static_cast<int>(i) == s.InflowRib;
      c.SetPenStyle(opening ? TPenStyle::Dotted : TPenStyle::Solid);
      c.MoveTo(ToScreen(s.Ribs[i].P1));
      c.LineTo(ToScreen(s.Ribs[i].P2));
    }

    if (freeVortices) DrawFreeVortices(c, s);
    if (boundVortices) DrawBoundVortices(c, s);
    c.SetPenStyle(TPenStyle::Solid);
    DrawFlowLines(c, s);
  }
  PresentScene();
}

void TSceneRenderer::DrawAxes(TCanvas& c, int paintWidth, int paintHeight) const {
  c.SetPen(colors::Teal, TPenStyle::Dashed);
  c.MoveTo(QPoint(ViewX0, 0));
  c.LineTo(QPoint(ViewX0, paintHeight));
  c.MoveTo(QPoint(0, ViewY0));
  c.LineTo(QPoint(paintWidth, ViewY0));

  // About 50 pixels in tenths of a metre, at least 0.1 m.
  Extended step = std::nearbyint(500.0L / ViewScale) / 10;
  if (step < 0.1L) step = 0.1L;
  // A scale that has shrunk to nothing leaves no room for ticks.
  if (!std::isfinite(step)) return;

  c.SetPenStyle(TPenStyle::Solid);
  const auto xTick = [&](int i, int x) {
    if (x < -TickReach || x > paintWidth + TickReach) return;
    c.TextOut(x - 5, ViewY0 + 3, TickLabel(i * step));
    c.MoveTo(QPoint(x, ViewY0 - 1));
    c.LineTo(QPoint(x, ViewY0 + 2));
  };
  const auto yTick = [&](int i, int y) {
    if (y < -TickReach || y > paintHeight + TickReach) return;
    c.TextOut(ViewX0 - 24, y - 5, TickLabel(i * step));
    c.MoveTo(QPoint(ViewX0 - 2, y));
    c.LineTo(QPoint(ViewX0 + 1, y));
  };
  // A run also ends where the positions stop advancing: that happens only
  // when they reach the limit of screen coordinates.

  // x axis, rightwards from the origin (whose label "0,0" is the only one at
  // the origin): each tick is drawn while the one before lies left of the
  // right edge.
  int prev = ViewX0;
  for (int i = 0; prev < paintWidth; ++i) {
    const int x = ScreenX(ViewX0, ViewScale, i * step);
    if (i > 0 && x <= prev) break;
    xTick(i, x);
    prev = x;
  }
  // x axis, leftwards: while the tick lies at x >= 10.
  prev = ViewX0;
  for (int i = -1;; --i) {
    const int x = ScreenX(ViewX0, ViewScale, i * step);
    if (x < 10 || x >= prev) break;
    xTick(i, x);
    prev = x;
  }
  // y axis, upwards: while the tick lies at y >= 10.
  prev = ViewY0;
  for (int i = 1;; ++i) {
    const int y = ScreenY(ViewY0, ViewScale, i * step);
    if (y < 10 || y >= prev) break;
    yTick(i, y);
    prev = y;
  }
  // y axis, downwards: while the tick lies at y <= height - 10.
  prev = ViewY0;
  for (int i = -1;; --i) {
    const int y = ScreenY(ViewY0, ViewScale, i * step);
    if (y > paintHeight - 10 || y <= prev) break;
    yTick(i, y);
    prev = y;
  }
}

void TSceneRenderer::DrawFreeVortices(const TModelState& s) {
  TCanvas c(SceneBitmap);
  DrawFreeVortices(c, s);
}

void TSceneRenderer::DrawFreeVortices(TCanvas& c, const TModelState& s) const {
  c.SetBrush(colors::White);
  c.SetPen(colors::White, TPenStyle::Solid);
  c.Polygon(QPolygon({InteriorPolygon[0], InteriorPolygon[1], InteriorPolygon[2], InteriorPolygon[3]}));

  c.SetPenColor(colors::Red);
  const int size = s.FreeVortexSize;
  if (size < 1 || size > 3) return;
  const int first = std::max(s.BoundCount, 0);
  const size_t end = UsedLength(s.Vortices, first + std::max(s.FreeCount, 0));
  for (size_t k = static_cast<size_t>(first); k < end; ++k) {
    const QPoint p = ToScreen(s.Vortices[k].Pos);
    const int x = p.x();
    const int y = p.y();
    switch (size) {
      case 1: c.SetPixel(x, y, colors::Red); break;
      case 2: c.Ellipse(x - 1, y - 1, x + 2, y + 2); break;
      default: c.Ellipse(x - 2, y - 2, x + 2, y + 2); break;
    }
    if (VortexNumbers) c.SmallText(x + 3, y - 12, QString::number(k - first), colors::Red);
  }
}

void TSceneRenderer::DrawBoundVortices(const TModelState& s) {
  TCanvas c(SceneBitmap);
  DrawBoundVortices(c, s);
}

void TSceneRenderer::DrawBoundVortices(TCanvas& c, const TModelState& s) const {
  c.SetPen(colors::Blue, TPenStyle::Solid);
  const size_t end = UsedLength(s.Vortices, s.BoundCount);
  for (size_t i = 0; i < end; ++i) {
    const QPoint p = ToScreen(s.Vortices[i].Pos);
    c.Ellipse(p.x() - 2, p.y() - 2, p.x() + 2, p.y() + 2);
    if (VortexNumbers) c.SmallText(p.x() + 3, p.y() - 12, QString::number(i), colors::Blue);
  }
}

void TSceneRenderer::DrawFlowLines(const TModelState& s) {
  TCanvas c(SceneBitmap);
  DrawFlowLines(c, s);
}

void TSceneRenderer::DrawFlowLines(TCanvas& c, const TModelState& s) const {
  c.SetPen(colors::Blue, TPenStyle::Solid);
  const size_t lines = UsedLength(s.FlowLines, s.FlowLineCount);
  for (size_t k = 0; k < lines; ++k) {
    const TRealPointArray& line = s.FlowLines[k];
    if (line.empty()) continue;
    c.MoveTo(ToScreen(line[0]));
    for (size_t j = 1; j < line.size(); ++j) c.LineTo(ToScreen(line[j]));
  }
}

void TSceneRenderer::DrawParticles(const TModelState& s) {
  TCanvas c(SceneBitmap);
  DrawParticles(c, s);
}

void TSceneRenderer::DrawParticles(TCanvas& c, const TModelState& s) const {
  c.SetPenColor(colors::Maroon);
  const size_t end = UsedLength(s.Particles, s.ParticleCount);
  for (size_t i = 0; i < end; ++i) {
    const QPoint p = ToScreen(s.Particles[i].Pos);
    c.Ellipse(p.x() - 2, p.y() - 2, p.x() + 2, p.y() + 2);
  }
}

void TSceneRenderer::PresentScene() {
  if (Present) Present(SceneBitmap);
}

void TSceneRenderer::PresentScene(QPainter& target) const {
  if (!SceneBitmap.isNull()) target.drawImage(QPoint(0, 0), SceneBitmap);
}

void TSceneRenderer::FullRedraw(const TModelState& s, int paintWidth, int paintHeight,
                                const TViewState& view, const TDrawToggles& toggles) {
  DrawScene(s, paintWidth, paintHeight, view.OriginX, view.OriginY, view.Scale, toggles.FreeVortices,
            toggles.BoundVortices, toggles.Axes, toggles.VortexNumbers);
  DrawParticles(s);
  PresentScene();
}

void TSceneRenderer::RepaintRun(const TModelState& s, bool withParticles) {
  {
    TCanvas c(SceneBitmap);
    DrawFreeVortices(c, s);
    if (withParticles) DrawParticles(c, s);
  }
  PresentScene();
}

QPoint TSceneRenderer::FlowLineStart(const TRealPoint& p) {
  FlowPenPos_ = ToScreen(p);
  return FlowPenPos_;
}

QLine TSceneRenderer::FlowLineTo(const TRealPoint& p) {
  const QPoint from = FlowPenPos_;
  const QPoint to = ToScreen(p);
  {
    TCanvas c(SceneBitmap);
    c.SetPen(colors::Blue, TPenStyle::Solid);
    c.MoveTo(from);
    c.LineTo(to);
  }
  FlowPenPos_ = to;
  return QLine(from, to);
}

}  // namespace ltr
