#include "grid_input.h"

#include <algorithm>
#include <cmath>

namespace ndr {
namespace {

constexpr int kPageUp = 33, kPageDown = 34, kEnd = 35, kHome = 36;
constexpr int kLeftKey = 37, kUpKey = 38, kRightKey = 39, kDownKey = 40;

int Px(std::int32_t twips, double twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

// The column under x, counting the fixed column and the scrolled body; -1
// beside the last column. nearest: the nearest column instead.
std::int32_t ColumnAt(const Grid& grid, const GridViewport& view, int x, bool nearest) {
  const int fixedWidth = Px(grid.ColWidth(0), view.twipsPerPixel);
  if (x < fixedWidth)
    return x >= 0 || nearest ? 0 : -1;
  int right = fixedWidth - view.leftPx;
  for (std::int32_t col = grid.FixedCols(); col < grid.Cols(); ++col) {
    right += Px(grid.ColWidth(col), view.twipsPerPixel);
    if (x < right)
      return col;
  }
  return nearest ? grid.Cols() - 1 : -1;
}

std::int32_t RowAt(const Grid& grid, const GridViewport& view, int y, bool nearest) {
  const int rowHeight = std::max(1, view.rowHeight);
  if (y < rowHeight)
    return y >= 0 || nearest ? 0 : -1;
  const std::int32_t row = view.topRow + (y - rowHeight) / rowHeight;
  if (row < grid.Rows())
    return row;
  return nearest ? grid.Rows() - 1 : -1;
}

}  // namespace

GridPoint PointOnGrid(const Grid& grid, const GridViewport& view, int x, int y) {
  GridPoint point;
  const bool inside = x >= 0 && y >= 0 && x < view.width && y < view.height;
  if (inside) {
    point.at = {RowAt(grid, view, y, false), ColumnAt(grid, view, x, false)};
    if (point.at.row < 0 || point.at.col < 0)
      point.at = {};
  }
  point.nearest = {RowAt(grid, view, y, true), ColumnAt(grid, view, x, true)};
  point.x = static_cast<float>(x * view.twipsPerPixel);
  point.y = static_cast<float>(y * view.twipsPerPixel);
  return point;
}

void GridInput::Select(std::int32_t anchorRow, std::int32_t anchorCol, std::int32_t row,
                       std::int32_t col) {
  grid_.Select(anchorRow, anchorCol, row, col);
  desk_.MSFlexGrid1_SelChange();
}

// A left press on a body cell selects it and starts a drag; on a row's
// number it selects the whole row. Shift extends from the current cell.
void GridInput::Press(int button, int shift, const GridPoint& point) {
  if (desk_.Scanning())
    return;
  const GridCell cell = point.at;
  grid_.SetMouseCell(cell.row, cell.col);
  if (button == kLeft && cell.row >= grid_.FixedRows()) {
    const bool extend = (shift & kShift) != 0;
    wholeRows_ = cell.col < grid_.FixedCols();
    anchorRow_ = extend ? std::max(grid_.Row(), grid_.FixedRows()) : cell.row;
    anchorCol_ = wholeRows_ ? grid_.FixedCols()
                            : (extend ? std::max(grid_.Col(), grid_.FixedCols()) : cell.col);
    Select(anchorRow_, anchorCol_, cell.row, wholeRows_ ? grid_.Cols() - 1 : cell.col);
    pressed_ = true;
    pressScan_ = desk_.ScansStarted();
  }
  desk_.MSFlexGrid1_MouseDown(button, shift, point.x, point.y);
}

void GridInput::Move(int buttons, int shift, const GridPoint& point) {
  if (desk_.Scanning())
    return;
  grid_.SetMouseCell(point.at.row, point.at.col);
  if (Captured() && (buttons & kLeft) != 0) {
    const std::int32_t row = std::max(point.nearest.row, grid_.FixedRows());
    const std::int32_t col =
        wholeRows_ ? grid_.Cols() - 1 : std::max(point.nearest.col, grid_.FixedCols());
    if (row != grid_.RowSel() || col != grid_.ColSel())
      Select(anchorRow_, anchorCol_, row, col);
  }
  desk_.MSFlexGrid1_MouseMove(buttons, shift, point.x, point.y);
}

void GridInput::Release(int button, int shift, const GridPoint& point) {
  if (button == kLeft)
    pressed_ = false;
  if (desk_.Scanning())
    return;
  grid_.SetMouseCell(point.at.row, point.at.col);
  desk_.MSFlexGrid1_MouseUp(button, shift, point.x, point.y);
}

void GridInput::DoubleClick(int button, const GridPoint& point) {
  if (desk_.Scanning())
    return;
  grid_.SetMouseCell(point.at.row, point.at.col);
  if (button == kLeft)
    desk_.MSFlexGrid1_DblClick();
}

void GridInput::Leave() {
  grid_.SetMouseCell(-1, -1);
  grid_.SetToolTipText("");
}

bool GridInput::KeyDown(int keyCode, int shift, std::int32_t pageRows) {
  if (desk_.Scanning() || grid_.Rows() <= grid_.FixedRows())
    return false;
  const bool extend = (shift & kShift) != 0, ctrl = (shift & kCtrl) != 0;
  std::int32_t row = extend ? grid_.RowSel() : grid_.Row();
  std::int32_t col = extend ? grid_.ColSel() : grid_.Col();
  const std::int32_t page = std::max<std::int32_t>(1, pageRows);
  switch (keyCode) {
    case kUpKey:
      --row;
      break;
    case kDownKey:
      ++row;
      break;
    case kLeftKey:
      --col;
      break;
    case kRightKey:
      ++col;
      break;
    case kPageUp:
      row -= page;
      break;
    case kPageDown:
      row += page;
      break;
    case kHome:
      row = ctrl ? grid_.FixedRows() : row;
      col = grid_.FixedCols();
      break;
    case kEnd:
      row = ctrl ? grid_.Rows() - 1 : row;
      col = grid_.Cols() - 1;
      break;
    default:
      return false;
  }
  row = std::clamp<std::int32_t>(row, grid_.FixedRows(), grid_.Rows() - 1);
  col = std::clamp<std::int32_t>(col, grid_.FixedCols(), grid_.Cols() - 1);
  const std::int32_t fromRow = extend ? std::max(grid_.Row(), grid_.FixedRows()) : row;
  const std::int32_t fromCol = extend ? std::max(grid_.Col(), grid_.FixedCols()) : col;
  Select(fromRow, fromCol, row, col);
  return true;
}

void GridInput::KeyUp(int keyCode, int shift, bool autoRepeat) {
  if (!autoRepeat)
    desk_.MSFlexGrid1_KeyUp(keyCode, shift);
}

}  // namespace ndr
