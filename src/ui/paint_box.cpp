#include "ui/paint_box.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace ltr {

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setMinimumSize(1, 1);
}

void TPaintBox::SetPicture(const QImage* picture) {
  Picture_ = picture;
  update();
}

void TPaintBox::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  // Whatever the picture does not cover (before the first redraw, or while
  // the size is changing) is white, the picture's background.
  const QRect area = event->rect();
  if (Picture_ == nullptr || Picture_->isNull()) {
    painter.fillRect(area, Qt::white);
    return;
  }
  // The picture has the screen's pixels (Picture_->devicePixelRatio() of
  // them per logical pixel): the part to paint is taken in those.
  const qreal ratio = Picture_->devicePixelRatio();
  painter.drawImage(QRectF(area), *Picture_,
                    QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio));
  const QRect covered(QPoint(0, 0), Picture_->deviceIndependentSize().toSize());
  if (!covered.contains(area)) {
    const QRegion rest = QRegion(area).subtracted(QRegion(covered));
    for (const QRect& r : rest) painter.fillRect(r, Qt::white);
  }
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit MouseDown(p.x(), p.y());
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit MouseMove(p.x(), p.y());
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  emit MouseUp(p.x(), p.y());
}

void TPaintBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit Resized();
}

}  // namespace ltr
