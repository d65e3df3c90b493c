#include "ui/tool_icons.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QPointF>
#include <QRect>
#include <QRectF>

#include "view/speed_colors.h"

namespace ltr {

QIcon MakeIcon(TIcon kind) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
  auto magnifier = [&p] {
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    p.setPen(QPen(QColor(40, 40, 40), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
  };
  switch (kind) {
    case TIcon::ZoomOut:
      magnifier();
      p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
      break;
    case TIcon::ZoomIn:
      magnifier();
      p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
      p.drawLine(QPointF(6, 3.5), QPointF(6, 8.5));
      break;
    case TIcon::ZoomNo: {
      p.setRenderHint(QPainter::Antialiasing, false);
      p.setPen(QColor(40, 40, 40));
      p.setBrush(Qt::white);
      p.drawRect(1, 3, 13, 10);
      QFont f = p.font();
      f.setPixelSize(8);
      f.setBold(true);
      p.setFont(f);
      p.drawText(QRect(1, 3, 14, 11), Qt::AlignCenter, QStringLiteral("1:1"));
      break;
    }
    case TIcon::FreeVortices:
      p.setPen(QPen(QColor(255, 0, 0), 1.5));
      p.setBrush(Qt::white);
      p.drawEllipse(QRectF(2, 2, 5, 5));
      p.drawEllipse(QRectF(9, 4, 5, 5));
      p.drawEllipse(QRectF(4, 9, 5, 5));
      break;
    case TIcon::BoundVortices:
      p.setPen(QPen(QColor(0, 0, 0), 1));
      p.drawLine(QPointF(1, 14.5), QPointF(15, 14.5));
      p.drawLine(QPointF(1.5, 1), QPointF(1.5, 15));
      p.setPen(QPen(QColor(0, 0, 255), 1.2));
      p.setBrush(Qt::white);
      for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(4 + 4 * i, 10.5, 3, 3));
      for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(3, 1 + 3 * i, 3, 3));
      break;
    case TIcon::Axes:
      p.setPen(QPen(QColor(0, 128, 128), 1.5));
      p.drawLine(QPointF(3, 13), QPointF(15, 13));
      p.drawLine(QPointF(3, 13), QPointF(3, 1));
      p.drawLine(QPointF(15, 13), QPointF(12, 11));
      p.drawLine(QPointF(15, 13), QPointF(12, 15));
      p.drawLine(QPointF(3, 1), QPointF(1, 4));
      p.drawLine(QPointF(3, 1), QPointF(5, 4));
      break;
    case TIcon::Numbers: {
      p.setPen(QColor(128, 0, 0));
      QFont f = p.font();
      f.setPixelSize(10);
      f.setBold(true);
      p.setFont(f);
      p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("12"));
      break;
    }
    case TIcon::SpeedField:
      for (int y = 0; y < 14; ++y) p.fillRect(QRect(1, 1 + y, 14, 1), ViridisColor(1.0 - y / 13.0));
      p.setPen(QPen(Qt::white, 1.2));
      p.drawLine(QPointF(3, 11), QPointF(12, 5));
      p.drawLine(QPointF(12, 5), QPointF(8.5, 5.2));
      p.drawLine(QPointF(12, 5), QPointF(10.6, 8.2));
      break;
  }
  return QIcon(pixmap);
}

}  // namespace ltr
