#pragma once
// The picture of the model: an off-screen image the size of the main window's
// paint box with the coordinate axes, the enclosure walls and openings, the
// free and bound vortices, the stored streamlines and the dust particles in
// flight. Every drawing goes to the image first and reaches the screen by one
// copy (PresentScene). The renderer only reads the model.

#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPoint>
#include <array>
#include <chrono>
#include <functional>

#include "model/model_state.h"
#include "solver/velocity_field.h"
#include "view/view_transform.h"

namespace ltr {

class TCanvas;

// The drawing toggles of the main window, with their initial states.
struct TDrawToggles {
  bool FreeVortices = true;    // "Свободные вихри"
  bool BoundVortices = false;  // "Присоединенные вихри"
  bool Axes = true;            // "Оси координат"
  bool VortexNumbers = false;  // "Номера вихрей": each shown vortex labelled with its index
  bool SpeedField = false;     // "Поле скоростей": the interior coloured by air speed
};

// The speed field's picture: the side of a colour cell and the spacing of the
// direction arrows, in cells.
inline constexpr int SpeedCellPixels = 8;
inline constexpr int SpeedArrowEvery = 4;
inline constexpr int MaxSpeedCells = 200;

class TSceneRenderer {
 public:
  // The off-screen picture, 24-bit colour (no alpha channel). Its pixels are
  // the screen's: on a scaled desktop it has DevicePixelRatio times as many
  // in each direction as the paint box has logical pixels, and everything is
  // drawn in logical pixels onto it, so that text and lines are sharp.
  QImage SceneBitmap;
  // Device pixels per logical pixel of the screen the picture is shown on
  // (1 for files and tests).
  double DevicePixelRatio = 1.0;
  // The view taken by the last full redraw; every drawing maps with it.
  int ViewX0 = 0;
  int ViewY0 = 0;
  double ViewScale = 0.0;
  // The enclosure's interior in pixels, one pixel inside the walls.
  std::array<QPoint, 4> InteriorPolygon{};
  // Whether vortices get their index written beside their mark; taken by the
  // last full redraw.
  bool VortexNumbers = false;
  // Whether the speed field is drawn under the vortices, taken by the last
  // full redraw, and the field as it was last drawn.
  bool SpeedField = false;
  TVelocityField Field;
  // How the speed field of the picture is computed: with the fast kernel
  // (it is only drawn), and during a run at most once in FieldRefreshSeconds
  // (the repaints in between show the field last computed under the moving
  // vortices). A full redraw always computes it anew.
  bool FastField = false;
  double FieldRefreshSeconds = 0.0;

  // Where PresentScene copies the picture to (the paint box); none by default.
  std::function<void(const QImage&)> Present;

  // The scene without the particles: background, axes, walls, free and bound
  // vortices as toggled, streamlines; then PresentScene.
  void DrawScene(const TModelState& s, int paintWidth, int paintHeight, int originX, int originY,
                 Extended scale, bool freeVortices, bool boundVortices, bool axes,
                 bool vortexNumbers = false, bool speedField = false);
  // Blanks the interior of the enclosure, then marks the free vortices.
  void DrawFreeVortices(const TModelState& s);
  void DrawBoundVortices(const TModelState& s);
  void DrawFlowLines(const TModelState& s);
  void DrawParticles(const TModelState& s);
  // Copies the picture to the Present target, or onto a painter at (0, 0).
  void PresentScene();
  void PresentScene(QPainter& target) const;

  // The full redraw after any change of the view or of a toggle: the scene,
  // then the particles (whatever the toggles), then the copy to the screen.
  void FullRedraw(const TModelState& s, int paintWidth, int paintHeight, const TViewState& view,
                  const TDrawToggles& toggles);
  // The repaint after each step of a run: the interior with the free vortices,
  // the particles when asked, then the copy. Walls, axes and everything outside
  // the interior stay as the last full redraw left them.
  void RepaintRun(const TModelState& s, bool withParticles);

  // Drawing a streamline while it is traced: the start point sets the pen,
  // each next point adds a segment to the picture. The segment is returned
  // in paint-box pixels so that the caller can show it on the screen at once.
  QPoint FlowLineStart(const TRealPoint& p);
  QLine FlowLineTo(const TRealPoint& p);

  // A world point in paint-box pixels with the view of the last full redraw.
  QPoint ToScreen(const TRealPoint& p) const;

 private:
  void DrawAxes(TCanvas& c, int paintWidth, int paintHeight) const;
  void DrawFreeVortices(TCanvas& c, const TModelState& s, bool fieldAnew = true);
  // The interior coloured by speed with the direction arrows, and the colour
  // scale beside the enclosure.
  void DrawSpeedField(TCanvas& c, const TModelState& s, bool anew = true);
  void DrawSpeedScale(TCanvas& c);
  void DrawBoundVortices(TCanvas& c, const TModelState& s) const;
  void DrawFlowLines(TCanvas& c, const TModelState& s) const;
  void DrawParticles(TCanvas& c, const TModelState& s) const;

  QPoint FlowPenPos_{0, 0};
  std::chrono::steady_clock::time_point FieldComputedAt_{};
};

}  // namespace ltr
