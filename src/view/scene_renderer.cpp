#include "view/scene_renderer.h"

#include <QPolygon>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cmath>

#include "numerics/number_text.h"
#include "view/canvas.h"
#include "view/speed_colors.h"

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
                               bool axes, bool vortexNumbers, bool speedField) {
  const int w = std::max(paintWidth, 0);
  const int h = std::max(paintHeight, 0);
  const double ratio = DevicePixelRatio >= 1.0 && std::isfinite(DevicePixelRatio) ? DevicePixelRatio : 1.0;
  const int pixelsW = w > 0 ? std::max(1, static_cast<int>(std::lround(w * ratio))) : 0;
  const int pixelsH = h > 0 ? std::max(1, static_cast<int>(std::lround(h * ratio))) : 0;
  if (SceneBitmap.width() != pixelsW || SceneBitmap.height() != pixelsH || SceneBitmap.devicePixelRatio() != ratio) {
    SceneBitmap = (w > 0 && h > 0) ? QImage(pixelsW, pixelsH, QImage::Format_RGB32) : QImage();
    if (!SceneBitmap.isNull()) SceneBitmap.setDevicePixelRatio(ratio);
  }

  ViewX0 = originX;
  ViewY0 = originY;
  ViewScale = ToDouble(scale);
  VortexNumbers = vortexNumbers;
  SpeedField = speedField;

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

    // The field lies under everything inside; the free vortices' blanking
    // draws it when they are shown.
    if (speedField && !freeVortices) DrawSpeedField(c, s);
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

void TSceneRenderer::DrawFreeVortices(TCanvas& c, const TModelState& s, bool fieldAnew) {
  c.SetBrush(colors::White);
  c.SetPen(colors::White, TPenStyle::Solid);
  c.Polygon(QPolygon({InteriorPolygon[0], InteriorPolygon[1], InteriorPolygon[2], InteriorPolygon[3]}));
  if (SpeedField) DrawSpeedField(c, s, fieldAnew);

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

void TSceneRenderer::DrawSpeedField(TCanvas& c, const TModelState& s, bool anew) {
  const QPoint& topLeft = InteriorPolygon[0];
  const QPoint& bottomRight = InteriorPolygon[2];
  const QRect interior(topLeft, bottomRight);
  const int roomW = RoundPixel(s.Area.RoomWidth * static_cast<Extended>(ViewScale));
  const int roomH = RoundPixel(s.Area.RoomHeight * static_cast<Extended>(ViewScale));
  if (!c.Active() || interior.width() < 2 || interior.height() < 2 || !(s.Area.RoomWidth > 0) ||
      !(s.Area.RoomHeight > 0))
    return;
  const int nx = std::clamp(RoundPixel(static_cast<Extended>(roomW) / SpeedCellPixels), 1, MaxSpeedCells);
  const int ny = std::clamp(RoundPixel(static_cast<Extended>(roomH) / SpeedCellPixels), 1, MaxSpeedCells);
  // The velocities at some thousand points from every vortex cost more than a
  // step of the run: during a run the field is computed again only when it
  // is older than the refresh interval.
  const auto now = std::chrono::steady_clock::now();
  const bool stale = anew || Field.NX != nx || Field.NY != ny || Field.Width != s.Area.RoomWidth ||
                     Field.Height != s.Area.RoomHeight ||
                     std::chrono::duration<double>(now - FieldComputedAt_).count() >= FieldRefreshSeconds;
  if (stale) {
    TComputeSettings compute = s.Compute;
    compute.Fast = FastField || compute.Fast;
    Field = ComputeVelocityField(s.Case(), s.Flow(), compute, nx, ny);
    FieldComputedAt_ = now;
  }

  // Each cell between the screen positions of its edges, inside the interior.
  const Extended cellW = static_cast<Extended>(s.Area.RoomWidth) / nx;
  const Extended cellH = static_cast<Extended>(s.Area.RoomHeight) / ny;
  for (int j = 0; j < ny; ++j) {
    const int yLow = ScreenY(ViewY0, ViewScale, j * cellH);
    const int yHigh = ScreenY(ViewY0, ViewScale, (j + 1) * cellH);
    for (int i = 0; i < nx; ++i) {
      const int xLeft = ScreenX(ViewX0, ViewScale, i * cellW);
      const int xRight = ScreenX(ViewX0, ViewScale, (i + 1) * cellW);
      const QRect cell = QRect(QPoint(xLeft, yHigh), QPoint(xRight - 1, yLow - 1)).intersected(interior);
      if (!cell.isEmpty()) c.FillRect(cell, SpeedColor(Field.Speed[Field.Index(i, j)], Field.MaxSpeed));
    }
  }

  // Direction arrows of one length on a coarser grid, centred on their point;
  // light on the dark colours and dark on the light ones.
  const double length = 0.7 * SpeedArrowEvery * std::min(static_cast<double>(roomW) / nx,
                                                         static_cast<double>(roomH) / ny);
  for (int j = SpeedArrowEvery / 2; j < ny; j += SpeedArrowEvery) {
    for (int i = SpeedArrowEvery / 2; i < nx; i += SpeedArrowEvery) {
      const size_t k = Field.Index(i, j);
      const double speed = Field.Speed[k];
      if (!(speed > 0.0) || !std::isfinite(speed)) continue;
      const double ux = Field.U[k] / speed;
      const double uy = -Field.V[k] / speed;  // pixels grow downwards
      const QPoint centre = ToScreen({static_cast<Extended>(Field.X(i)), static_cast<Extended>(Field.Y(j))});
      const QPoint tail(centre.x() - static_cast<int>(std::lround(ux * length / 2)),
                        centre.y() - static_cast<int>(std::lround(uy * length / 2)));
      const QPoint tip(centre.x() + static_cast<int>(std::lround(ux * length / 2)),
                       centre.y() + static_cast<int>(std::lround(uy * length / 2)));
      const double head = std::max(2.0, length / 3);
      // The barbs at 150 degrees either side of the direction.
      const double c150 = -0.8660254037844386;
      const double s150 = 0.5;
      const QPoint barb1(tip.x() + static_cast<int>(std::lround(head * (ux * c150 - uy * s150))),
                         tip.y() + static_cast<int>(std::lround(head * (ux * s150 + uy * c150))));
      const QPoint barb2(tip.x() + static_cast<int>(std::lround(head * (ux * c150 + uy * s150))),
                         tip.y() + static_cast<int>(std::lround(head * (-ux * s150 + uy * c150))));
      const bool dark = Field.MaxSpeed > 0.0 && speed / Field.MaxSpeed < 0.6;
      c.SetPen(dark ? colors::White : colors::Black, TPenStyle::Solid);
      c.MoveTo(tail);
      c.LineTo(tip);
      c.MoveTo(barb1);
      c.LineTo(tip);
      c.MoveTo(barb2);
      c.LineTo(tip);
    }
  }
  DrawSpeedScale(c);
}

void TSceneRenderer::DrawSpeedScale(TCanvas& c) {
  // A vertical bar right of the enclosure from 0 (bottom) to the largest speed
  // (top), its labels beside it and the unit above.
  const int barLeft = InteriorPolygon[1].x() + 14;
  const int barTop = InteriorPolygon[1].y() + 12;
  const int barBottom = InteriorPolygon[2].y() - 20;
  const int barWidth = 12;
  if (barBottom - barTop < 20) return;
  c.FillRect(QRect(barLeft - 2, barTop - 16, barWidth + 70, barBottom - barTop + 26), colors::White);
  for (int y = barTop; y <= barBottom; ++y) {
    const double t = static_cast<double>(barBottom - y) / (barBottom - barTop);
    c.FillRect(QRect(barLeft, y, barWidth, 1), ViridisColor(t));
  }
  c.SetPen(colors::Black, TPenStyle::Solid);
  c.SetBrush(colors::White);
  c.MoveTo(QPoint(barLeft - 1, barTop - 1));
  c.LineTo(QPoint(barLeft + barWidth, barTop - 1));
  c.LineTo(QPoint(barLeft + barWidth, barBottom + 1));
  c.LineTo(QPoint(barLeft - 1, barBottom + 1));
  c.LineTo(QPoint(barLeft - 1, barTop - 1));
  c.TextOut(barLeft - 2, barTop - 16, QStringLiteral("м/с"));
  // Ticks at round speeds, placed where the colour of that speed is.
  const TScaleTicks ticks = SpeedScaleTicks(Field.MaxSpeed);
  for (const double value : ticks.Values) {
    const Extended at = Field.MaxSpeed > 0 ? static_cast<Extended>(value) / Field.MaxSpeed : 0.0L;
    const int y = barBottom - RoundPixel(static_cast<Extended>(barBottom - barTop) * at);
    c.MoveTo(QPoint(barLeft + barWidth, y));
    c.LineTo(QPoint(barLeft + barWidth + 4, y));
    c.TextOut(barLeft + barWidth + 6, y - 6, QString::fromStdString(FormatFixed(value, 6, ticks.Decimals)));
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
            toggles.BoundVortices, toggles.Axes, toggles.VortexNumbers, toggles.SpeedField);
  DrawParticles(s);
  PresentScene();
}

void TSceneRenderer::RepaintRun(const TModelState& s, bool withParticles) {
  {
    TCanvas c(SceneBitmap);
    DrawFreeVortices(c, s, false);
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
