// The grid model: shape, selection, rows in and out, the generic sort, and
// what the observer hears.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

#include "grid.h"

namespace ndr {
namespace {

using Texts = std::vector<std::string>;

// Logs row removals and selection changes, and checks that the grid already
// shows each removal when its End comes, as a Qt view would query it.
class Recorder : public GridObserver {
 public:
  explicit Recorder(const Grid& grid) : grid_(grid) {}
  void BeginRemoveRows(std::int32_t first, std::int32_t last) override {
    log.push_back("remove " + std::to_string(first) + "-" + std::to_string(last));
    rowsAfter_ = grid_.Rows() - (last - first + 1);
    first_ = first;
    next_ = grid_.TextMatrix(last + 1, 0);
  }
  void EndRemoveRows() override {
    EXPECT_EQ(grid_.Rows(), rowsAfter_);
    EXPECT_EQ(grid_.TextMatrix(first_, 0), next_);
  }
  void SelectionChanged() override { log.push_back("selection"); }
  Texts log;

 private:
  const Grid& grid_;
  std::int32_t rowsAfter_ = 0, first_ = 0;
  std::string next_;
};

class GridTest : public ::testing::Test {
 protected:
  GridTest() : recorder_(grid_) { grid_.SetObserver(&recorder_); }

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
  void SortBy(std::int32_t col, int order) {
    grid_.SetRow(0);
    grid_.SetCol(col);
    grid_.Sort(order);
  }

  Grid grid_;
  Recorder recorder_;
};

TEST_F(GridTest, LayoutStringClearAndPictures) {
  grid_.SetFormatString(" >|< | >|< |< |< |< |< |< |< |> ");
  ASSERT_EQ(grid_.Cols(), 11);
  for (std::int32_t c = 0; c < 11; ++c) {
    const bool right = c == 0 || c == 2 || c == 10;
    EXPECT_EQ(grid_.ColAlignment(c), right ? ColumnAlignment::Right : ColumnAlignment::Left);
    EXPECT_EQ(grid_.TextMatrix(0, c), " ");
  }
  grid_.AddItem("002");
  grid_.SetRow(2);
  grid_.SetCol(3);
  grid_.SetCellPictureAlignment(7);
  grid_.SetCellPicture(1234);
  EXPECT_EQ(grid_.CellPictureAt(2, 3), 1234);
  EXPECT_EQ(grid_.CellPictureAlignmentAt(2, 3), 7);
  EXPECT_EQ(grid_.CellPictureAt(1, 3), kNoPicture);

  grid_.Clear();  // every cell, the header too; the counts stay
  EXPECT_EQ(grid_.Rows(), 3);
  EXPECT_EQ(grid_.Cols(), 11);
  EXPECT_EQ(std::string(grid_.TextMatrix(0, 0)) + std::string(grid_.TextMatrix(2, 0)), "");
  EXPECT_EQ(grid_.CellPicture(), kNoPicture);
  EXPECT_EQ(grid_.CellPictureAlignmentAt(2, 3), 0);
  grid_.SetRows(grid_.FixedRows() + 1);
  EXPECT_EQ(grid_.Rows(), 2);
}

TEST_F(GridTest, SelectionCollapsesExtendsAndClamps) {
  grid_.SetRows(10);
  grid_.SetRow(7);
  grid_.SetCol(4);
  grid_.SetRowSel(3);
  grid_.SetColSel(2);
  EXPECT_EQ(grid_.RowSel(), 3);
  grid_.SetRow(5);  // a one-cell selection again
  EXPECT_EQ(grid_.RowSel(), 5);
  EXPECT_EQ(grid_.ColSel(), 4);

  grid_.Select(-5, 99, 1000, -1);
  EXPECT_EQ(grid_.Row(), 0);
  EXPECT_EQ(grid_.Col(), 11);
  EXPECT_EQ(grid_.RowSel(), 9);
  EXPECT_EQ(grid_.ColSel(), 0);
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

TEST_F(GridTest, RemovingATenthOfALargeGridKeepsTheRest) {
  grid_.SetObserver(nullptr);
  constexpr int kRows = 100000;
  grid_.SetRows(kRows + 1);
  for (int r = 1; r <= kRows; ++r)
    grid_.SetTextMatrix(r, 0, std::to_string(r));
  std::mt19937 random(7);
  std::vector<std::int32_t> doomed;
  for (int r = 1; r <= kRows; ++r) {
    if (random() % 10 == 0)
      doomed.push_back(r);
  }
  grid_.SetObserver(&recorder_);
  grid_.RemoveItems(doomed);
  ASSERT_EQ(grid_.Rows(), kRows + 1 - static_cast<std::int32_t>(doomed.size()));
  std::int32_t row = 1;
  for (int r = 1, next = 0; r <= kRows; ++r) {
    if (next < static_cast<int>(doomed.size()) && doomed[next] == r) {
      ++next;
    } else {
      ASSERT_EQ(grid_.TextMatrix(row++, 0), std::to_string(r));
    }
  }
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

}  // namespace
}  // namespace ndr

namespace ndr {
namespace {

// A row keeps its cells and its name in one block; every edit shifts the
// cells behind it, and a long text widens the block's table. Random edits
// against a plain table of strings find a cell that leaks into its
// neighbour, a picture that is lost, or a name that follows its cell's
// display text.
TEST(GridRowTest, RandomEditsMatchATableOfStrings) {
  std::mt19937 random(7);
  const auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  const auto text = [&] {
    const std::size_t length = pick(200) == 0 ? 70000 : (pick(3) == 0 ? 0 : pick(40));
    return std::string(length, static_cast<char>('a' + pick(26)));
  };
  GridRow row(11);
  Texts texts(11);
  std::vector<PictureHandle> pictures(11, kNoPicture);
  std::vector<int> alignments(11, 0);
  std::string name;
  for (int step = 0; step < 4000; ++step) {
    switch (pick(6)) {
      case 0:
      case 1: {
        const std::size_t col = pick(texts.size() + 1);  // one past the end: ignored
        const std::string t = text();
        row.SetText(col, t);
        if (col < texts.size())
          texts[col] = t;
        break;
      }
      case 2: {
        std::vector<std::string> all(pick(texts.size() + 2));
        std::vector<std::string_view> views;
        for (std::string& t : all)
          views.emplace_back(t = text());
        const std::size_t nameCol = pick(texts.size() + 1);  // one past the end: no name
        row.SetTexts(views, nameCol);
        for (std::size_t c = 0; c < texts.size(); ++c)
          texts[c] = c < all.size() ? all[c] : "";
        name = nameCol < texts.size() ? texts[nameCol] : "";
        break;
      }
      case 3: {
        const std::size_t cols = 1 + pick(14);
        row.Resize(cols);
        texts.resize(cols);
        pictures.resize(cols, kNoPicture);
        alignments.resize(cols, 0);
        break;
      }
      case 4: {
        const std::size_t col = pick(texts.size());
        const auto picture = static_cast<PictureHandle>(pick(3));
        const int alignment = static_cast<int>(pick(8));
        row.SetPicture(col, picture);
        row.SetPictureAlignment(col, alignment);
        pictures[col] = picture;
        alignments[col] = alignment;
        break;
      }
      default:
        if (pick(20) == 0) {
          row.Clear();
          name.clear();
          std::fill(texts.begin(), texts.end(), "");
          std::fill(pictures.begin(), pictures.end(), kNoPicture);
          std::fill(alignments.begin(), alignments.end(), 0);
        }
        break;
    }
    ASSERT_EQ(row.Cols(), texts.size());
    for (std::size_t c = 0; c < texts.size(); ++c) {
      ASSERT_EQ(row.Text(c), texts[c]) << "step " << step << ", column " << c;
      ASSERT_EQ(row.Picture(c), pictures[c]) << "step " << step << ", column " << c;
      ASSERT_EQ(row.PictureAlignment(c), alignments[c]) << "step " << step << ", column " << c;
    }
    ASSERT_EQ(row.Text(texts.size()), "");
    ASSERT_EQ(row.Name(), name) << "step " << step;
    if (step % 500 == 0) {  // a copy holds the same
      const GridRow copy(row);
      ASSERT_EQ(copy.Name(), name);
      ASSERT_EQ(copy.Text(0), texts[0]);
    }
  }
}

}  // namespace
}  // namespace ndr
