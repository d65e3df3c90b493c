#include "view/sweep_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "numerics/number_text.h"

namespace ltr {

namespace {

// Round tick steps (1, 2 or 5 times a power of ten) giving about `count` ticks.
double TickStep(double span, int count) {
  if (!(span > 0)) return 1.0;
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (raw <= m * power) return m * power;
  return 10 * power;
}

// Decimals that show a tick step whole.
int Decimals(double step) { return std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 8); }

QString Label(double value, int decimals) {
  return QString::fromStdString(FormatFixed(static_cast<Extended>(value), 15, decimals));
}

}  // namespace

QImage DrawSweepPlot(const std::vector<TSweepPoint>& input, const std::string& parameter, int width, int height) {
  std::vector<TSweepPoint> points;
  for (const TSweepPoint& p : input)
    if (std::isfinite(p.Value) && std::isfinite(p.Output)) points.push_back(p);
  std::sort(points.begin(), points.end(), [](const TSweepPoint& a, const TSweepPoint& b) { return a.Value < b.Value; });

  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRect plot(90, 40, width - 120, height - 100);

  double xMin = 0, xMax = 1, yMax = 0;
  if (!points.empty()) {
    xMin = points.front().Value;
    xMax = points.back().Value;
  }
  if (xMax == xMin) {
    xMin -= 0.5;
    xMax += 0.5;
  }
  // A little room, so that the end points and their whiskers stay clear of the frame.
  const double pad = (xMax - xMin) * 0.04;
  xMin -= pad;
  xMax += pad;
  for (const TSweepPoint& p : points) {
    yMax = std::max(yMax, p.Output * 1e6);
    if (std::isfinite(p.High)) yMax = std::max(yMax, p.High * 1e6);
  }
  if (!(yMax > 0)) yMax = 1;
  const double yStep = TickStep(yMax, 5);
  yMax = std::ceil(yMax / yStep) * yStep;
  const double xStep = TickStep(xMax - xMin, 6);
  auto X = [&](double v) { return plot.left() + (v - xMin) / (xMax - xMin) * plot.width(); };
  auto Y = [&](double mg) { return plot.bottom() - mg / yMax * plot.height(); };

  painter.setPen(QPen(QColor(225, 225, 225), 1));
  QFont font = painter.font();
  font.setPixelSize(13);
  painter.setFont(font);
  for (double y = 0; y <= yMax + yStep / 2; y += yStep) {
    painter.setPen(QPen(QColor(225, 225, 225), 1));
    painter.drawLine(QPointF(plot.left(), Y(y)), QPointF(plot.right(), Y(y)));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, Y(y) - 10, plot.left() - 8, 20), Qt::AlignRight | Qt::AlignVCenter,
                     Label(y, Decimals(yStep)));
  }
  for (double x = std::ceil(xMin / xStep) * xStep; x <= xMax + xStep * 1e-6; x += xStep) {
    painter.setPen(QPen(QColor(225, 225, 225), 1));
    painter.drawLine(QPointF(X(x), plot.top()), QPointF(X(x), plot.bottom()));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(X(x) - 50, plot.bottom() + 6, 100, 20), Qt::AlignHCenter | Qt::AlignTop,
                     Label(x, Decimals(xStep)));
  }
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(plot);

  // The intervals as a band and whiskers, the estimates as a line of points.
  const QColor blue(31, 119, 180);
  painter.setPen(QPen(blue, 1.5));
  for (const TSweepPoint& p : points) {
    if (!std::isfinite(p.Low) || !std::isfinite(p.High)) continue;
    const double x = X(p.Value);
    painter.drawLine(QPointF(x, Y(p.Low * 1e6)), QPointF(x, Y(p.High * 1e6)));
    painter.drawLine(QPointF(x - 5, Y(p.Low * 1e6)), QPointF(x + 5, Y(p.Low * 1e6)));
    painter.drawLine(QPointF(x - 5, Y(p.High * 1e6)), QPointF(x + 5, Y(p.High * 1e6)));
  }
  QPainterPath line;
  for (size_t k = 0; k < points.size(); ++k) {
    const QPointF at(X(points[k].Value), Y(points[k].Output * 1e6));
    if (k == 0) line.moveTo(at);
    else line.lineTo(at);
  }
  painter.setPen(QPen(blue, 2));
  painter.drawPath(line);
  painter.setBrush(blue);
  for (const TSweepPoint& p : points) painter.drawEllipse(QPointF(X(p.Value), Y(p.Output * 1e6)), 4, 4);

  painter.setPen(Qt::black);
  font.setPixelSize(15);
  painter.setFont(font);
  painter.drawText(QRectF(0, 8, width, 24), Qt::AlignHCenter,
                   QString::fromUtf8("Выходная концентрация и ее 95-процентный доверительный интервал"));
  painter.drawText(QRectF(plot.left(), height - 34, plot.width(), 24), Qt::AlignHCenter,
                   QString::fromStdString(parameter));
  painter.save();
  painter.translate(18, plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-150, -12, 300, 24), Qt::AlignCenter, QString::fromUtf8("мг/м3"));
  painter.restore();
  painter.end();
  return image;
}

}  // namespace ltr
