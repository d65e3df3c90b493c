#include "view/canvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPen>
#include <QPolygonF>
#include <QRect>
#include <QRectF>
#include <cmath>
#include <cstdlib>

namespace ltr {

namespace {

// Text of the tick labels: a small sans-serif face.
QFont LabelFont() {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(11);
  f.setStyleStrategy(QFont::NoAntialias);  // whole pixels in the text colour
  return f;
}

QFont SmallFont() {
  QFont f = LabelFont();
  f.setPixelSize(9);
  return f;
}

Qt::PenStyle QtStyle(TPenStyle style) {
  switch (style) {
    case TPenStyle::Dashed: return Qt::DashLine;
    case TPenStyle::Dotted: return Qt::DotLine;
    case TPenStyle::Solid: break;
  }
  return Qt::SolidLine;
}

}  // namespace

TCanvas::TCanvas(QImage& image) : Image_(image) {
  if (Image_.isNull()) return;
  Active_ = Painter_.begin(&Image_);
  if (!Active_) return;
  Painter_.setRenderHint(QPainter::Antialiasing, false);
  Painter_.setRenderHint(QPainter::TextAntialiasing, false);
  Painter_.setBackgroundMode(Qt::TransparentMode);
  TextReady_ = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  // With more than one device pixel per logical one, the pen is centred on a
  // logical pixel rather than on its top-left corner, so that lines cover the
  // same device pixels as fills of that logical pixel do.
  if (Image_.devicePixelRatio() > 1.0) Centre_ = QPointF(0.5, 0.5);
  ApplyPen();
  Painter_.setBrush(BrushColor_);
}

void TCanvas::ApplyPen() {
  if (!Active_) return;
  QPen pen(PenColor_);
  // One pixel whatever the transformation; on a screen of two or more device
  // pixels per logical pixel, as many device pixels.
  const int devicePixels = static_cast<int>(Image_.devicePixelRatio());
  pen.setWidth(devicePixels > 1 ? devicePixels : 0);
  pen.setCosmetic(true);
  pen.setStyle(QtStyle(PenStyle_));
  pen.setCapStyle(Qt::SquareCap);  // both end pixels drawn; LineTo trims its end itself
  Painter_.setPen(pen);
}

void TCanvas::SetPen(const QColor& color, TPenStyle style) {
  PenColor_ = color;
  PenStyle_ = style;
  ApplyPen();
}

void TCanvas::SetPenColor(const QColor& color) {
  PenColor_ = color;
  ApplyPen();
}

void TCanvas::SetPenStyle(TPenStyle style) {
  PenStyle_ = style;
  ApplyPen();
}

void TCanvas::SetBrush(const QColor& color) {
  BrushColor_ = color;
  if (Active_) Painter_.setBrush(color);
}

void TCanvas::FillAll() {
  if (Active_) Painter_.fillRect(QRectF(QPointF(0, 0), Image_.deviceIndependentSize()), BrushColor_);
}

void TCanvas::LineTo(QPoint q) {
  const QPoint p = PenPos_;
  PenPos_ = q;
  if (!Active_ || p == q) return;
  // The line is drawn with both end pixels, so it is made to stop one pixel
  // before q along its major axis.
  const long long dx = static_cast<long long>(q.x()) - p.x();
  const long long dy = static_cast<long long>(q.y()) - p.y();
  long long lastX;
  long long lastY;
  if (std::llabs(dx) >= std::llabs(dy)) {
    lastX = q.x() - (dx > 0 ? 1 : -1);
    lastY = p.y() + std::llrint(static_cast<long double>(dy) * (lastX - p.x()) / dx);
  } else {
    lastY = q.y() - (dy > 0 ? 1 : -1);
    lastX = p.x() + std::llrint(static_cast<long double>(dx) * (lastY - p.y()) / dy);
  }
  const QPoint last(static_cast<int>(lastX), static_cast<int>(lastY));
  if (last == p)
    Painter_.drawPoint(QPointF(p) + Centre_);
  else
    Painter_.drawLine(QPointF(p) + Centre_, QPointF(last) + Centre_);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (!Active_) return;
  const int w = right - left;
  const int h = bottom - top;
  if (w < 1 || h < 1) return;
  // QPainter's aliased ellipse in a rectangle of size n - 1 covers n pixels;
  // an even pixel count needs the half-pixel shift to come out round. With
  // finer device pixels the outline runs through the centres of the box's
  // edge pixels.
  const qreal offX = Centre_.x() > 0 ? Centre_.x() : (w % 2 == 0) ? 0.5 : 0.0;
  const qreal offY = Centre_.y() > 0 ? Centre_.y() : (h % 2 == 0) ? 0.5 : 0.0;
  Painter_.drawEllipse(QRectF(left + offX, top + offY, w - 1, h - 1));
}

void TCanvas::SetPixel(int x, int y, const QColor& color) {
  // x and y are logical pixels, as everything drawn here.
  if (Active_ && QRectF(QPointF(0, 0), Image_.deviceIndependentSize()).contains(QPointF(x + 0.5, y + 0.5)))
    Painter_.fillRect(QRect(x, y, 1, 1), color);
}

void TCanvas::FillRect(const QRect& rect, const QColor& color) {
  if (Active_ && rect.isValid()) Painter_.fillRect(rect, color);
}

void TCanvas::Polygon(const QPolygon& points) {
  if (!Active_) return;
  if (Centre_.isNull()) {
    Painter_.drawPolygon(points);
    return;
  }
  QPolygonF centred;
  for (const QPoint& p : points) centred << QPointF(p) + Centre_;
  Painter_.drawPolygon(centred);
}

void TCanvas::TextOut(int x, int y, const QString& text) {
  if (!Active_ || !TextReady_) return;
  const QFont font = LabelFont();
  const QFontMetrics fm(font);
  Painter_.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), BrushColor_);
  Painter_.setFont(font);
  Painter_.setPen(colors::Black);
  Painter_.drawText(x, y + fm.ascent(), text);
  ApplyPen();
}

void TCanvas::SmallText(int x, int y, const QString& text, const QColor& color) {
  if (!Active_ || !TextReady_) return;
  const QFont font = SmallFont();
  const QFontMetrics fm(font);
  Painter_.setFont(font);
  Painter_.setPen(color);
  Painter_.drawText(x, y + fm.ascent(), text);
  ApplyPen();
}

}  // namespace ltr
