// The grid as a list of messages: its columns, the current cell and the
// selection with their counters, moving the current cell, the hint, and
// sorting by a column with the mark in its header.
#pragma once

#include <cstdint>
#include <string>

#include "grid.h"
#include "toolkit.h"

namespace ndr {

class MessageGrid {
 public:
  static constexpr std::int32_t kNameCol = 1, kSubjectCol = 3;

  // The selected rows as the actions take them: a header row is skipped, so
  // the range is empty when top > bottom.
  struct RowRange {
    std::int32_t top, bottom, left, right;
  };

  MessageGrid(Toolkit& toolkit, Grid& grid) : toolkit_(toolkit), grid_(grid) {}

  // Empties the grid down to its header and one placeholder row.
  void Reset();
  RowRange SelectedRange() const;
  // The counters of the selection's rows and columns (txt_NbSelV, txt_NbSelH).
  const std::string& SelectedRowsText() const { return selectedRows_; }
  const std::string& SelectedColsText() const { return selectedCols_; }
  void UpdateSelectionCount();
  // The row whose message a double-click on the current cell opens; -1 for
  // a cell that opens none.
  std::int32_t RowToView() const;

  // The mouse on the grid, as the grid's own events report it.
  void MouseDown(int button);
  void MouseMove();
  void MouseUp();

  void ClearSortMarks();
  void SortAscending() { SortByCurrentColumn(1, '+'); }
  void SortDescending() { SortByCurrentColumn(2, '-'); }
  // Descending when the column is sorted ascending, else ascending.
  void SortToggle();

  void SelectAll();
  void MoveUp();
  void MoveDown();
  void MoveLeft();
  void MoveRight();
  void MoveHome();

 private:
  void MoveRowTo(std::int32_t row);
  void MoveColTo(std::int32_t col);
  void SortByCurrentColumn(int order, char mark);

  Toolkit& toolkit_;
  Grid& grid_;
  std::string selectedRows_, selectedCols_;
};

}  // namespace ndr
