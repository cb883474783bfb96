#include "pictures.h"

#include <QPainter>
#include <QPolygonF>

namespace ndr {
namespace {

QColor ToQColor(const Rgb& colour) {
  return QColor(colour.r, colour.g, colour.b);
}

}  // namespace

namespace {

void PaintPicture(QPainter& p, Picture picture, qreal width, qreal height) {
  p.setRenderHint(QPainter::Antialiasing);
  const qreal side = qMin(width, height);
  const QPointF origin((width - side) / 2.0, (height - side) / 2.0);
  const auto at = [&](const UnitPoint& u) { return origin + QPointF(u.x * side, u.y * side); };
  for (const Shape& shape : PictureShapes(picture)) {
    if (shape.pen) {
      QPen pen(ToQColor(*shape.pen), qMax<qreal>(1.0, shape.penWidth * side), Qt::SolidLine,
               Qt::RoundCap, Qt::RoundJoin);
      p.setPen(pen);
    } else {
      p.setPen(Qt::NoPen);
    }
    p.setBrush(shape.fill ? QBrush(ToQColor(*shape.fill)) : QBrush(Qt::NoBrush));
    switch (shape.kind) {
      case ShapeKind::Rect:
        p.drawRect(QRectF(at(shape.points[0]), at(shape.points[1])).normalized());
        break;
      case ShapeKind::Ellipse:
        p.drawEllipse(QRectF(at(shape.points[0]), at(shape.points[1])).normalized());
        break;
      case ShapeKind::Polygon: {
        QPolygonF polygon;
        for (const UnitPoint& u : shape.points)
          polygon << at(u);
        p.drawPolygon(polygon);
        break;
      }
      case ShapeKind::Arc:
        // Qt counts arcs in sixteenths of a degree.
        p.drawArc(QRectF(at(shape.points[0]), at(shape.points[1])).normalized(),
                  qRound(shape.startDegrees * 16), qRound(shape.spanDegrees * 16));
        break;
    }
  }
}

}  // namespace

QPixmap RenderPicture(Picture picture, int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  PaintPicture(p, picture, width, height);
  return pixmap;
}

void PaintSunset(QPainter& p, qreal s) {
  PaintPicture(p, Picture::Sunset, s, s);
}

QPixmap SunsetPicture(int size) {
  return RenderPicture(Picture::Sunset, size, size);
}

QIcon SunsetIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64})
    icon.addPixmap(RenderPicture(Picture::Sunset, size, size));
  return icon;
}

}  // namespace ndr
