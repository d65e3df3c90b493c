#pragma once
// A small drawing surface over a QImage with the raster conventions the
// pictures are specified in: a current pen position with move-to and line-to
// (a line leaves out its end pixel), ellipses in a box whose right and bottom
// edges are exclusive, single pixels, filled polygons and text placed by the
// top-left corner of its cell. Antialiasing is off, so every pixel is
// predictable. Painting is active for the life of the object.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QPointF>
#include <QPolygon>
#include <QRect>
#include <QString>

namespace ltr {

enum class TPenStyle { Solid, Dashed, Dotted };

namespace colors {
inline const QColor White{255, 255, 255};
inline const QColor Black{0, 0, 0};
inline const QColor Red{255, 0, 0};
inline const QColor Blue{0, 0, 255};
inline const QColor Teal{0, 128, 128};
inline const QColor Maroon{128, 0, 0};
inline const QColor Navy{0, 0, 128};
}  // namespace colors

class TCanvas {
 public:
  explicit TCanvas(QImage& image);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // False when the image cannot be painted on (it has no pixels); every
  // operation is then a no-op.
  bool Active() const { return Active_; }

  void SetPen(const QColor& color, TPenStyle style);
  void SetPenColor(const QColor& color);
  void SetPenStyle(TPenStyle style);
  void SetBrush(const QColor& color);

  // The whole image in the brush colour.
  void FillAll();
  void MoveTo(QPoint p) { PenPos_ = p; }
  QPoint PenPos() const { return PenPos_; }
  // A line from the pen position to p without the pixel p itself; the pen
  // position becomes p.
  void LineTo(QPoint p);
  // An ellipse in the box (left, top)-(right, bottom), right and bottom
  // exclusive: outline in the pen, inside in the brush.
  void Ellipse(int left, int top, int right, int bottom);
  void SetPixel(int x, int y, const QColor& color);
  // The rectangle filled with a colour, no outline; pen and brush unchanged.
  void FillRect(const QRect& rect, const QColor& color);
  // A polygon outlined in the pen and filled with the brush.
  void Polygon(const QPolygon& points);
  // Text in the pen-independent text colour with its cell's top-left corner at
  // (x, y), on an opaque background of the brush colour.
  void TextOut(int x, int y, const QString& text);
  // Small text in the given colour at (x, y), leaving the background as is.
  void SmallText(int x, int y, const QString& text, const QColor& color);

 private:
  void ApplyPen();

  QImage& Image_;
  QPainter Painter_;
  bool Active_ = false;
  bool TextReady_ = false;  // fonts need a running GUI application
  QColor PenColor_ = colors::Black;
  TPenStyle PenStyle_ = TPenStyle::Solid;
  QColor BrushColor_ = colors::White;
  QPoint PenPos_{0, 0};
  // Where the pen draws within a logical pixel: its top-left corner on the
  // screen's own pixels, its centre where one logical pixel has several.
  QPointF Centre_{0.0, 0.0};
};

}  // namespace ltr
