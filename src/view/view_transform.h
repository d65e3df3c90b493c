#pragma once
// World-to-screen mapping of the model picture and the view state of the main
// window's paint box: scale and origin, zoom about the centre, initial view and
// panning by dragging. Everything here is plain arithmetic on the state and the
// paint box size, so it works without a window.

#include "numerics/extended.h"

namespace ltr {

// Zoom in multiplies the scale by this factor, zoom out divides by it.
inline constexpr Extended ZoomFactor = 1.2L;

// The initial view: 400 pixels per metre, the world origin 30 pixels from the
// left edge and 30 pixels above the bottom edge.
inline constexpr Extended InitialScale = 400.0L;
inline constexpr int InitialOriginX = 30;
inline constexpr int InitialOriginBottomMargin = 30;

// Screen coordinates are kept within this magnitude, so that unbounded zooming
// and panning never overflow a 32-bit integer.
inline constexpr long long ScreenCoordLimit = 1LL << 30;

struct TViewState {
  Extended Scale = InitialScale;  // pixels per metre
  int OriginX = InitialOriginX;   // paint-box x pixel of the world origin
  int OriginY = 0;                // paint-box y pixel of the world origin (pixels grow downwards)
  bool Dragging = false;          // a pan drag is in progress
  int DragX = 0;                  // pointer position at the previous drag event
  int DragY = 0;
};

// A real pixel value rounded half to even and kept within ScreenCoordLimit
// (a value that is not a number gives 0).
int RoundPixel(Extended v);
// An integer pixel value kept within ScreenCoordLimit.
int ClampPixel(long long v);

// screen x = x0 + round(x * scale), screen y = y0 - round(y * scale): the
// product alone is rounded (half to even), the offset is added afterwards.
int ScreenX(int x0, double scale, Extended x);
int ScreenY(int y0, double scale, Extended y);

// Scale 400, origin 30 pixels from the left and 30 pixels above the bottom of
// a paint box of the given height. The drag state is left alone.
void SetInitialView(TViewState& v, int paintHeight);

// Zoom by ZoomFactor about the centre of a paint box of the given size.
void ZoomIn(TViewState& v, int paintWidth, int paintHeight);
void ZoomOut(TViewState& v, int paintWidth, int paintHeight);

// Panning: any button pressed starts a drag, every move while dragging shifts
// the origin by the pointer's movement, any button released ends it.
void PanPress(TViewState& v, int x, int y);
// True when the view changed and the picture must be redrawn; a move without
// a drag in progress changes nothing.
bool PanMove(TViewState& v, int x, int y);
void PanRelease(TViewState& v);

}  // namespace ltr
