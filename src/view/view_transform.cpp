#include "view/view_transform.h"

#include <cmath>

namespace ltr {

int RoundPixel(Extended v) {
  if (std::isnan(v)) return 0;
  const Extended limit = static_cast<Extended>(ScreenCoordLimit);
  if (v >= limit) return static_cast<int>(ScreenCoordLimit);
  if (v <= -limit) return static_cast<int>(-ScreenCoordLimit);
  return static_cast<int>(std::llrint(v));
}

int ClampPixel(long long v) {
  if (v > ScreenCoordLimit) return static_cast<int>(ScreenCoordLimit);
  if (v < -ScreenCoordLimit) return static_cast<int>(-ScreenCoordLimit);
  return static_cast<int>(v);
}

namespace {

// round(c - (c - origin) * factor) with c the real half of the paint box size.
int ZoomedOrigin(int origin, int size, Extended factor) {
  const Extended c = static_cast<Extended>(size) / 2;
  return RoundPixel(c - (c - origin) * factor);
}

int ShrunkOrigin(int origin, int size, Extended factor) {
  const Extended c = static_cast<Extended>(size) / 2;
  return RoundPixel(c - (c - origin) / factor);
}

}  // namespace

int ScreenX(int x0, double scale, Extended x) {
  return ClampPixel(static_cast<long long>(x0) + RoundPixel(x * scale));
}

int ScreenY(int y0, double scale, Extended y) {
  return ClampPixel(static_cast<long long>(y0) - RoundPixel(y * scale));
}

void SetInitialView(TViewState& v, int paintHeight) {
  v.Scale = InitialScale;
  v.OriginX = InitialOriginX;
  v.OriginY = ClampPixel(static_cast<long long>(paintHeight) - InitialOriginBottomMargin);
}

void ZoomIn(TViewState& v, int paintWidth, int paintHeight) {
  v.Scale = v.Scale * ZoomFactor;
  v.OriginX = ZoomedOrigin(v.OriginX, paintWidth, ZoomFactor);
  v.OriginY = ZoomedOrigin(v.OriginY, paintHeight, ZoomFactor);
}

void ZoomOut(TViewState& v, int paintWidth, int paintHeight) {
  v.Scale = v.Scale / ZoomFactor;
  v.OriginX = ShrunkOrigin(v.OriginX, paintWidth, ZoomFactor);
  v.OriginY = ShrunkOrigin(v.OriginY, paintHeight, ZoomFactor);
}

void PanPress(TViewState& v, int x, int y) {
  v.Dragging = true;
  v.DragX = x;
  v.DragY = y;
}

bool PanMove(TViewState& v, int x, int y) {
  if (!v.Dragging) return false;
  v.OriginX = ClampPixel(static_cast<long long>(v.OriginX) + (static_cast<long long>(x) - v.DragX));
  v.OriginY = ClampPixel(static_cast<long long>(v.OriginY) + (static_cast<long long>(y) - v.DragY));
  v.DragX = x;
  v.DragY = y;
  return true;
}

void PanRelease(TViewState& v) { v.Dragging = false; }

}  // namespace ltr
