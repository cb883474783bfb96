// Working the grid: header presses and sort marks, popup menus, selection
// counts, the arrow buttons and the hint text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desk.h"
#include "fake_toolkit.h"
#include "grid.h"

namespace ndr {
namespace {

constexpr int kLeft = 1, kRight = 2;
constexpr std::int32_t kName = 1, kSize = 2, kSubject = 3, kDate = 4, kReason = 11;

class GridWorkTest : public ::testing::Test {
 protected:
  GridWorkTest() : desk_(toolkit_, grid_) {
    desk_.CurrentFolder = "P:\\Diverido\\Mail\\~Bounces";
    desk_.ResetGrid();
  }

  // Rows as a scan would make them, without files.
  void AddRows(int count) {
    for (int i = 1; i <= count; ++i) {
      MessageInfo info;
      info.FileName = desk_.CurrentFolder + "\\m" + std::to_string(i) + ".cnm";
      info.Size = (i * 37) % 11 * 100 + i;  // mixed digit counts: numbers must not sort as text
      info.Subject = "subject " + std::to_string(i);
      info.Date = {2004, 2, 1 + (i * 7) % 28, i % 24, 0, 0};
      desk_.AddMessageRow(info);
    }
    grid_.RemoveItem(grid_.Rows() - 1);  // the placeholder, as a scan ends
  }
  void PressHeader(std::int32_t col, int button = kLeft) {
    grid_.SetMouseCell(0, col);
    desk_.MSFlexGrid1_MouseDown(button, 0, 0, 0);
    desk_.MSFlexGrid1_MouseUp(button, 0, 0, 0);
  }
  std::vector<std::string> Column(std::int32_t col) const {
    std::vector<std::string> cells;
    for (std::int32_t r = 1; r < grid_.Rows(); ++r)
      cells.emplace_back(grid_.TextMatrix(r, col));
    return cells;
  }
  std::string Marks() const {
    std::string marks;
    for (std::int32_t c = 0; c < grid_.Cols(); ++c)
      marks += grid_.TextMatrix(0, c).back();
    return marks;
  }
  static bool Ordered(const std::vector<std::string>& cells, bool numeric, bool ascending) {
    for (std::size_t i = 1; i < cells.size(); ++i) {
      const bool inOrder =
          numeric ? std::stoll(cells[i - 1]) <= std::stoll(cells[i]) : cells[i - 1] <= cells[i];
      const bool reversed =
          numeric ? std::stoll(cells[i - 1]) >= std::stoll(cells[i]) : cells[i - 1] >= cells[i];
      if (ascending ? !inOrder : !reversed)
        return false;
    }
    return true;
  }

  test::FakeToolkit toolkit_;
  Grid grid_;
  Desk desk_;
};

TEST_F(GridWorkTest, HeaderPressesToggleTheSortAndMoveTheMark) {
  AddRows(12);
  PressHeader(kSize);
  EXPECT_TRUE(Ordered(Column(kSize), true, true));
  EXPECT_EQ(grid_.TextMatrix(0, kSize), "Size:+");
  EXPECT_EQ(Marks(), "  +         ");

  PressHeader(kSize);
  EXPECT_TRUE(Ordered(Column(kSize), true, false));
  EXPECT_EQ(grid_.TextMatrix(0, kSize), "Size:-");

  PressHeader(kDate);
  EXPECT_TRUE(Ordered(Column(kDate), false, true));
  EXPECT_EQ(Marks(), "    +       ");
  EXPECT_EQ(grid_.TextMatrix(0, kSize), "Size: ");

  // Rows move whole: each name still has its own size.
  for (std::int32_t r = 1; r < grid_.Rows(); ++r) {
    const int i = std::stoi(std::string(grid_.TextMatrix(r, kName).substr(1)));
    EXPECT_EQ(grid_.TextMatrix(r, kSize), std::to_string((i * 37) % 11 * 100 + i));
  }
}

TEST_F(GridWorkTest, RightPressesOpenTheMenusWithoutSorting) {
  AddRows(5);
  const auto before = Column(kSubject);
  toolkit_.onPopup = [&](PopupMenu menu) {
    if (menu == PopupMenu::Header)
      desk_.MnuPOPHSortD_Click();  // "Sort -" chosen
  };
  PressHeader(kSubject, kRight);
  ASSERT_EQ(toolkit_.popups, std::vector<PopupMenu>{PopupMenu::Header});
  EXPECT_TRUE(Ordered(Column(kSubject), false, false));
  EXPECT_EQ(grid_.TextMatrix(0, kSubject), "Subject:-");
  EXPECT_NE(Column(kSubject), before);

  // On the body: the Body menu, and the selection stays as it was.
  toolkit_.onPopup = nullptr;
  grid_.Select(4, 2, 2, 5);
  grid_.SetMouseCell(3, 3);
  desk_.MSFlexGrid1_MouseDown(kRight, 0, 0, 0);
  EXPECT_EQ(toolkit_.popups.back(), PopupMenu::Body);
  EXPECT_EQ(grid_.Row(), 4);
  EXPECT_EQ(grid_.RowSel(), 2);
  EXPECT_EQ(grid_.ColSel(), 5);

  // A left press on the body is the grid's own business.
  desk_.MSFlexGrid1_MouseDown(kLeft, 0, 0, 0);
  EXPECT_EQ(toolkit_.popups.size(), 2u);
  EXPECT_EQ(grid_.Row(), 4);
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
  EXPECT_EQ(grid_.TextMatrix(0, kReason), "Reason:+");
}

TEST_F(GridWorkTest, SelectionCounts) {
  AddRows(25);
  desk_.MnuPOPBSelectAll_Click();
  EXPECT_EQ(desk_.txt_NbSelV, "25");
  EXPECT_EQ(desk_.txt_NbSelH, "11");
  EXPECT_EQ(grid_.Row(), 1);
  EXPECT_EQ(grid_.Col(), 1);

  // A drag from row 7 up to row 3 over columns 2 to 4, either way round.
  grid_.Select(7, 4, 3, 2);
  desk_.MSFlexGrid1_SelChange();
  EXPECT_EQ(desk_.txt_NbSelV, "5");
  EXPECT_EQ(desk_.txt_NbSelH, "3");
  grid_.Select(3, 2, 7, 4);
  desk_.MSFlexGrid1_SelChange();
  EXPECT_EQ(desk_.txt_NbSelV, "5");
  EXPECT_EQ(desk_.txt_NbSelH, "3");

  desk_.ResetGrid();
  EXPECT_EQ(desk_.txt_NbSelV, "1");
}

}  // namespace
}  // namespace ndr
