#include "pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <iterator>

namespace ndr {
namespace {

QPixmap Transparent(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

}  // namespace

void PaintSunset(QPainter& p, qreal s) {
  p.setRenderHint(QPainter::Antialiasing);
  const qreal horizon = s * 0.62;

  QLinearGradient sky(0, 0, 0, horizon);
  sky.setColorAt(0.0, QColor(40, 30, 110));
  sky.setColorAt(0.55, QColor(230, 90, 60));
  sky.setColorAt(1.0, QColor(255, 200, 80));
  p.fillRect(QRectF(0, 0, s, horizon), sky);

  // The sun, half sunk: the sea painted next covers its lower half (no clip,
  // so that the drawing also renders as a vector picture).
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 230, 60));
  p.drawEllipse(QPointF(s * 0.5, horizon), s * 0.24, s * 0.24);

  QLinearGradient sea(0, horizon, 0, s);
  sea.setColorAt(0.0, QColor(20, 70, 160));
  sea.setColorAt(1.0, QColor(5, 25, 80));
  p.fillRect(QRectF(0, horizon, s, s - horizon), sea);

  // The sun's glitter on the water, narrowing towards the viewer's eye.
  p.setBrush(QColor(255, 210, 90));
  const int streaks = 3;
  for (int i = 0; i < streaks; ++i) {
    const qreal y = horizon + (s - horizon) * (i + 0.5) / streaks;
    const qreal half = s * (0.18 - 0.05 * i);
    p.drawRect(QRectF(s * 0.5 - half, y - s * 0.02, 2 * half, qMax<qreal>(1.0, s * 0.04)));
  }
  p.setPen(QPen(QColor(60, 40, 20), qMax<qreal>(1.0, s / 32)));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0.5, 0.5, s - 1, s - 1));
}

QPixmap SunsetPicture(int size) {
  QPixmap pixmap = Transparent(size, size);
  QPainter p(&pixmap);
  PaintSunset(p, size);
  return pixmap;
}

QIcon SunsetIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64})
    icon.addPixmap(SunsetPicture(size));
  return icon;
}

QPixmap ArrowPicture(ArrowDirection direction, int width, int height) {
  QPixmap pixmap = Transparent(width, height);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // Drawn pointing up in a unit square, then turned.
  const QPolygonF arrow(
      {{0.5, 0.1}, {0.9, 0.5}, {0.65, 0.5}, {0.65, 0.9}, {0.35, 0.9}, {0.35, 0.5}, {0.1, 0.5}});
  const qreal side = qMin(width, height);
  QTransform t;
  t.translate(width / 2.0, height / 2.0);
  switch (direction) {
    case ArrowDirection::Up:
      break;
    case ArrowDirection::Right:
      t.rotate(90);
      break;
    case ArrowDirection::Down:
      t.rotate(180);
      break;
    case ArrowDirection::Left:
      t.rotate(270);
      break;
  }
  t.scale(side, side);
  t.translate(-0.5, -0.5);
  p.setTransform(t);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 128));
  p.drawPolygon(arrow);
  return pixmap;
}

QPixmap WarningPicture(int size) {
  QPixmap pixmap = Transparent(size, size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  QPainterPath triangle;
  triangle.moveTo(s * 0.5, s * 0.06);
  triangle.lineTo(s * 0.96, s * 0.9);
  triangle.lineTo(s * 0.04, s * 0.9);
  triangle.closeSubpath();
  p.setPen(QPen(QColor(120, 0, 0), qMax<qreal>(1.0, s / 24), Qt::SolidLine, Qt::RoundCap,
                Qt::RoundJoin));
  p.setBrush(QColor(230, 20, 20));
  p.drawPath(triangle);
  // The exclamation mark.
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  QPainterPath bar;
  bar.moveTo(s * 0.44, s * 0.32);
  bar.lineTo(s * 0.56, s * 0.32);
  bar.lineTo(s * 0.53, s * 0.64);
  bar.lineTo(s * 0.47, s * 0.64);
  bar.closeSubpath();
  p.drawPath(bar);
  p.drawEllipse(QPointF(s * 0.5, s * 0.76), s * 0.06, s * 0.06);
  return pixmap;
}

QPixmap FacePicture(bool smiling, int size) {
  QPixmap pixmap = Transparent(size, size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  const qreal line = qMax<qreal>(1.0, s / 16);
  p.setPen(QPen(QColor(90, 60, 0), line));
  p.setBrush(QColor(255, 220, 0));
  p.drawEllipse(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawEllipse(QPointF(s * 0.36, s * 0.38), s * 0.06, s * 0.08);
  p.drawEllipse(QPointF(s * 0.64, s * 0.38), s * 0.06, s * 0.08);
  QPen mouth(Qt::black, line * 1.3, Qt::SolidLine, Qt::RoundCap);
  p.setPen(mouth);
  p.setBrush(Qt::NoBrush);
  // Angles in 1/16 degree: the lower arc of a circle smiles, the upper frowns.
  if (smiling) {
    p.drawArc(QRectF(s * 0.28, s * 0.34, s * 0.44, s * 0.38), 200 * 16, 140 * 16);
  } else {
    p.drawArc(QRectF(s * 0.28, s * 0.62, s * 0.44, s * 0.3), 20 * 16, 140 * 16);
  }
  return pixmap;
}

QPixmap ConcentricSquaresPicture(int size) {
  QPixmap pixmap = Transparent(size, size);
  QPainter p(&pixmap);
  const QColor colours[] = {QColor(255, 0, 0),   QColor(255, 160, 0), QColor(255, 255, 0),
                            QColor(0, 220, 0),   QColor(0, 200, 255), QColor(0, 0, 255),
                            QColor(200, 0, 255), QColor(255, 0, 160)};
  const int steps = static_cast<int>(std::size(colours));
  const qreal s = size;
  const qreal step = s / (2.0 * steps);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < steps; ++i) {
    p.setBrush(colours[i]);
    p.drawRect(QRectF(i * step, i * step, s - 2 * i * step, s - 2 * i * step));
  }
  return pixmap;
}

}  // namespace ndr
