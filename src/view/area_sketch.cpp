#include "view/area_sketch.h"

#include <algorithm>
#include <cmath>

#include "view/canvas.h"
#include "view/view_transform.h"

namespace ltr {

TSketchFields SketchFieldsOf(const TAreaParams& a) {
  return TSketchFields{a.RoomWidth,      a.RoomHeight,   a.InflowWidth,
                       a.InflowDistance, a.ExhaustWidth, a.ExhaustHeight};
}

TAreaSketch::TAreaSketch() : Image(SketchImageWidth, SketchImageHeight, QImage::Format_RGB32) {
  Image.fill(colors::White);
  SketchX0 = 10;
  SketchY0 = Image.height() - 10;
  SketchScale = 50.0;
}

void TAreaSketch::FitScale(const TSketchFields& f) {
  const Extended byWidth = static_cast<Extended>(Image.width() - 30) / f.RoomWidth;
  const Extended byHeight = static_cast<Extended>(Image.height() - 30) / f.RoomHeight;
  const Extended fitted = std::min(byWidth, byHeight);
  // Sizes that are not positive cannot be fitted; the scale stays.
  if (f.RoomWidth > 0 && f.RoomHeight > 0 && std::isfinite(fitted)) SketchScale = ToDouble(fitted);
}

void TAreaSketch::DrawAreaSketch(const TSketchFields& f,
                                 const std::array<bool, SeparationPointCount>& checked) {
  const Extended W = f.RoomWidth;
  const Extended RH = f.RoomHeight;
  const Extended IW = f.InflowWidth;
  const Extended ID = f.InflowDistance;
  const Extended EW = f.ExhaustWidth;
  const Extended EH = f.ExhaustHeight;
  const Extended scale = SketchScale;
  const auto r = [scale](Extended v) { return RoundPixel(v * scale); };
  const auto at = [](long long x, long long y) { return QPoint(ClampPixel(x), ClampPixel(y)); };
  const long long x0 = SketchX0;
  const long long y0 = SketchY0;

  TCanvas c(Image);
  c.SetPen(colors::Black, TPenStyle::Solid);
  c.SetBrush(colors::White);
  c.FillAll();

  // One outline, counter-clockwise from the lower-left corner.
  c.MoveTo(at(x0, y0));
  c.LineTo(at(x0 + r(W), y0));                  // floor
  c.LineTo(at(x0 + r(W), y0 - r(EH)));          // right wall below the exhaust
  c.SetPen(colors::Navy, TPenStyle::Dotted);
  c.LineTo(at(x0 + r(W), y0 - r(EH + EW)));     // exhaust opening
  c.SetPen(colors::Black, TPenStyle::Solid);
  c.LineTo(at(x0 + r(W), y0 - r(RH)));          // right wall above the exhaust
  c.LineTo(at(x0 + r(ID + IW), y0 - r(RH)));    // ceiling right of the inflow
  c.SetPen(colors::Navy, TPenStyle::Dotted);
  c.LineTo(at(x0 + r(ID), y0 - r(RH)));         // inflow opening
  c.SetPen(colors::Black, TPenStyle::Solid);
  c.LineTo(at(x0, y0 - r(RH)));                 // ceiling left of the inflow
  c.LineTo(at(x0, y0));                         // left wall

  // Fixed places on the walls for the separation points that are switched on.
  const std::array<QPoint, SeparationPointCount> centres = {
      at(x0 + RoundPixel(ID * scale * 0.5L), y0 - r(RH)),
      at(x0 + RoundPixel((0.2L * W + 0.8L * (ID + IW)) * scale), y0 - r(RH)),
      at(x0 + RoundPixel(0.6L * W * scale), y0),
      at(x0, y0 - RoundPixel(0.2L * RH * scale)),
  };
  c.SetPenColor(colors::Red);
  for (int i = 0; i < SeparationPointCount; ++i) {
    if (!checked[i]) continue;
    const QPoint m = centres[i];
    c.Ellipse(m.x() - 2, m.y() - 2, m.x() + 3, m.y() + 3);
  }
}

bool TAreaSketch::ZoomByClick(Qt::MouseButton button) {
  if (button == Qt::LeftButton) {
    SketchScale = ToDouble(SketchScale / SketchZoomFactor);
    return true;
  }
  if (button == Qt::RightButton) {
    SketchScale = ToDouble(SketchScale * SketchZoomFactor);
    return true;
  }
  return false;
}

}  // namespace ltr
