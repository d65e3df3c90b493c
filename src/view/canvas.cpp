#include "view/canvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPen>
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
  ApplyPen();
  Painter_.setBrush(BrushColor_);
}

void TCanvas::ApplyPen() {
  if (!Active_) return;
  QPen pen(PenColor_);
  pen.setWidth(0);  // one pixel, whatever the transformation
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
  if (Active_) Painter_.fillRect(Image_.rect(), BrushColor_);
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
    Painter_.drawPoint(p);
  else
    Painter_.drawLine(p, last);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (!Active_) return;
  const int w = right - left;
  const int h = bottom - top;
  if (w < 1 || h < 1) return;
  // QPainter's aliased ellipse in a rectangle of size n - 1 covers n pixels;
  // an even pixel count needs the half-pixel shift to come out round.
  const qreal offX = (w % 2 == 0) ? 0.5 : 0.0;
  const qreal offY = (h % 2 == 0) ? 0.5 : 0.0;
  Painter_.drawEllipse(QRectF(left + offX, top + offY, w - 1, h - 1));
}

void TCanvas::SetPixel(int x, int y, const QColor& color) {
  if (Active_ && Image_.valid(x, y)) Painter_.fillRect(QRect(x, y, 1, 1), color);
}

void TCanvas::FillRect(const QRect& rect, const QColor& color) {
  if (Active_ && rect.isValid()) Painter_.fillRect(rect, color);
}

void TCanvas::Polygon(const QPolygon& points) {
  if (Active_) Painter_.drawPolygon(points);
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
