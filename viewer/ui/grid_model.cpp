#include "grid_model.h"

#include <algorithm>

#include "core_text.h"
#include "form_layout.h"

namespace ndr {

namespace {
QColor Looks(Rgb GridLooks::*colour) {
  const Rgb& c = GridAppearance().*colour;
  return QColor(c.r, c.g, c.b);
}
}  // namespace

const QColor GridTableModel::kCellBackground = Looks(&GridLooks::cellBackground);
const QColor GridTableModel::kCellText = Looks(&GridLooks::cellText);
const QColor GridTableModel::kFixedBackground = Looks(&GridLooks::fixedBackground);
const QColor GridTableModel::kFixedText = Looks(&GridLooks::fixedText);

GridTableModel::GridTableModel(Grid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {
  rows_ = BodyRows();
  cols_ = BodyCols();
  grid_.SetObserver(this);
}

GridTableModel::~GridTableModel() {
  grid_.SetObserver(nullptr);
}

void GridTableModel::SetPicture(PictureHandle handle, const QPixmap& picture) {
  pictures_.insert(handle, picture);
}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : cols_;
}

bool GridTableModel::InGrid(std::int32_t row, std::int32_t col) const {
  return row >= 0 && col >= 0 && row < grid_.Rows() && col < grid_.Cols();
}

int GridTableModel::BodyRows() const {
  return std::max(0, grid_.Rows() - grid_.FixedRows());
}

int GridTableModel::BodyCols() const {
  return std::max(0, grid_.Cols() - grid_.FixedCols());
}

QVariant GridTableModel::CellAlignment(std::int32_t col) const {
  const Qt::Alignment horizontal =
      grid_.ColAlignment(col) == ColumnAlignment::Right ? Qt::AlignRight : Qt::AlignLeft;
  return QVariant::fromValue(horizontal | Qt::AlignVCenter);
}

// What a body cell and a header section share: text, alignment, colours, font.
QVariant GridTableModel::TextRole(std::int32_t row, std::int32_t col, int role,
                                  const QColor& background, const QColor& text) const {
  switch (role) {
    case Qt::DisplayRole:
      return FromCore(grid_.TextMatrix(row, col));
    case Qt::TextAlignmentRole:
      return CellAlignment(col);
    case Qt::BackgroundRole:
      return background;
    case Qt::ForegroundRole:
      return text;
    case Qt::FontRole:
      return font_;
    default:
      return {};
  }
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || resetDepth_ > 0)
    return {};
  const std::int32_t row = index.row() + grid_.FixedRows();
  const std::int32_t col = index.column() + grid_.FixedCols();
  if (!InGrid(row, col))
    return {};
  switch (role) {
    case PictureRole: {
      const PictureHandle handle = grid_.CellPictureAt(row, col);
      if (handle == kNoPicture)
        return {};
      const auto it = pictures_.constFind(handle);
      return it == pictures_.constEnd() ? QVariant() : QVariant(*it);
    }
    case PictureAlignmentRole:
      return grid_.CellPictureAlignmentAt(row, col);
    default:
      return TextRole(row, col, role, kCellBackground, kCellText);
  }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (resetDepth_ > 0 || section < 0)
    return {};
  const bool across = orientation == Qt::Horizontal;
  const std::int32_t row = across ? 0 : section + grid_.FixedRows();
  const std::int32_t col = across ? section + grid_.FixedCols() : 0;
  if (!InGrid(row, col))
    return {};
  return TextRole(row, col, role, kFixedBackground, kFixedText);
}

// --- Batched appends ---------------------------------------------------------

void GridTableModel::SetDeferAppends(bool defer) {
  if (!defer)
    FlushPendingRows();
  deferAppends_ = defer;
}

void GridTableModel::FlushPendingRows() {
  if (pendingRows_ == 0 || resetDepth_ > 0 || inChange_ || inDeferredAppend_)
    return;
  const int count = std::min(pendingRows_, BodyRows() - rows_);
  pendingRows_ = 0;
  if (count <= 0)
    return;
  beginInsertRows(QModelIndex(), rows_, rows_ + count - 1);
  rows_ += count;
  endInsertRows();
}

// --- Notices from the grid ---------------------------------------------------

void GridTableModel::BeginReset() {
  FlushPendingRows();
  if (resetDepth_++ == 0)
    beginResetModel();
}

void GridTableModel::EndReset() {
  if (resetDepth_ == 0 || --resetDepth_ > 0)
    return;
  rows_ = BodyRows();
  cols_ = BodyCols();
  pendingRows_ = 0;
  endResetModel();
  emit cornerTextChanged();
}

void GridTableModel::BeginInsertRows(std::int32_t first, std::int32_t last) {
  if (resetDepth_ > 0)
    return;
  const int from = std::max(0, first - grid_.FixedRows());
  const int to = std::max(from, last - grid_.FixedRows());
  if (deferAppends_ && !inChange_ && from == rows_ + pendingRows_) {
    inDeferredAppend_ = true;
    return;
  }
  FlushPendingRows();
  inChange_ = true;
  beginInsertRows(QModelIndex(), std::min(from, rows_), std::min(from, rows_) + (to - from));
}

void GridTableModel::EndInsertRows() {
  if (resetDepth_ > 0)
    return;
  if (inDeferredAppend_) {
    inDeferredAppend_ = false;
    pendingRows_ = std::max(0, BodyRows() - rows_);
    return;
  }
  if (!inChange_)
    return;
  rows_ = BodyRows();
  inChange_ = false;
  endInsertRows();
}

void GridTableModel::BeginRemoveRows(std::int32_t first, std::int32_t last) {
  FlushPendingRows();
  if (resetDepth_ > 0)
    return;
  const int from = first - grid_.FixedRows();
  const int to = last - grid_.FixedRows();
  inChange_ = true;
  beginRemoveRows(QModelIndex(), std::clamp(from, 0, rows_ - 1), std::clamp(to, 0, rows_ - 1));
}

void GridTableModel::EndRemoveRows() {
  if (resetDepth_ > 0 || !inChange_)
    return;
  rows_ = BodyRows();
  inChange_ = false;
  endRemoveRows();
}

void GridTableModel::CatchUp() {
  if (resetDepth_ > 0 || inChange_ || inDeferredAppend_)
    return;
  const int rows = BodyRows();
  const int cols = BodyCols();
  if (rows == rows_ + pendingRows_ && cols == cols_)
    return;
  beginResetModel();
  rows_ = rows;
  cols_ = cols;
  pendingRows_ = 0;
  endResetModel();
}

void GridTableModel::CellsChanged(std::int32_t row0, std::int32_t col0, std::int32_t row1,
                                  std::int32_t col1) {
  CatchUp();
  if (resetDepth_ > 0)
    return;
  const int fr = grid_.FixedRows(), fc = grid_.FixedCols();
  if (row0 > row1)
    std::swap(row0, row1);
  if (col0 > col1)
    std::swap(col0, col1);
  // Rows and columns outside the model (the header, or rows not yet
  // announced) are clipped away.
  const int top = std::max(row0, fr) - fr, bottom = std::min(row1 - fr, rows_ - 1);
  const int left = std::max(col0, fc) - fc, right = std::min(col1 - fc, cols_ - 1);
  if (row0 < fr && left <= right)
    emit headerDataChanged(Qt::Horizontal, left, right);
  if (col0 < fc && top <= bottom)
    emit headerDataChanged(Qt::Vertical, top, bottom);
  if (row0 < fr && col0 < fc)
    emit cornerTextChanged();
  if (top <= bottom && left <= right)
    emit dataChanged(index(top, left), index(bottom, right));
}

void GridTableModel::ColumnsChanged() {
  FlushPendingRows();
  CatchUp();
  if (resetDepth_ > 0)
    return;
  if (rows_ > 0 && cols_ > 0)
    emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1), {Qt::TextAlignmentRole});
  if (cols_ > 0)
    emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
  emit columnLayoutChanged();
}

// The selection may take in rows not yet announced: announced first, the
// view can show it.
void GridTableModel::SelectionChanged() {
  FlushPendingRows();
  emit gridSelectionChanged();
}

void GridTableModel::ToolTipChanged() {
  FlushPendingRows();
  emit gridToolTipChanged();
}

}  // namespace ndr
