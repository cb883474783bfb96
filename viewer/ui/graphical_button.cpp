#include "graphical_button.h"

#include <QPainter>
#include <QPalette>

namespace ndr {

GraphicalButton::GraphicalButton(QWidget* parent)
    : QAbstractButton(parent), face_(palette().color(QPalette::Button)) {
  setFocusPolicy(Qt::StrongFocus);  // a click takes the focus, as from a text box
}

void GraphicalButton::SetFace(const QColor& face) {
  face_ = face;
  update();
}

void GraphicalButton::SetPicture(const QPixmap& picture) {
  picture_ = picture;
  update();
}

QSize GraphicalButton::sizeHint() const {
  return {25, 25};
}

void GraphicalButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, face_);

  // A two-pixel bevel: raised at rest, sunken while pressed.
  const bool down = isDown() || isChecked();
  const QColor light = down ? QColor(64, 64, 64) : Qt::white;
  const QColor dark = down ? Qt::white : QColor(64, 64, 64);
  p.setPen(light);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(dark);
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());

  const QRect inner = r.adjusted(2, 2, -2, -2).translated(down ? 1 : 0, down ? 1 : 0);
  if (!picture_.isNull()) {
    // The picture keeps its shape and shrinks to fit a small button.
    const QSize size =
        picture_.size().scaled(inner.size(), Qt::KeepAspectRatio).boundedTo(picture_.size());
    QRect target(QPoint(0, 0), size);
    target.moveCenter(inner.center());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(target, picture_);
  }
  if (!text().isEmpty()) {
    p.setPen(isEnabled() ? Qt::black : QColor(128, 128, 128));
    p.setFont(font());
    p.drawText(inner, Qt::AlignCenter, text());
  }
  if (hasFocus()) {
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(r.adjusted(3, 3, -4, -4));
  }
}

}  // namespace ndr
