// The grid's events, selection, navigation and sorting.
#include "desk.h"

#include <algorithm>

namespace ndr {
namespace {

constexpr int kDeleteKey = 46;
constexpr int kLeftButton = 1;

}  // namespace

// --- Grid events -----------------------------------------------------------------

void Desk::MSFlexGrid1_DblClick() {
  if (scanning_)
    return;
  const std::int32_t col = grid_.Col();
  if (grid_.Row() >= grid_.FixedRows() && (col == 0 || col == kSubjectCol)) {
    ViewMessageAt(grid_.Row());
  }
}

// Modifier keys are deliberately not looked at: Shift+Delete deletes too.
void Desk::MSFlexGrid1_KeyUp(int keyCode, int /*shift*/) {
  if (scanning_)
    return;
  if (keyCode == kDeleteKey)
    MnuPOPBDelete_Click();
}

void Desk::MSFlexGrid1_MouseDown(int button, int /*shift*/, float /*x*/, float /*y*/) {
  if (scanning_)
    return;
  if (grid_.MouseRow() == 0) {
    grid_.SetRow(0);
    grid_.SetCol(grid_.MouseCol());
    if (button == kLeftButton) {
      MnuPOPHSortX_Click();
    } else {
      toolkit_.ShowPopupMenu(PopupMenu::Header);
    }
  } else if (button != kLeftButton) {
    toolkit_.ShowPopupMenu(PopupMenu::Body);
  }
}

void Desk::MSFlexGrid1_MouseMove(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
  const std::int32_t r = grid_.MouseRow();
  const std::int32_t c = grid_.MouseCol();
  const bool overBody = r >= 1 && r < grid_.Rows() && c >= 1 && c < grid_.Cols();
  const std::string_view hint = overBody ? grid_.TextMatrix(r, c) : std::string_view();
  if (hint != grid_.ToolTipText())
    grid_.SetToolTipText(hint);
}

void Desk::MSFlexGrid1_MouseUp(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
  if (scanning_)
    return;
  if (grid_.MouseRow() == 0)
    grid_.SetRow(0);
  if (grid_.MouseCol() == 0)
    grid_.SetCol(0);
}

void Desk::MSFlexGrid1_SelChange() {
  UpdateSelectionCount();
}

void Desk::UpdateSelectionCount() {
  const std::int32_t top = std::min(grid_.Row(), grid_.RowSel());
  const std::int32_t bottom = std::max(grid_.Row(), grid_.RowSel());
  const std::int32_t left = std::min(grid_.Col(), grid_.ColSel());
  const std::int32_t right = std::max(grid_.Col(), grid_.ColSel());
  txt_NbSelV_ = std::to_string(bottom - top + 1);
  txt_NbSelH_ = std::to_string(right - left + 1);
}

// --- Sorting ---------------------------------------------------------------------

void Desk::ClearSortMarks() {
  for (std::int32_t c = 0; c < grid_.Cols(); ++c) {
    std::string header(grid_.TextMatrix(0, c));
    if (header.empty() || header.back() == ' ')
      continue;
    header.back() = ' ';
    grid_.SetTextMatrix(0, c, header);
  }
}

void Desk::SortByCurrentColumn(int order, char mark) {
  if (scanning_)
    return;
  grid_.Sort(order);
  ClearSortMarks();
  std::string header(grid_.TextMatrix(0, grid_.Col()));
  if (header.empty())
    return;
  header.back() = mark;
  grid_.SetTextMatrix(0, grid_.Col(), header);
}

void Desk::MnuPOPHSortA_Click() {
  SortByCurrentColumn(1, '+');
}
void Desk::MnuPOPHSortD_Click() {
  SortByCurrentColumn(2, '-');
}

void Desk::MnuPOPHSortX_Click() {
  const std::string_view header = grid_.TextMatrix(0, grid_.Col());
  if (!header.empty() && header.back() == '+') {
    MnuPOPHSortD_Click();
  } else {
    MnuPOPHSortA_Click();
  }
}

// --- Selection and navigation ----------------------------------------------------

void Desk::MnuPOPBSelectAll_Click() {
  if (scanning_)
    return;
  grid_.SetRow(grid_.FixedRows());
  grid_.SetCol(grid_.FixedCols());
  grid_.SetRowSel(grid_.Rows() - 1);
  grid_.SetColSel(grid_.Cols() - 1);
  UpdateSelectionCount();
}

void Desk::cmd_UP_Click() {
  if (scanning_)
    return;
  if (grid_.Row() <= grid_.FixedRows())
    return;
  grid_.SetRow(grid_.Row() - 1);
  grid_.SetRowSel(grid_.Row());
}

void Desk::cmd_DN_Click() {
  if (scanning_)
    return;
  if (grid_.Row() >= grid_.Rows() - 1)
    return;
  grid_.SetRow(grid_.Row() + 1);
  grid_.SetRowSel(grid_.Row());
}

void Desk::cmd_LT_Click() {
  if (scanning_)
    return;
  if (grid_.Col() <= grid_.FixedCols())
    return;
  grid_.SetCol(grid_.Col() - 1);
  grid_.SetColSel(grid_.Col());
}

void Desk::cmd_RT_Click() {
  if (scanning_)
    return;
  if (grid_.Col() >= grid_.Cols() - 1)
    return;
  grid_.SetCol(grid_.Col() + 1);
  grid_.SetColSel(grid_.Col());
}

void Desk::cmd_HO_Click() {
  if (scanning_)
    return;
  grid_.SetRow(0);
  grid_.SetCol(0);
}

}  // namespace ndr
