#pragma once
// The drawing surface of the main window: it shows the off-screen picture of
// the model at its top-left corner and reports the mouse and its own size
// changes. It never draws the model itself.

#include <QWidget>

class QImage;

namespace ltr {

class TPaintBox : public QWidget {
  Q_OBJECT

 public:
  explicit TPaintBox(QWidget* parent = nullptr);

  // The picture shown; it must outlive the paint box or be reset to null.
  void SetPicture(const QImage* picture);

 signals:
  // Any mouse button pressed, the pointer moved with a button held, any
  // button released; positions in paint-box pixels.
  void MouseDown(int x, int y);
  void MouseMove(int x, int y);
  void MouseUp(int x, int y);
  // The paint box got a new size.
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  const QImage* Picture_ = nullptr;
};

}  // namespace ltr
