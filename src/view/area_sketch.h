#pragma once
// The to-scale sketch of the enclosure in the enclosure dialog: the walls, the
// inflow and exhaust openings dotted, and a small circle for each separation
// point that is switched on. It is drawn from the dialog's field values, not
// from the model, so it follows the user's edits before they are confirmed.

#include <QImage>
#include <array>

#include "model/model_state.h"
#include "numerics/extended.h"

namespace ltr {

// A click on the sketch divides (left button) or multiplies (right button)
// its scale by this factor.
inline constexpr Extended SketchZoomFactor = 1.1L;

inline constexpr int SketchImageWidth = 396;
inline constexpr int SketchImageHeight = 239;

// The values of the dialog's size fields, m.
struct TSketchFields {
  double RoomWidth = 1.0;        // W
  double RoomHeight = 0.7;       // RH
  double InflowWidth = 0.3;      // IW
  double InflowDistance = 0.05;  // ID
  double ExhaustWidth = 0.2;     // EW
  double ExhaustHeight = 0.45;   // EH
};

// The fields as they show the enclosure parameters of the model.
TSketchFields SketchFieldsOf(const TAreaParams& a);

class TAreaSketch {
 public:
  TAreaSketch();

  QImage Image;               // the dialog's picture, 396 x 239
  double SketchScale = 50.0;  // pixels per metre
  int SketchX0 = 10;          // image pixel of the enclosure's lower-left corner
  int SketchY0 = SketchImageHeight - 10;

  // When the dialog is shown: the largest scale that leaves 30 pixels of the
  // image free in both directions. The origin stays.
  void FitScale(const TSketchFields& f);
  // The whole sketch; checked[i] tells whether separation point i is switched on.
  void DrawAreaSketch(const TSketchFields& f, const std::array<bool, SeparationPointCount>& checked);
  // A mouse press on the sketch: the left button zooms out, the right button
  // zooms in. True when the scale changed and the sketch must be redrawn.
  bool ZoomByClick(Qt::MouseButton button);
};

}  // namespace ltr
