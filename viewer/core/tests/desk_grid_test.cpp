// Working the grid beside what the shared window scenarios show: popup
// menus, the Reason column's order, whole-row and keyboard selection, and
// the cell under a point.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desk.h"
#include "fake_toolkit.h"
#include "grid.h"
#include "grid_input.h"

namespace ndr {
namespace {

constexpr int kLeft = 1, kRight = 2;
constexpr std::int32_t kSubject = 3, kReason = 11;

class GridWorkTest : public ::testing::Test {
 protected:
  GridWorkTest() : desk_(toolkit_, grid_), input_(desk_, grid_) {
    desk_.ShowFolder("P:\\Diverido\\Mail\\~Bounces");
    desk_.ResetGrid();
  }

  // Rows as a scan would make them, without files.
  void AddRows(int count) {
    for (int i = 1; i <= count; ++i) {
      MessageInfo info;
      info.FileName = desk_.CurrentFolder() + "\\m" + std::to_string(i) + ".cnm";
      info.Subject = "subject " + std::to_string((i * 7) % count);
      desk_.AddMessageRow(info);
    }
    grid_.RemoveItem(grid_.Rows() - 1);  // the placeholder, as a scan ends
  }
  std::vector<std::string> Column(std::int32_t col) const {
    std::vector<std::string> cells;
    for (std::int32_t r = 1; r < grid_.Rows(); ++r)
      cells.emplace_back(grid_.TextMatrix(r, col));
    return cells;
  }
  void PressHeader(std::int32_t col, int button = kLeft) {
    grid_.SetMouseCell(0, col);
    desk_.MSFlexGrid1_MouseDown(button, 0, 0, 0);
    desk_.MSFlexGrid1_MouseUp(button, 0, 0, 0);
  }
  // A point over a cell (-1: beside the cells), its nearest cell the same.
  static GridPoint At(std::int32_t row, std::int32_t col) {
    GridPoint point;
    point.at = point.nearest = {row, col};
    return point;
  }
  std::vector<std::int32_t> Selected() const {
    return {grid_.Row(), grid_.Col(), grid_.RowSel(), grid_.ColSel()};
  }
  std::string Counts() const {
    return desk_.BoxText(ControlId::txt_NbSelV) + "x" + desk_.BoxText(ControlId::txt_NbSelH);
  }

  test::FakeToolkit toolkit_;
  Grid grid_;
  Desk desk_;
  GridInput input_;
};

TEST_F(GridWorkTest, RightPressesOpenTheMenusWithoutSorting) {
  AddRows(5);
  toolkit_.onPopup = [&](PopupMenu menu) {
    if (menu == PopupMenu::Header)
      desk_.MnuPOPHSortD_Click();  // "Sort -" chosen
  };
  PressHeader(kSubject, kRight);
  ASSERT_EQ(toolkit_.popups, std::vector<PopupMenu>{PopupMenu::Header});
  EXPECT_EQ(Column(kSubject), (std::vector<std::string>{"subject 4", "subject 3", "subject 2",
                                                        "subject 1", "subject 0"}));
  EXPECT_EQ(grid_.TextMatrix(0, kSubject), "Subject:-");

  // On the body: the Body menu, and the selection stays as it was, also
  // after a left press, which is the grid's own business.
  toolkit_.onPopup = nullptr;
  grid_.Select(4, 2, 2, 5);
  grid_.SetMouseCell(3, 3);
  desk_.MSFlexGrid1_MouseDown(kRight, 0, 0, 0);
  desk_.MSFlexGrid1_MouseDown(kLeft, 0, 0, 0);
  EXPECT_EQ(toolkit_.popups, (std::vector<PopupMenu>{PopupMenu::Header, PopupMenu::Body}));
  EXPECT_EQ(Selected(), std::vector<std::int32_t>({4, 2, 2, 5}));
}

// The Reason column groups temporary failures before permanent ones, and
// the same class together whatever the code; empty cells come first.
TEST_F(GridWorkTest, ReasonsSortByKindOfFailureThenClass) {
  const std::vector<std::string> reasons = {
      "5.1.1 unknown-user: a", "5.0.0 blocked: b",    "",
      "4.4.1 expired: c",      "550 unknown-user: d", "5.7.1 blocked: e",
      "4.2.2 mailbox-full: f"};
  AddRows(static_cast<int>(reasons.size()));
  for (std::size_t i = 0; i < reasons.size(); ++i)
    grid_.SetTextMatrix(static_cast<std::int32_t>(i + 1), kReason, reasons[i]);
  PressHeader(kReason);
  EXPECT_EQ(Column(kReason),
            (std::vector<std::string>{"", "4.2.2 mailbox-full: f", "4.4.1 expired: c",
                                      "5.1.1 unknown-user: a", "550 unknown-user: d",
                                      "5.0.0 blocked: b", "5.7.1 blocked: e"}));
}

TEST_F(GridWorkTest, WholeRowsAndKeyboardSelection) {
  AddRows(25);
  const std::int32_t last = grid_.Cols() - 1;  // a whole row spans columns 1 to last
  const std::string wholeRow = "x" + std::to_string(last);
  input_.Press(GridInput::kLeft, 0, At(9, 0));
  input_.Move(GridInput::kLeft, 0, At(11, 4));  // dragged down the numbers: whole rows
  EXPECT_EQ(Counts(), "3" + wholeRow);
  input_.Release(GridInput::kLeft, 0, At(11, 4));
  EXPECT_FALSE(input_.Captured());
  input_.Move(0, 0, At(1, 1));  // without the button down: nothing
  EXPECT_EQ(Counts(), "3" + wholeRow);

  // Keys move the current cell, Shift extends, Ctrl+End goes to the last row.
  struct Key {
    int code, shift;
    std::int32_t row, col, rowSel, colSel;
  };
  const Key keys[] = {{40, 0, 10, 1, 10, 1},       {38, 1, 10, 1, 9, 1},
                      {36, 2, 1, 1, 1, 1},         {35, 2, 25, last, 25, last},
                      {34, 0, 25, last, 25, last}, {33, 0, 15, last, 15, last}};
  for (const Key& key : keys) {
    ASSERT_TRUE(input_.KeyDown(key.code, key.shift, 10)) << key.code;
    EXPECT_EQ(Selected(), std::vector<std::int32_t>({key.row, key.col, key.rowSel, key.colSel}))
        << key.code << " " << key.shift;
  }
  EXPECT_FALSE(input_.KeyDown(65, 0, 10));
  desk_.ResetGrid();
  EXPECT_EQ(Counts(), "1x1");
}

TEST_F(GridWorkTest, CellUnderAPointIsNoneBesideTheCells) {
  AddRows(3);
  const std::int32_t last = grid_.Cols() - 1;
  for (std::int32_t c = 0; c < grid_.Cols(); ++c)
    grid_.SetColWidth(c, 300);  // 20 pixels at 15 twips a pixel
  GridViewport view;
  view.rowHeight = 16;
  view.width = 400;
  view.height = 300;
  struct Case {
    int x, y;
    GridCell at, nearest;
  };
  const Case cases[] = {
      {5, 5, {0, 0}, {0, 0}},                    // the corner
      {25, 16 * 3 + 2, {3, 1}, {3, 1}},          // last row
      {25, 16 * 4 + 2, {}, {3, 1}},              // below the last row: no cell
      {20 * (last + 1) + 1, 20, {}, {1, last}},  // beside the last column
      {-3, 20, {}, {1, 0}},                      // outside the grid
  };
  for (const Case& c : cases) {
    const GridPoint point = PointOnGrid(grid_, view, c.x, c.y);
    EXPECT_EQ(point.at, c.at) << c.x << "," << c.y;
    EXPECT_EQ(point.nearest, c.nearest) << c.x << "," << c.y;
  }
  view.topRow = 3;   // scrolled: the first row in view is row 3
  view.leftPx = 20;  // and one column across
  EXPECT_EQ(PointOnGrid(grid_, view, 25, 20).at, (GridCell{3, 2}));
}

}  // namespace
}  // namespace ndr
