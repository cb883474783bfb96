// Paints a grid cell as the standard delegate does, then the cell's picture
// at its picture alignment (7: right edge, vertically centred).
#pragma once

#include <QStyledItemDelegate>

namespace ndr {

class GridCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  // Where a picture of that size goes in the cell rectangle for an alignment
  // of the flex grid (0..8: left/centre/right by top/centre/bottom).
  static QRect PictureRect(const QRect& cell, const QSize& picture, int alignment);
};

}  // namespace ndr
