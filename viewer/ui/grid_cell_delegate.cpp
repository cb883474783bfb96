#include "grid_cell_delegate.h"

#include <QPainter>
#include <QPixmap>

#include "grid_model.h"

namespace ndr {

QRect GridCellDelegate::PictureRect(const QRect& cell, const QSize& picture, int alignment) {
  // A picture taller than the row shrinks to fit it.
  const QSize size =
      picture.height() > cell.height() ? picture.scaled(cell.size(), Qt::KeepAspectRatio) : picture;
  if (alignment < 0 || alignment > 8)
    alignment = 0;
  const int across = alignment / 3;  // 0 left, 1 centre, 2 right
  const int down = alignment % 3;    // 0 top, 1 centre, 2 bottom
  const int x = across == 0   ? cell.left()
                : across == 1 ? cell.left() + (cell.width() - size.width()) / 2
                              : cell.right() + 1 - size.width();
  const int y = down == 0   ? cell.top()
                : down == 1 ? cell.top() + (cell.height() - size.height()) / 2
                            : cell.bottom() + 1 - size.height();
  return {QPoint(x, y), size};
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  const QVariant picture = index.data(GridTableModel::PictureRole);
  if (!picture.isValid())
    return;
  const QPixmap pixmap = picture.value<QPixmap>();
  if (pixmap.isNull())
    return;
  const int alignment = index.data(GridTableModel::PictureAlignmentRole).toInt();
  painter->save();
  painter->setClipRect(option.rect);
  painter->setRenderHint(QPainter::SmoothPixmapTransform);
  painter->drawPixmap(PictureRect(option.rect, pixmap.size(), alignment), pixmap);
  painter->restore();
}

}  // namespace ndr
