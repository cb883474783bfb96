#include "frame_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace ndr {

FrameBox::FrameBox(const QString& caption, QWidget* parent)
    : QWidget(parent),
      caption_(caption),
      background_(palette().color(QPalette::Window)),
      captionColour_(palette().color(QPalette::WindowText)) {}

void FrameBox::SetColours(const QColor& background, const QColor& captionColour) {
  background_ = background;
  captionColour_ = captionColour;
  update();
}

void FrameBox::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  p.fillRect(rect(), background_);
  const QFontMetrics metrics(font());
  const int lineY = metrics.height() / 2;
  // An etched border: a dark line with a light one beside it.
  const QRect border = rect().adjusted(0, lineY, -2, -2);
  p.setPen(QColor(128, 128, 128));
  p.drawRect(border);
  p.setPen(Qt::white);
  p.drawRect(border.translated(1, 1));

  if (caption_.isEmpty())
    return;
  const int textWidth = metrics.horizontalAdvance(caption_);
  const QRect textRect(8, 0, qMin(textWidth + 4, width() - 10), metrics.height());
  p.fillRect(textRect, background_);
  p.setPen(captionColour_);
  p.drawText(textRect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, caption_);
}

void FrameBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    emit doubleClicked();
  QWidget::mouseDoubleClickEvent(event);
}

}  // namespace ndr
