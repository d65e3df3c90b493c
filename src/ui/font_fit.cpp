#include "ui/font_fit.h"

namespace ltr {

QFont NarrowedFont(QFont font, const std::function<bool(const QFontMetrics&)>& fits) {
  for (int stretch : {QFont::Unstretched, QFont::SemiCondensed, QFont::Condensed}) {
    font.setStretch(stretch);
    if (fits(QFontMetrics(font))) return font;
  }
  for (qreal size = font.pointSizeF() - 0.5; size >= 6.0; size -= 0.5) {
    font.setPointSizeF(size);
    if (fits(QFontMetrics(font))) break;
  }
  return font;
}

}  // namespace ltr
