// The grid's columns, selection, navigation and sorting.
#include "message_grid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "bounce_reason.h"
#include "number_format.h"

namespace ndr {
namespace {

constexpr int kLeftButton = 1;

// Header texts and widths (in width units) of the 12 columns. Each label ends
// in the blank that the sort commands turn into "+" or "-". The degree sign is
// UTF-8, like every other text in the grid.
constexpr std::array<std::string_view, 12> kHeaderLabels = {
    "N\xC2\xB0 ", "Name: ",  "Size: ",   "Subject: ", "Date: ", "From: ",
    "To: ",       "To_In: ", "Sub_In: ", "Date_In: ", "LL: ",   "Reason: "};
constexpr std::array<int, 12> kWidthFactors = {3, 6, 6, 5, 18, 5, 5, 25, 25, 18, 4, 40};
constexpr char kColumnLayout[] = " >|< | >|< |< |< |< |< |< |< |> |< ";
constexpr std::int32_t kReasonCol = 11;

// Nearest whole number, ties to the even one, whatever the FPU's rounding mode.
std::int32_t RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  double result = floor;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0))
    result = floor + 1.0;
  return static_cast<std::int32_t>(result);
}

}  // namespace

void MessageGrid::Reset() {
  // The rows go first, so that clearing touches only the two that stay.
  grid_.SetRows(grid_.FixedRows() + 1);
  grid_.Clear();
  const std::int32_t widthUnit = RoundHalfEven(grid_.FontSize() * toolkit_.TwipsPerPixelX());
  grid_.SetFormatString(kColumnLayout);
  grid_.SetSortKey(kReasonCol, ReasonSortKey);
  for (std::size_t col = 0; col < kHeaderLabels.size(); ++col) {
    grid_.SetTextMatrix(0, static_cast<std::int32_t>(col), std::string(kHeaderLabels[col]));
  }
  for (std::size_t col = 0; col < kWidthFactors.size(); ++col) {
    grid_.SetColWidth(static_cast<std::int32_t>(col), widthUnit * kWidthFactors[col]);
  }
  grid_.SetTextMatrix(1, 0, FormatZeroPadded(1, 3));
  UpdateSelectionCount();
}

MessageGrid::RowRange MessageGrid::SelectedRange() const {
  RowRange range{std::min(grid_.Row(), grid_.RowSel()), std::max(grid_.Row(), grid_.RowSel()),
                 std::min(grid_.Col(), grid_.ColSel()), std::max(grid_.Col(), grid_.ColSel())};
  range.top = std::max(range.top, grid_.FixedRows());
  return range;
}

void MessageGrid::UpdateSelectionCount() {
  const std::int32_t top = std::min(grid_.Row(), grid_.RowSel());
  const std::int32_t bottom = std::max(grid_.Row(), grid_.RowSel());
  const std::int32_t left = std::min(grid_.Col(), grid_.ColSel());
  const std::int32_t right = std::max(grid_.Col(), grid_.ColSel());
  selectedRows_ = std::to_string(bottom - top + 1);
  selectedCols_ = std::to_string(right - left + 1);
}

std::int32_t MessageGrid::RowToView() const {
  const std::int32_t col = grid_.Col();
  const bool opens = grid_.Row() >= grid_.FixedRows() && (col == 0 || col == kSubjectCol);
  return opens ? grid_.Row() : -1;
}

// --- Mouse -----------------------------------------------------------------------

void MessageGrid::MouseDown(int button) {
  if (grid_.MouseRow() == 0) {
    grid_.SetRow(0);
    grid_.SetCol(grid_.MouseCol());
    if (button == kLeftButton) {
      SortToggle();
    } else {
      toolkit_.ShowPopupMenu(PopupMenu::Header);
    }
  } else if (button != kLeftButton) {
    toolkit_.ShowPopupMenu(PopupMenu::Body);
  }
}

void MessageGrid::MouseMove() {
  const std::int32_t r = grid_.MouseRow();
  const std::int32_t c = grid_.MouseCol();
  const bool overBody = r >= 1 && r < grid_.Rows() && c >= 1 && c < grid_.Cols();
  const std::string_view hint = overBody ? grid_.TextMatrix(r, c) : std::string_view();
  if (hint != grid_.ToolTipText())
    grid_.SetToolTipText(hint);
}

void MessageGrid::MouseUp() {
  if (grid_.MouseRow() == 0)
    grid_.SetRow(0);
  if (grid_.MouseCol() == 0)
    grid_.SetCol(0);
}

// --- Sorting ---------------------------------------------------------------------

void MessageGrid::ClearSortMarks() {
  for (std::int32_t c = 0; c < grid_.Cols(); ++c) {
    std::string header(grid_.TextMatrix(0, c));
    if (header.empty() || header.back() == ' ')
      continue;
    header.back() = ' ';
    grid_.SetTextMatrix(0, c, header);
  }
}

void MessageGrid::SortByCurrentColumn(int order, char mark) {
  grid_.Sort(order);
  ClearSortMarks();
  std::string header(grid_.TextMatrix(0, grid_.Col()));
  if (header.empty())
    return;
  header.back() = mark;
  grid_.SetTextMatrix(0, grid_.Col(), header);
}

void MessageGrid::SortToggle() {
  const std::string_view header = grid_.TextMatrix(0, grid_.Col());
  if (!header.empty() && header.back() == '+') {
    SortDescending();
  } else {
    SortAscending();
  }
}

// --- Selection and navigation ----------------------------------------------------

void MessageGrid::SelectAll() {
  grid_.SetRow(grid_.FixedRows());
  grid_.SetCol(grid_.FixedCols());
  grid_.SetRowSel(grid_.Rows() - 1);
  grid_.SetColSel(grid_.Cols() - 1);
  UpdateSelectionCount();
}

void MessageGrid::MoveUp() {
  MoveRowTo(grid_.Row() - 1);
}
void MessageGrid::MoveDown() {
  MoveRowTo(grid_.Row() + 1);
}
void MessageGrid::MoveLeft() {
  MoveColTo(grid_.Col() - 1);
}
void MessageGrid::MoveRight() {
  MoveColTo(grid_.Col() + 1);
}

// An arrow moves the current cell and its selection along one axis, within
// the body; past its edge it does nothing.
void MessageGrid::MoveRowTo(std::int32_t row) {
  if (row < grid_.FixedRows() || row > grid_.Rows() - 1)
    return;
  grid_.SetRow(row);
  grid_.SetRowSel(row);
}

void MessageGrid::MoveColTo(std::int32_t col) {
  if (col < grid_.FixedCols() || col > grid_.Cols() - 1)
    return;
  grid_.SetCol(col);
  grid_.SetColSel(col);
}

void MessageGrid::MoveHome() {
  grid_.SetRow(0);
  grid_.SetCol(0);
}

}  // namespace ndr
