#pragma once
// Small helpers for looking at pictures in the drawing tests.

#include <QColor>
#include <QImage>
#include <QRect>

namespace ltr::test {

// The colours of the pictures.
inline const QColor White(255, 255, 255);
inline const QColor Black(0, 0, 0);
inline const QColor Red(255, 0, 0);
inline const QColor Blue(0, 0, 255);
inline const QColor Navy(0, 0, 128);
inline const QColor Teal(0, 128, 128);
inline const QColor Maroon(128, 0, 0);

inline bool Is(const QImage& im, int x, int y, const QColor& c) {
  return im.valid(x, y) && im.pixelColor(x, y).rgb() == c.rgb();
}

// How many pixels of the rectangle (inclusive corners) have colour c.
inline int CountIn(const QImage& im, const QRect& r, const QColor& c) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (Is(im, x, y, c)) ++n;
  return n;
}

inline int Count(const QImage& im, const QColor& c) { return CountIn(im, im.rect(), c); }

// The smallest rectangle holding every pixel of colour c (null if none).
inline QRect BoundsOf(const QImage& im, const QColor& c) {
  QRect b;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x)
      if (Is(im, x, y, c)) b = b.united(QRect(x, y, 1, 1));
  return b;
}

// The smallest rectangle holding every pixel that is not white.
inline QRect InkBounds(const QImage& im) {
  QRect b;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x)
      if (im.pixelColor(x, y).rgb() != White.rgb()) b = b.united(QRect(x, y, 1, 1));
  return b;
}

}  // namespace ltr::test
