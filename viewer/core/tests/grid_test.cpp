// The grid model: shape, selection, rows in and out, the generic sort, and
// what the observer hears.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "grid.h"

namespace ndr {
namespace {

const std::string kLayout = " >|< | >|< |< |< |< |< |< |< |> ";

// Records notifications and checks that the grid is consistent whenever a
// Begin/End pair closes, as a Qt view would query it.
class Recorder : public GridObserver {
 public:
  explicit Recorder(const Grid& grid) : grid_(grid) {}
  void BeginReset() override { log_.push_back("reset"); }
  void BeginInsertRows(std::int32_t first, std::int32_t last) override {
    log_.push_back("insert " + std::to_string(first) + "-" + std::to_string(last));
    expectedRows_ = grid_.Rows() + (last - first + 1);
  }
  void EndInsertRows() override { EXPECT_EQ(grid_.Rows(), expectedRows_); }
  void BeginRemoveRows(std::int32_t first, std::int32_t last) override {
    log_.push_back("remove " + std::to_string(first) + "-" + std::to_string(last));
    expectedRows_ = grid_.Rows() - (last - first + 1);
    // What follows the run must move up onto first.
    afterRun_ = grid_.TextMatrix(last + 1, 0);
    removeFirst_ = first;
  }
  void EndRemoveRows() override {
    EXPECT_EQ(grid_.Rows(), expectedRows_);
    EXPECT_EQ(grid_.TextMatrix(removeFirst_, 0), afterRun_);
  }
  void CellsChanged(std::int32_t r0, std::int32_t c0, std::int32_t r1, std::int32_t c1) override {
    log_.push_back("cells " + std::to_string(r0) + "," + std::to_string(c0) + "-" +
                   std::to_string(r1) + "," + std::to_string(c1));
  }
  void ColumnsChanged() override { log_.push_back("columns"); }
  void SelectionChanged() override { log_.push_back("selection"); }
  void ToolTipChanged() override { log_.push_back("tooltip"); }

  std::vector<std::string> Take() { return std::exchange(log_, {}); }

 private:
  const Grid& grid_;
  std::vector<std::string> log_;
  std::int32_t expectedRows_ = 0, removeFirst_ = 0;
  std::string afterRun_;
};

class GridTest : public ::testing::Test {
 protected:
  GridTest() : recorder_(grid_) { grid_.SetObserver(&recorder_); }

  // Body rows whose column 0 is the row's original number and column c the
  // given texts.
  void Fill(std::int32_t col, const std::vector<std::string>& texts) {
    grid_.SetRows(1);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      grid_.AddItem(std::to_string(i + 1));
      grid_.SetTextMatrix(grid_.Rows() - 1, col, texts[i]);
    }
    recorder_.Take();
  }
  std::vector<std::string> Column(std::int32_t col) const {
    std::vector<std::string> cells;
    for (std::int32_t r = 1; r < grid_.Rows(); ++r)
      cells.push_back(grid_.TextMatrix(r, col));
    return cells;
  }
  void SortBy(std::int32_t col, int order) {
    grid_.SetRow(0);
    grid_.SetCol(col);
    grid_.Sort(order);
  }

  Grid grid_;
  Recorder recorder_;
};

using Texts = std::vector<std::string>;

TEST_F(GridTest, LayoutStringSetsColumnsAlignmentAndHeaders) {
  grid_.SetFormatString(kLayout);
  ASSERT_EQ(grid_.Cols(), 11);
  const std::string aligns = "RLRLLLLLLLR";
  for (std::int32_t c = 0; c < 11; ++c) {
    EXPECT_EQ(grid_.ColAlignment(c) == ColumnAlignment::Right ? 'R' : 'L', aligns[c]) << c;
    EXPECT_EQ(grid_.TextMatrix(0, c), " ") << c;
  }
  grid_.SetFormatString("a|>b|c<");
  EXPECT_EQ(grid_.Cols(), 3);
  EXPECT_EQ(grid_.TextMatrix(0, 2), "c");
  EXPECT_EQ(grid_.ColAlignment(1), ColumnAlignment::Right);
  EXPECT_EQ(grid_.TextMatrix(1, 2), "");
  grid_.SetFormatString("");
  EXPECT_EQ(grid_.Cols(), 1);  // never below the fixed column
}

TEST_F(GridTest, SelectionCollapsesExtendsAndClamps) {
  grid_.SetRows(10);
  recorder_.Take();
  grid_.SetRow(7);
  grid_.SetCol(4);
  grid_.SetRowSel(3);
  grid_.SetColSel(2);
  EXPECT_EQ(recorder_.Take().size(), 4u);
  EXPECT_EQ(grid_.Row(), 7);
  EXPECT_EQ(grid_.RowSel(), 3);
  EXPECT_EQ(grid_.ColSel(), 2);

  grid_.SetRow(5);  // a one-cell selection again
  EXPECT_EQ(grid_.RowSel(), 5);
  EXPECT_EQ(grid_.ColSel(), 4);
  grid_.SetRowSel(9);
  grid_.SetCol(1);
  EXPECT_EQ(grid_.RowSel(), 5);
  EXPECT_EQ(grid_.ColSel(), 1);

  grid_.Select(-5, 99, 1000, -1);
  EXPECT_EQ(grid_.Row(), 0);
  EXPECT_EQ(grid_.Col(), 10);
  EXPECT_EQ(grid_.RowSel(), 9);
  EXPECT_EQ(grid_.ColSel(), 0);
  recorder_.Take();
  grid_.Select(0, 10, 9, 0);
  EXPECT_TRUE(recorder_.Take().empty());  // nothing changed, nothing said

  grid_.SetRows(4);  // the selection follows the rows away
  EXPECT_EQ(grid_.RowSel(), 3);
  grid_.SetCols(3);
  EXPECT_EQ(grid_.Col(), 2);

  grid_.SetMouseCell(-7, 2);
  EXPECT_EQ(grid_.MouseRow(), -1);  // no cell, never the header row
  EXPECT_EQ(grid_.MouseCol(), 2);
  grid_.SetMouseCell(3, 3);
  EXPECT_EQ(grid_.MouseRow(), 3);
  EXPECT_EQ(grid_.MouseCol(), -1);  // past the last column, not the last one
  grid_.SetRows(3);
  EXPECT_EQ(grid_.MouseRow(), -1);
}

TEST_F(GridTest, CellsOutsideTheGridAreEmptyAndUnwritable) {
  grid_.SetTextMatrix(2, 0, "x");
  grid_.SetTextMatrix(-1, 0, "x");
  grid_.SetTextMatrix(0, 11, "x");
  EXPECT_TRUE(recorder_.Take().empty());
  EXPECT_EQ(grid_.TextMatrix(2, 0), "");
  EXPECT_EQ(grid_.TextMatrix(1, -1), "");
  EXPECT_EQ(grid_.CellPictureAt(5, 5), kNoPicture);
  EXPECT_EQ(grid_.ColWidth(11), 0);
  grid_.SetColWidth(4, 2232);
  EXPECT_EQ(grid_.ColWidth(4), 2232);
}

TEST_F(GridTest, ClearEmptiesCellsAndKeepsCounts) {
  grid_.SetFormatString(kLayout);
  grid_.AddItem("002");
  grid_.SetRow(2);
  grid_.SetCol(3);
  grid_.SetCellPictureAlignment(7);
  grid_.SetCellPicture(1234);
  EXPECT_EQ(grid_.CellPicture(), 1234);
  EXPECT_EQ(grid_.CellPictureAt(2, 3), 1234);
  EXPECT_EQ(grid_.CellPictureAlignmentAt(2, 3), 7);
  EXPECT_EQ(grid_.CellPictureAt(1, 3), kNoPicture);

  grid_.Clear();
  EXPECT_EQ(grid_.Rows(), 3);
  EXPECT_EQ(grid_.Cols(), 11);
  EXPECT_EQ(grid_.TextMatrix(2, 0), "");
  EXPECT_EQ(grid_.TextMatrix(0, 0), "");
  EXPECT_EQ(grid_.CellPictureAt(2, 3), kNoPicture);
  EXPECT_EQ(grid_.CellPictureAlignmentAt(2, 3), 0);

  grid_.SetRows(grid_.FixedRows() + 1);
  EXPECT_EQ(grid_.Rows(), 2);
  grid_.AddItem("x");
  EXPECT_EQ(grid_.TextMatrix(2, 0), "x");
  EXPECT_EQ(grid_.TextMatrix(2, 1), "");
}

TEST_F(GridTest, RemoveItemMovesRowsUpAndSparesTheHeader) {
  Fill(1, {"a", "b", "c", "d"});
  grid_.RemoveItem(2);
  EXPECT_EQ(Column(1), (Texts{"a", "c", "d"}));
  EXPECT_EQ(recorder_.Take(), (Texts{"remove 2-2"}));
  grid_.RemoveItem(0);
  grid_.RemoveItem(4);
  EXPECT_EQ(grid_.Rows(), 4);
  EXPECT_TRUE(recorder_.Take().empty());

  grid_.SetRow(3);
  grid_.RemoveItem(3);  // the current row was the last one
  EXPECT_EQ(grid_.Row(), 2);
  EXPECT_EQ(grid_.RowSel(), 2);
}

TEST_F(GridTest, RemoveItemsByRuns) {
  Texts texts;
  for (int i = 0; i < 12; ++i)
    texts.push_back(std::string(1, static_cast<char>('a' + i)));
  Fill(1, texts);
  grid_.SetRow(12);
  recorder_.Take();
  // Unsorted, repeated, fixed and out-of-range entries are tolerated.
  grid_.RemoveItems({9, 2, 3, 4, 0, 12, 9, 7, 40, -3});
  EXPECT_EQ(Column(1), (Texts{"a", "e", "f", "h", "j", "k"}));
  EXPECT_EQ(recorder_.Take(),
            (Texts{"remove 2-4", "remove 4-4", "remove 5-5", "remove 7-7", "selection"}));
  EXPECT_EQ(grid_.Row(), 6);
  grid_.RemoveItems({});
  grid_.RemoveItems({0, 99});
  EXPECT_TRUE(recorder_.Take().empty());
}

TEST_F(GridTest, RemoveItemsMatchesOneByOneRemovalOnALargeGrid) {
  grid_.SetObserver(nullptr);
  constexpr int kRows = 100000;
  grid_.SetRows(kRows + 1);
  for (int r = 1; r <= kRows; ++r)
    grid_.SetTextMatrix(r, 1, std::to_string(r));
  std::mt19937 random(7);
  std::vector<std::int32_t> doomed;
  for (int r = 1; r <= kRows; ++r) {
    if (random() % 10 == 0)
      doomed.push_back(r);
  }
  grid_.SetObserver(&recorder_);
  grid_.RemoveItems(doomed);
  grid_.SetObserver(nullptr);
  ASSERT_EQ(grid_.Rows(), kRows + 1 - static_cast<std::int32_t>(doomed.size()));
  std::int32_t row = 1;
  std::size_t next = 0;
  for (int r = 1; r <= kRows; ++r) {
    if (next < doomed.size() && doomed[next] == r) {
      ++next;
      continue;
    }
    ASSERT_EQ(grid_.TextMatrix(row++, 1), std::to_string(r));
  }
}

TEST_F(GridTest, SortsNumbersAsNumbersAndTextsAsText) {
  Fill(2, {"100", "9", "10", "-2.5", "  7 ", "+3", ".5", "1e3", "", "abc", "1.2.3", "Abc"});
  SortBy(2, 1);
  EXPECT_EQ(Column(2), (Texts{"", "-2.5", ".5", "+3", "  7 ", "9", "10", "100", "1.2.3", "1e3",
                              "Abc", "abc"}));
  EXPECT_EQ(recorder_.Take().back(), "cells 1,0-12,10");
  SortBy(2, 2);
  EXPECT_EQ(Column(2), (Texts{"abc", "Abc", "1e3", "1.2.3", "100", "10", "9", "  7 ", "+3", ".5",
                              "-2.5", ""}));
}

TEST_F(GridTest, SortIsStableAndCaseBlindFirst) {
  Fill(3, {"b", "A", "a", "B", "a", "A"});
  SortBy(3, 1);
  EXPECT_EQ(Column(3), (Texts{"A", "A", "a", "a", "B", "b"}));
  EXPECT_EQ(Column(0), (Texts{"2", "6", "3", "5", "4", "1"}));
  SortBy(3, 2);
  EXPECT_EQ(Column(0), (Texts{"1", "4", "3", "5", "2", "6"}));  // equal keys keep their order
}

TEST_F(GridTest, LongTextsThatShareTheirStartSortByTheirEnd) {
  const std::string start = "Undelivered Mail Returned to Sender ";
  Texts texts;
  for (int i = 0; i < 40; ++i)
    texts.push_back(start);  // many repeats of one subject
  texts.insert(texts.begin() + 5, {start + "b", start + "A", start + "a", start + "B"});
  texts.push_back(start.substr(0, 20));
  Fill(3, texts);
  SortBy(3, 1);
  const Texts sorted = Column(3);
  EXPECT_EQ(sorted.front(), start.substr(0, 20));
  EXPECT_EQ(sorted[1], start);
  EXPECT_EQ(Texts(sorted.end() - 4, sorted.end()),
            (Texts{start + "A", start + "a", start + "B", start + "b"}));
  const Texts numbers = Column(0);  // the repeats keep their order
  EXPECT_TRUE(std::is_sorted(
      numbers.begin() + 1, numbers.end() - 4,
      [](const std::string& a, const std::string& b) { return std::stoi(a) < std::stoi(b); }));
}

TEST_F(GridTest, RandomColumnsSortIntoAConsistentOrder) {
  // Cells from a small alphabet, so that ties, case twins, numbers and texts
  // that start like numbers all meet; checked pairwise against a plain rule.
  std::mt19937 random(11);
  const std::string alphabet = "aAbB1 .-";
  Texts texts;
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    for (int n = random() % 20; n > 0; --n)
      text += alphabet[random() % alphabet.size()];
    texts.push_back(text);
  }
  Fill(3, texts);
  const std::regex number(R"(^[ \t]*[+-]?(\d+\.?\d*|\.\d+)[ \t]*$)");
  const auto rank = [&](const std::string& t) {
    return t.empty() ? 0 : std::regex_match(t, number) ? 1 : 2;
  };
  for (int order : {1, 2}) {
    SortBy(3, order);
    const Texts sorted = Column(3);
    for (std::size_t i = 1; i < sorted.size(); ++i) {
      const std::string& a = order == 1 ? sorted[i - 1] : sorted[i];
      const std::string& b = order == 1 ? sorted[i] : sorted[i - 1];
      if (rank(a) != rank(b)) {
        EXPECT_LT(rank(a), rank(b)) << "[" << a << "] [" << b << "]";
      } else if (rank(a) == 1) {
        EXPECT_LE(std::stod(a), std::stod(b)) << "[" << a << "] [" << b << "]";
      } else if (rank(a) == 2) {
        std::string la = a, lb = b;
        for (char& c : la)
          c = static_cast<char>(std::tolower(c));
        for (char& c : lb)
          c = static_cast<char>(std::tolower(c));
        EXPECT_TRUE(la < lb || (la == lb && a <= b)) << "[" << a << "] [" << b << "]";
      }
    }
  }
}

TEST_F(GridTest, SortUsesTheSelectedRowsAndKeyColumns) {
  Fill(4, {"e", "d", "c", "b", "a"});
  for (std::int32_t r = 1; r <= 5; ++r)
    grid_.SetTextMatrix(r, 5, r % 2 ? "x" : "y");
  grid_.Select(4, 4, 2, 4);  // rows 2 to 4 only, the anchor below
  grid_.Sort(1);
  EXPECT_EQ(Column(4), (Texts{"e", "b", "c", "d", "a"}));

  grid_.Select(1, 5, 5, 4);  // keys: column 4, then column 5
  grid_.SetTextMatrix(2, 4, "same");
  grid_.SetTextMatrix(3, 4, "same");
  grid_.Sort(1);
  EXPECT_EQ(Column(4), (Texts{"a", "d", "e", "same", "same"}));
  EXPECT_EQ(Column(5), (Texts{"x", "y", "x", "x", "y"}));

  // A selection reaching into the header row never sorts the header.
  grid_.SetTextMatrix(0, 4, "Date: ");
  grid_.Select(0, 4, 5, 4);
  grid_.Sort(2);
  EXPECT_EQ(grid_.TextMatrix(0, 4), "Date: ");
  EXPECT_EQ(Column(4), (Texts{"same", "same", "e", "d", "a"}));

  grid_.Sort(3);  // not a sort order
  EXPECT_EQ(Column(4), (Texts{"same", "same", "e", "d", "a"}));
}

TEST_F(GridTest, PicturesTravelWithTheirRows) {
  Fill(3, {"b", "c", "a"});
  grid_.SetRow(1);
  grid_.SetCol(3);
  grid_.SetCellPicture(55);
  SortBy(3, 1);
  EXPECT_EQ(grid_.CellPictureAt(2, 3), 55);
  EXPECT_EQ(grid_.CellPictureAt(1, 3), kNoPicture);
  grid_.RemoveItem(1);
  EXPECT_EQ(grid_.CellPictureAt(1, 3), 55);
}

TEST_F(GridTest, ToolTipSpeaksOnlyOnChange) {
  grid_.SetToolTipText("long subject");
  grid_.SetToolTipText("long subject");
  EXPECT_EQ(grid_.ToolTipText(), "long subject");
  EXPECT_EQ(recorder_.Take(), (Texts{"tooltip"}));
}

}  // namespace
}  // namespace ndr
