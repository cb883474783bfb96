// The grid model: shape, selection, rows in and out, the generic sort, and
// what the observer hears (the Qt model test checks what a view sees).
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

#include "grid.h"

namespace ndr {
namespace {

using Texts = std::vector<std::string>;

// Logs row removals and selection changes.
struct Recorder : GridObserver {
  void BeginRemoveRows(std::int32_t first, std::int32_t last) override {
    log.push_back("remove " + std::to_string(first) + "-" + std::to_string(last));
  }
  void EndRemoveRows() override {}
  void SelectionChanged() override { log.push_back("selection"); }
  Texts log;
};

class GridTest : public ::testing::Test {
 protected:
  GridTest() { grid_.SetObserver(&recorder_); }

  // Body rows numbered 1.. in column 0, with the texts in column col.
  void Fill(std::int32_t col, const Texts& texts) {
    grid_.SetRows(1);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      grid_.AddItem(std::to_string(i + 1));
      grid_.SetTextMatrix(grid_.Rows() - 1, col, texts[i]);
    }
    recorder_.log.clear();
  }
  Texts Column(std::int32_t col) const {
    Texts cells;
    for (std::int32_t r = 1; r < grid_.Rows(); ++r)
      cells.emplace_back(grid_.TextMatrix(r, col));
    return cells;
  }
  std::vector<std::int32_t> Selected() const {
    return {grid_.Row(), grid_.Col(), grid_.RowSel(), grid_.ColSel()};
  }
  void SortBy(std::int32_t col, int order) {
    grid_.SetRow(0);
    grid_.SetCol(col);
    grid_.Sort(order);
  }

  Grid grid_;
  Recorder recorder_;
};

TEST_F(GridTest, LayoutStringAndClear) {
  grid_.SetFormatString(" >|< | >|< |> ");
  EXPECT_EQ(grid_.Cols(), 5);
  EXPECT_EQ(grid_.ColAlignment(2), ColumnAlignment::Right);
  EXPECT_EQ(grid_.ColAlignment(3), ColumnAlignment::Left);
  EXPECT_EQ(grid_.TextMatrix(0, 4), " ");
  grid_.AddItem("002");
  grid_.Select(2, 3, 2, 3);
  grid_.SetCellPictureAlignment(7);
  grid_.SetCellPicture(1234);
  grid_.Clear();  // every cell, the header too; the counts stay
  EXPECT_EQ(grid_.Rows(), 3);
  EXPECT_EQ(grid_.Cols(), 5);
  EXPECT_EQ(std::string(grid_.TextMatrix(0, 0)) + std::string(grid_.TextMatrix(2, 0)), "");
  EXPECT_EQ(grid_.CellPictureAt(2, 3), kNoPicture);
  EXPECT_EQ(grid_.CellPictureAlignmentAt(2, 3), 0);
}

TEST_F(GridTest, SelectionCollapsesExtendsAndClamps) {
  grid_.SetRows(10);
  grid_.SetRow(7);
  grid_.SetCol(4);
  grid_.SetRowSel(3);
  grid_.SetColSel(2);
  EXPECT_EQ(Selected(), (std::vector<std::int32_t>{7, 4, 3, 2}));
  grid_.SetRow(5);  // a one-cell selection again
  EXPECT_EQ(Selected(), (std::vector<std::int32_t>{5, 4, 5, 4}));
  grid_.Select(-5, 99, 1000, -1);
  EXPECT_EQ(Selected(), (std::vector<std::int32_t>{0, 11, 9, 0}));
  recorder_.log.clear();
  grid_.Select(0, 11, 9, 0);
  EXPECT_TRUE(recorder_.log.empty());  // nothing changed, nothing said

  grid_.SetRows(4);  // the selection follows the rows away
  EXPECT_EQ(grid_.RowSel(), 3);
  grid_.SetCols(3);
  EXPECT_EQ(grid_.Col(), 2);

  grid_.SetTextMatrix(4, 0, "x");  // outside: ignored, reads empty
  EXPECT_EQ(grid_.TextMatrix(4, 0), "");
  grid_.SetMouseCell(-7, 2);
  EXPECT_EQ(grid_.MouseRow(), -1);  // no cell, never the header row
  grid_.SetMouseCell(3, 3);
  EXPECT_EQ(grid_.MouseCol(), -1);  // past the last column, not the last one
}

TEST_F(GridTest, RemovalKeepsOrderAndReportsEachRun) {
  Fill(1, {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"});
  grid_.RemoveItem(0);  // the header stays
  grid_.RemoveItem(1);
  EXPECT_EQ(Column(1), (Texts{"b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"}));
  grid_.SetRow(11);
  recorder_.log.clear();
  // Unsorted, repeated, fixed and out-of-range entries are tolerated.
  grid_.RemoveItems({9, 2, 3, 4, 0, 11, 9, 7, 40, -3});
  EXPECT_EQ(Column(1), (Texts{"b", "f", "g", "i", "k"}));
  EXPECT_EQ(recorder_.log,
            (Texts{"remove 2-4", "remove 4-4", "remove 5-5", "remove 6-6", "selection"}));
  EXPECT_EQ(grid_.Row(), 5);
}

TEST_F(GridTest, NumbersSortAsNumbersBetweenEmptyCellsAndTexts) {
  Fill(2, {"100", "9", "10", "-2.5", "  7 ", "+3", ".5", "1e3", "", "abc", "1.2.3", "Abc"});
  SortBy(2, 1);
  EXPECT_EQ(Column(2), (Texts{"", "-2.5", ".5", "+3", "  7 ", "9", "10", "100", "1.2.3", "1e3",
                              "Abc", "abc"}));
  SortBy(2, 2);
  EXPECT_EQ(Column(2), (Texts{"abc", "Abc", "1e3", "1.2.3", "100", "10", "9", "  7 ", "+3", ".5",
                              "-2.5", ""}));
}

TEST_F(GridTest, RandomColumnsSortStablyIntoAConsistentOrder) {
  // Ties, case twins, numbers, texts that start like numbers, and long texts
  // that share their first 16 bytes all meet; checked pairwise.
  std::mt19937 random(11);
  const std::string alphabet = "aAbB1 .-";
  Texts texts;
  for (int i = 0; i < 3000; ++i) {
    std::string text = random() % 2 ? "Returned mail: see transcript" : "";
    for (auto n = random() % 12; n > 0; --n)
      text += alphabet[random() % alphabet.size()];
    texts.push_back(text);
  }
  Fill(3, texts);
  const std::regex number(R"([ \t]*[+-]?(\d+\.?\d*|\.\d+)[ \t]*)");
  const auto kind = [&](const std::string& t) {
    return t.empty() ? 0 : std::regex_match(t, number) ? 1 : 2;
  };
  const auto folded = [](std::string t) {
    for (char& c : t)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return t;
  };
  for (int order : {1, 2}) {
    SortBy(3, order);
    const Texts sorted = Column(3), numbers = Column(0);
    for (std::size_t i = 1; i < sorted.size(); ++i) {
      const std::string& a = order == 1 ? sorted[i - 1] : sorted[i];
      const std::string& b = order == 1 ? sorted[i] : sorted[i - 1];
      SCOPED_TRACE("[" + a + "] [" + b + "]");
      if (kind(a) != kind(b)) {
        EXPECT_LT(kind(a), kind(b));
      } else if (kind(a) == 1) {
        EXPECT_LE(std::stod(a), std::stod(b));
      } else if (kind(a) == 2) {
        EXPECT_TRUE(folded(a) < folded(b) || (folded(a) == folded(b) && a <= b));
      }
      if (sorted[i - 1] == sorted[i]) {  // equal rows keep the order they had
        EXPECT_LT(std::stoi(numbers[i - 1]), std::stoi(numbers[i]));
      }
    }
    for (std::int32_t r = 1; r < grid_.Rows(); ++r)
      grid_.SetTextMatrix(r, 0, std::to_string(r));
  }
}

TEST_F(GridTest, SortTakesTheSelectedRowsAndKeyColumnsAndCarriesPictures) {
  Fill(4, {"e", "d", "c", "b", "a"});
  for (std::int32_t r = 1; r <= 5; ++r)
    grid_.SetTextMatrix(r, 5, r % 2 ? "x" : "y");
  grid_.Select(2, 4, 2, 4);
  grid_.SetCellPicture(55);  // on "d"
  grid_.Select(4, 4, 2, 4);  // rows 2 to 4 only, the anchor below
  grid_.Sort(1);
  EXPECT_EQ(Column(4), (Texts{"e", "b", "c", "d", "a"}));
  EXPECT_EQ(grid_.CellPictureAt(4, 4), 55);

  grid_.SetTextMatrix(2, 4, "same");
  grid_.SetTextMatrix(3, 4, "same");
  grid_.Select(1, 5, 5, 4);  // keys: column 4, then column 5
  grid_.Sort(1);
  EXPECT_EQ(Column(4), (Texts{"a", "d", "e", "same", "same"}));
  EXPECT_EQ(Column(5), (Texts{"x", "y", "x", "x", "y"}));

  // A selection reaching into the header row never sorts the header.
  grid_.SetTextMatrix(0, 4, "Date: ");
  grid_.Select(0, 4, 5, 4);
  grid_.Sort(2);
  EXPECT_EQ(grid_.TextMatrix(0, 4), "Date: ");
  EXPECT_EQ(Column(4), (Texts{"same", "same", "e", "d", "a"}));
}

// A row keeps its cells in one buffer; every edit shifts the cells behind it.
// Random edits against a plain table of strings find a cell that leaks into
// its neighbour or a picture that is lost.
TEST(GridRowTest, RandomEditsMatchATableOfStrings) {
  std::mt19937 random(7);
  const auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  const auto text = [&] {
    return std::string(pick(3) == 0 ? 0 : pick(40), static_cast<char>('a' + pick(26)));
  };
  struct Cell {
    std::string text;
    PictureHandle picture = kNoPicture;
    int alignment = 0;
  };
  GridRow row(11);
  std::vector<Cell> cells(11);
  for (int step = 0; step < 4000; ++step) {
    const std::size_t what = pick(6), col = pick(cells.size() + 1);  // one past the end: ignored
    if (what <= 1) {
      const std::string t = text();
      row.SetText(col, t);
      if (col < cells.size())
        cells[col].text = t;
    } else if (what == 2) {
      std::vector<std::string> all(pick(cells.size() + 2));
      std::vector<std::string_view> views;
      for (std::string& t : all)
        views.emplace_back(t = text());
      row.SetTexts(views);
      for (std::size_t c = 0; c < cells.size(); ++c)
        cells[c].text = c < all.size() ? all[c] : "";
    } else if (what == 3) {
      cells.resize(1 + pick(14));
      row.Resize(cells.size());
    } else if (what == 4 && col < cells.size()) {
      cells[col].picture = static_cast<PictureHandle>(pick(3));
      cells[col].alignment = static_cast<int>(pick(8));
      row.SetPicture(col, cells[col].picture);
      row.SetPictureAlignment(col, cells[col].alignment);
    } else if (what == 5 && pick(20) == 0) {
      row.Clear();
      std::fill(cells.begin(), cells.end(), Cell{});
    }
    ASSERT_EQ(row.Cols(), cells.size());
    for (std::size_t c = 0; c < cells.size(); ++c) {
      SCOPED_TRACE("step " + std::to_string(step) + ", column " + std::to_string(c));
      ASSERT_EQ(row.Text(c), cells[c].text);
      ASSERT_EQ(row.Picture(c), cells[c].picture);
      ASSERT_EQ(row.PictureAlignment(c), cells[c].alignment);
    }
    ASSERT_EQ(row.Text(cells.size()), "");
  }
}

}  // namespace
}  // namespace ndr
