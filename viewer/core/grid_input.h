// The grid's input as the operator gives it, decided once for every window:
// which cell lies under a point, what a press, a drag and a release do (a
// cell, a row by its number, Shift to extend), how long the pointer is
// captured, the hint of the cell under the pointer, keyboard movement, and
// which key releases count. A window turns its native events into these
// calls and paints the grid's state afterwards.
#pragma once

#include <cstdint>

#include "desk.h"
#include "grid.h"

namespace ndr {

// A cell of the grid; -1 and -1 where there is none.
struct GridCell {
  std::int32_t row = -1, col = -1;
  bool operator==(const GridCell&) const = default;
};

// Where a point lies: the cell under it (none beside or below the cells),
// the nearest cell (for a drag that leaves the grid), and the point itself in
// twips from the grid's corner, as the grid events report it.
struct GridPoint {
  GridCell at, nearest;
  float x = 0, y = 0;
};

// How the grid lies on the screen, in pixels: every row alike, the columns
// as wide as the grid's widths in twips, the body scrolled to topRow and
// leftPx.
struct GridViewport {
  double twipsPerPixel = 15;
  int rowHeight = 16;
  int width = 0, height = 0;  // the grid's client area
  std::int32_t topRow = 1;    // first body row in view
  int leftPx = 0;             // body columns scrolled away
};

GridPoint PointOnGrid(const Grid& grid, const GridViewport& view, int x, int y);

class GridInput {
 public:
  static constexpr int kLeft = 1, kRight = 2, kMiddle = 4;  // buttons
  static constexpr int kShift = 1, kCtrl = 2;               // shift state bits

  GridInput(Desk& desk, Grid& grid) : desk_(desk), grid_(grid) {}

  void Press(int button, int shift, const GridPoint& point);
  void Move(int buttons, int shift, const GridPoint& point);
  void Release(int button, int shift, const GridPoint& point);
  // The second press of a double-click is the grid's double-click, not a
  // press: the first click's release has already placed the current cell.
  void DoubleClick(int button, const GridPoint& point);
  // Another window took the pointer (a popup menu): the press is over.
  void CaptureLost() { pressed_ = false; }
  // The pointer went elsewhere: no cell under it, no hint.
  void Leave();
  // Arrow, page, Home and End keys move the current cell (Shift extends);
  // false for any other key. pageRows: the body rows in view.
  bool KeyDown(int keyCode, int shift, std::int32_t pageRows);
  // A release that the key's auto-repeat made is not one.
  void KeyUp(int keyCode, int shift, bool autoRepeat);

  // The pointer belongs to the grid from a left press on the body until its
  // release; a scan that starts meanwhile ends the press.
  bool Captured() const { return pressed_ && pressScan_ == desk_.ScansStarted(); }
  // The hint to show over the grid; empty: none.
  const std::string& Hint() const { return grid_.ToolTipText(); }

 private:
  void Select(std::int32_t anchorRow, std::int32_t anchorCol, std::int32_t row, std::int32_t col);

  Desk& desk_;
  Grid& grid_;
  bool pressed_ = false, wholeRows_ = false;
  std::uint64_t pressScan_ = 0;
  std::int32_t anchorRow_ = 1, anchorCol_ = 1;
};

}  // namespace ndr
