#include "grid.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <limits>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "ascii.h"

namespace ndr {

namespace {

constexpr std::int32_t kMaxCols = 1024;  // far beyond the viewer's 12; bounds memory
constexpr std::int32_t kMaxRows = std::numeric_limits<std::int32_t>::max();
constexpr std::size_t kDefaultCols = 12;        // rows_ is built before cols_ is set
constexpr std::int32_t kDefaultColWidth = 960;  // twips, about 64 pixels

std::int32_t ClampTo(std::int32_t value, std::int32_t low, std::int32_t high) {
  return std::max(low, std::min(value, high));
}

// ---- Sort keys --------------------------------------------------------------
//
// A cell reads as a number when it is: optional blanks, an optional sign,
// digits with an optional decimal point (at least one digit in all), optional
// blanks. No exponent, no digit grouping, independent of the locale.
//
// Compared as the generic rule wants, number against number by value and
// text against text, but a number against a text is no consistent order (10 <
// "5x" < 9 < 10 as text and numbers), and an inconsistent order is undefined
// for the sort. Empty cells therefore come first, then numbers, then other
// texts; that agrees with text order wherever the texts start with a letter.
//
// Texts compare without regard to case (ASCII), then by bytes as the
// tie-break, so the order is total and repeatable.
//
// Each key cell becomes a kind and a value (the number, or the rank of the
// text among the column's distinct texts), so that sorting compares no
// strings at all: 100,000 rows sort in well under a tenth of a second.

enum class KeyKind : std::uint8_t { Empty, Number, Text };

struct CellKey {
  double value = 0;
  KeyKind kind = KeyKind::Empty;
};

bool ReadsAsNumber(std::string_view text, double& value) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsAsciiBlank(text[begin]))
    ++begin;
  while (end > begin && IsAsciiBlank(text[end - 1]))
    --end;
  bool negative = false;
  if (begin < end && (text[begin] == '+' || text[begin] == '-')) {
    negative = text[begin] == '-';
    ++begin;
  }
  std::size_t digits = 0, points = 0;
  for (std::size_t i = begin; i < end; ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else if (text[i] == '.' && points == 0) {
      ++points;
    } else {
      return false;
    }
  }
  if (digits == 0)
    return false;
  const char* first = text.data() + begin;
  const char* last = text.data() + end;
  auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
  if (ec == std::errc::result_out_of_range) {
    value = std::numeric_limits<double>::infinity();
  } else if (ec != std::errc() || ptr != last) {
    return false;
  }
  if (negative)
    value = -value;
  return true;
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto fa = static_cast<unsigned char>(AsciiLower(a[i]));
    const auto fb = static_cast<unsigned char>(AsciiLower(b[i]));
    if (fa != fb)
      return fa < fb ? -1 : 1;
  }
  if (a.size() != b.size())
    return a.size() < b.size() ? -1 : 1;
  const int exact = a.compare(b);
  return exact < 0 ? -1 : (exact > 0 ? 1 : 0);
}

// The first 16 case-folded bytes in big-endian order, zero-padded: unequal
// prefixes order as the texts do, so most comparisons need no string.
struct PackedText {
  std::uint64_t prefix[2] = {0, 0};
  std::uint32_t row = 0;

  bool operator<(const PackedText& other) const {
    return prefix[0] != other.prefix[0] ? prefix[0] < other.prefix[0] : prefix[1] < other.prefix[1];
  }
  bool SamePrefix(const PackedText& other) const {
    return prefix[0] == other.prefix[0] && prefix[1] == other.prefix[1];
  }
};

PackedText Pack(std::string_view text, std::uint32_t row) {
  PackedText packed;
  packed.row = row;
  for (std::size_t i = 0; i < 16; ++i) {
    const unsigned char c = i < text.size() ? static_cast<unsigned char>(AsciiLower(text[i])) : 0;
    packed.prefix[i / 8] = (packed.prefix[i / 8] << 8) | c;
  }
  return packed;
}

// Gives the texts of one run of equal prefixes their ranks from rank on, equal
// texts the same one. A long run is mostly repeats (the same subject on many
// bounces): it is reduced to its distinct texts before the string sort.
void RankRun(const std::vector<std::string_view>& texts, const PackedText* run, std::size_t size,
             std::vector<CellKey>& keys, std::uint32_t& rank) {
  std::vector<std::string_view> distinct;
  std::unordered_map<std::string_view, std::uint32_t> ids;
  std::vector<std::uint32_t> idOfRow(size);
  for (std::size_t i = 0; i < size; ++i) {
    const std::string_view text = texts[run[i].row];
    const auto [it, added] = ids.try_emplace(text, static_cast<std::uint32_t>(distinct.size()));
    if (added)
      distinct.push_back(text);
    idOfRow[i] = it->second;
  }
  std::vector<std::uint32_t> order(distinct.size());
  for (std::uint32_t id = 0; id < order.size(); ++id)
    order[id] = id;
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return CompareText(distinct[a], distinct[b]) < 0;
  });
  std::vector<std::uint32_t> rankOfId(distinct.size());
  for (std::uint32_t id : order)
    rankOfId[id] = rank++;
  for (std::size_t i = 0; i < size; ++i)
    keys[run[i].row].value = rankOfId[idOfRow[i]];
}

// The keys of one column over the rows [begin, begin + count); a column with
// a key maker sorts by the texts it makes of the cells.
template <typename RowIt>
std::vector<CellKey> ColumnKeys(RowIt begin, std::size_t count, std::size_t col,
                                SortKeyMaker keyMaker) {
  std::vector<CellKey> keys(count);
  std::vector<std::string_view> texts(count);
  std::vector<std::string> madeKeys(keyMaker ? count : 0);
  std::vector<PackedText> packed;
  for (std::size_t r = 0; r < count; ++r) {
    std::string_view text = begin[static_cast<std::ptrdiff_t>(r)].Text(col);
    if (keyMaker) {
      keyMaker(text, madeKeys[r]);
      text = madeKeys[r];
    }
    texts[r] = text;
    if (text.empty())
      continue;
    if (ReadsAsNumber(text, keys[r].value)) {
      keys[r].kind = KeyKind::Number;
      continue;
    }
    keys[r].kind = KeyKind::Text;
    packed.push_back(Pack(text, static_cast<std::uint32_t>(r)));
  }
  std::sort(packed.begin(), packed.end());
  std::uint32_t rank = 0;
  for (std::size_t i = 0, j = 0; i < packed.size(); i = j) {
    for (j = i + 1; j < packed.size() && packed[j].SamePrefix(packed[i]);)
      ++j;
    if (j - i == 1) {
      keys[packed[i].row].value = rank++;
    } else {
      RankRun(texts, &packed[i], j - i, keys, rank);
    }
  }
  return keys;
}

int CompareKeys(const CellKey& a, const CellKey& b) {
  if (a.kind != b.kind)
    return a.kind < b.kind ? -1 : 1;
  return a.value < b.value ? -1 : (b.value < a.value ? 1 : 0);
}

// The order of the rows [begin, end) by the key columns. The first key
// travels with the row index; further keys are looked up only on ties. Equal
// rows keep their order.
template <typename RowIt>
std::vector<std::uint32_t> SortedPermutation(RowIt begin, RowIt end, std::size_t keyFirst,
                                             std::span<const SortKeyMaker> keyMakers,
                                             bool descending) {
  const auto count = static_cast<std::size_t>(end - begin);
  const std::size_t keyCount = keyMakers.size();
  std::vector<std::vector<CellKey>> keys;
  for (std::size_t k = 0; k < keyCount; ++k)
    keys.push_back(ColumnKeys(begin, count, keyFirst + k, keyMakers[k]));
  struct Entry {
    CellKey key;
    std::uint32_t index;
  };
  std::vector<Entry> entries(count);
  for (std::size_t r = 0; r < count; ++r)
    entries[r] = {keys[0][r], static_cast<std::uint32_t>(r)};
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    int c = CompareKeys(a.key, b.key);
    for (std::size_t k = 1; c == 0 && k < keyCount; ++k) {
      c = CompareKeys(keys[k][a.index], keys[k][b.index]);
    }
    if (c != 0)
      return descending ? c > 0 : c < 0;
    return a.index < b.index;
  });
  std::vector<std::uint32_t> permutation(count);
  for (std::size_t r = 0; r < count; ++r)
    permutation[r] = entries[r].index;
  return permutation;
}

// The rows that name body rows, ascending, each once.
std::vector<std::int32_t> BodyRowsAscending(std::vector<std::int32_t> rows, std::int32_t first,
                                            std::int32_t end) {
  std::erase_if(rows, [&](std::int32_t row) { return row < first || row >= end; });
  if (!std::is_sorted(rows.begin(), rows.end()))
    std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

}  // namespace

// ---- Shape --------------------------------------------------------------

Grid::Grid()
    : rows_(2, GridRow(kDefaultCols)),
      alignments_(kDefaultCols, ColumnAlignment::Left),
      widths_(kDefaultCols, kDefaultColWidth),
      sortKeys_(kDefaultCols, nullptr) {}

std::int32_t Grid::Rows() const {
  return static_cast<std::int32_t>(rows_.size() - gapSize_);
}

std::int32_t Grid::Cols() const {
  return cols_;
}

std::size_t Grid::Physical(std::int32_t row) const {
  const auto r = static_cast<std::size_t>(row);
  return r < gapBegin_ ? r : r + gapSize_;
}

bool Grid::IsCell(std::int32_t row, std::int32_t col) const {
  return row >= 0 && row < Rows() && col >= 0 && col < cols_;
}

GridRow& Grid::RowAt(std::int32_t row) {
  return rows_[Physical(row)];
}

const GridRow& Grid::RowAt(std::int32_t row) const {
  return rows_[Physical(row)];
}

void Grid::SetRows(std::int32_t rows) {
  rows = ClampTo(rows, FixedRows(), kMaxRows);
  const std::int32_t old = Rows();
  if (rows < old) {
    if (observer_)
      observer_->BeginRemoveRows(rows, old - 1);
    // From the last row up, so that the rows added next take the blocks in
    // the order they were dropped: a folder scanned again finds each row's
    // block of the size it needs.
    while (rows_.size() > static_cast<std::size_t>(rows)) {
      if (rows_.back().HoldsBlock()) {
        rows_.back().ClearKeepingBlock();
        spareRows_.push_back(std::move(rows_.back()));
      }
      rows_.pop_back();
    }
    if (observer_)
      observer_->EndRemoveRows();
    NotifySelection(ClampSelection());
  } else if (rows > old) {
    if (observer_)
      observer_->BeginInsertRows(old, rows - 1);
    rows_.resize(static_cast<std::size_t>(rows), GridRow(static_cast<std::size_t>(cols_)));
    if (observer_)
      observer_->EndInsertRows();
  }
}

void Grid::SetCols(std::int32_t cols) {
  cols = ClampTo(cols, FixedCols(), kMaxCols);
  if (cols == cols_)
    return;
  if (observer_)
    observer_->BeginReset();
  cols_ = cols;
  const auto n = static_cast<std::size_t>(cols);
  for (GridRow& row : rows_)
    row.Resize(n);
  alignments_.resize(n, ColumnAlignment::Left);
  widths_.resize(n, kDefaultColWidth);
  sortKeys_.resize(n, nullptr);
  const bool moved = ClampSelection();
  if (observer_)
    observer_->EndReset();
  NotifySelection(moved);
}

// ---- Selection ------------------------------------------------------------

// True when the selection had to move into the grid.
bool Grid::ClampSelection() {
  const bool moved = PlaceSelection(row_, col_, rowSel_, colSel_);
  SetMouseCell(mouseRow_, mouseCol_);
  return moved;
}

// Sets both corners, each clamped into the grid; true when either moved.
bool Grid::PlaceSelection(std::int32_t row, std::int32_t col, std::int32_t rowSel,
                          std::int32_t colSel) {
  const std::int32_t lastRow = Rows() - 1, lastCol = cols_ - 1;
  const auto before = std::make_tuple(row_, col_, rowSel_, colSel_);
  row_ = ClampTo(row, 0, lastRow);
  col_ = ClampTo(col, 0, lastCol);
  rowSel_ = ClampTo(rowSel, 0, lastRow);
  colSel_ = ClampTo(colSel, 0, lastCol);
  return before != std::make_tuple(row_, col_, rowSel_, colSel_);
}

void Grid::NotifySelection(bool changed) {
  if (changed && observer_)
    observer_->SelectionChanged();
}

void Grid::SetRow(std::int32_t row) {
  Select(row, col_, row, col_);
}

void Grid::SetCol(std::int32_t col) {
  Select(row_, col, row_, col);
}

void Grid::SetRowSel(std::int32_t row) {
  Select(row_, col_, row, colSel_);
}

void Grid::SetColSel(std::int32_t col) {
  Select(row_, col_, rowSel_, col);
}

void Grid::Select(std::int32_t row, std::int32_t col, std::int32_t rowSel, std::int32_t colSel) {
  NotifySelection(PlaceSelection(row, col, rowSel, colSel));
}

void Grid::SetMouseCell(std::int32_t row, std::int32_t col) {
  // -1: the pointer is over no cell. A position past the last row or column
  // is no cell either, never taken for the last one or for the header.
  mouseRow_ = row >= 0 && row < Rows() ? row : -1;
  mouseCol_ = col >= 0 && col < cols_ ? col : -1;
}

void Grid::SetToolTipText(std::string_view text) {
  if (text == toolTip_)
    return;
  toolTip_ = text;
  if (observer_)
    observer_->ToolTipChanged();
}

// ---- Cells and columns ------------------------------------------------------

std::string_view Grid::TextMatrix(std::int32_t row, std::int32_t col) const {
  return IsCell(row, col) ? RowAt(row).Text(static_cast<std::size_t>(col)) : std::string_view();
}

void Grid::SetTextMatrix(std::int32_t row, std::int32_t col, std::string_view text) {
  if (!IsCell(row, col))
    return;
  RowAt(row).SetText(static_cast<std::size_t>(col), text);
  if (observer_)
    observer_->CellsChanged(row, col, row, col);
}

void Grid::SetRowTexts(std::int32_t row, std::span<const std::string_view> texts,
                       std::int32_t nameCol) {
  if (!IsCell(row, 0))
    return;
  RowAt(row).SetTexts(texts,
                      nameCol >= 0 ? static_cast<std::size_t>(nameCol) : GridRow::kNoNameCol);
  if (observer_)
    observer_->CellsChanged(row, 0, row, cols_ - 1);
}

std::string_view Grid::RowName(std::int32_t row) const {
  return row >= 0 && row < Rows() ? RowAt(row).Name() : std::string_view();
}

void Grid::SetFormatString(const std::string& format) {
  std::vector<std::string> segments(1);
  for (char c : format) {
    if (c == '|') {
      segments.emplace_back();
    } else {
      segments.back() += c;
    }
  }
  SetCols(static_cast<std::int32_t>(std::min<std::size_t>(segments.size(), kMaxCols)));
  for (std::int32_t col = 0; col < cols_; ++col) {
    std::string& segment = segments[static_cast<std::size_t>(col)];
    ColumnAlignment alignment = ColumnAlignment::Left;
    const std::size_t mark = segment.find_first_of("<>");
    if (mark != std::string::npos) {
      alignment = segment[mark] == '>' ? ColumnAlignment::Right : ColumnAlignment::Left;
      segment.erase(mark, 1);
    }
    alignments_[static_cast<std::size_t>(col)] = alignment;
    RowAt(0).SetText(static_cast<std::size_t>(col), segment);
  }
  if (observer_) {
    observer_->ColumnsChanged();
    observer_->CellsChanged(0, 0, 0, cols_ - 1);
  }
}

ColumnAlignment Grid::ColAlignment(std::int32_t col) const {
  if (col < 0 || col >= cols_)
    return ColumnAlignment::Left;
  return alignments_[static_cast<std::size_t>(col)];
}

std::int32_t Grid::ColWidth(std::int32_t col) const {
  if (col < 0 || col >= cols_)
    return 0;
  return widths_[static_cast<std::size_t>(col)];
}

void Grid::SetColWidth(std::int32_t col, std::int32_t twips) {
  if (col < 0 || col >= cols_)
    return;
  widths_[static_cast<std::size_t>(col)] = std::max(twips, 0);
  if (observer_)
    observer_->ColumnsChanged();
}

PictureHandle Grid::CellPicture() const {
  return CellPictureAt(row_, col_);
}

void Grid::SetCellPicture(PictureHandle picture) {
  if (!IsCell(row_, col_))
    return;
  RowAt(row_).SetPicture(static_cast<std::size_t>(col_), picture);
  if (observer_)
    observer_->CellsChanged(row_, col_, row_, col_);
}

void Grid::SetCellPictureAlignment(int alignment) {
  if (!IsCell(row_, col_))
    return;
  RowAt(row_).SetPictureAlignment(static_cast<std::size_t>(col_), alignment);
  if (observer_)
    observer_->CellsChanged(row_, col_, row_, col_);
}

PictureHandle Grid::CellPictureAt(std::int32_t row, std::int32_t col) const {
  return IsCell(row, col) ? RowAt(row).Picture(static_cast<std::size_t>(col)) : kNoPicture;
}

int Grid::CellPictureAlignmentAt(std::int32_t row, std::int32_t col) const {
  return IsCell(row, col) ? RowAt(row).PictureAlignment(static_cast<std::size_t>(col)) : 0;
}

// ---- Rows -----------------------------------------------------------------

void Grid::AddItem(std::string_view col0Text) {
  const std::int32_t row = Rows();
  if (row == kMaxRows)
    return;
  if (observer_)
    observer_->BeginInsertRows(row, row);
  rows_.emplace_back(static_cast<std::size_t>(cols_));
  if (!spareRows_.empty()) {
    rows_.back().TakeBlock(std::move(spareRows_.back()));
    spareRows_.pop_back();
  } else if (rows_.size() >= 2) {
    // Rows added one after another are mostly alike: room for the texts of
    // the row before spares filling the new one a second allocation.
    rows_.back().ReserveLike(rows_[rows_.size() - 2]);
  }
  rows_.back().SetText(0, col0Text);
  if (observer_)
    observer_->EndInsertRows();
}

void Grid::DropSpareBuffers() {
  spareRows_ = {};
}

void Grid::RemoveItem(std::int32_t row) {
  if (row < FixedRows() || row >= Rows())
    return;
  if (observer_)
    observer_->BeginRemoveRows(row, row);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
  if (observer_)
    observer_->EndRemoveRows();
  NotifySelection(ClampSelection());
}

// Moves the kept rows [keepFrom, runBegin) down to the gap's start, which
// leaves the visible grid as it was, then swallows the run [runBegin, runEnd)
// (physical positions) into the gap.
void Grid::RemoveRun(std::size_t keepFrom, std::size_t runBegin, std::size_t runEnd) {
  if (gapSize_ > 0) {
    std::move(rows_.begin() + static_cast<std::ptrdiff_t>(keepFrom),
              rows_.begin() + static_cast<std::ptrdiff_t>(runBegin),
              rows_.begin() + static_cast<std::ptrdiff_t>(gapBegin_));
  }
  gapBegin_ += runBegin - keepFrom;
  const auto first = static_cast<std::int32_t>(gapBegin_);
  const auto last = static_cast<std::int32_t>(gapBegin_ + (runEnd - runBegin) - 1);
  if (observer_)
    observer_->BeginRemoveRows(first, last);
  gapSize_ += runEnd - runBegin;
  if (observer_)
    observer_->EndRemoveRows();
}

void Grid::CloseGap() {
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(gapBegin_),
              rows_.begin() + static_cast<std::ptrdiff_t>(gapBegin_ + gapSize_));
  gapBegin_ = gapSize_ = 0;
}

void Grid::RemoveItems(const std::vector<std::int32_t>& rows) {
  const std::vector<std::int32_t> todo = BodyRowsAscending(rows, FixedRows(), Rows());
  std::size_t keepFrom = 0;  // the first physical row not yet placed
  for (std::size_t i = 0, j = 0; i < todo.size(); i = j) {
    for (j = i + 1; j < todo.size() && todo[j] == todo[j - 1] + 1;)
      ++j;
    const auto runEnd = static_cast<std::size_t>(todo[j - 1]) + 1;
    RemoveRun(keepFrom, static_cast<std::size_t>(todo[i]), runEnd);
    keepFrom = runEnd;
  }
  if (gapSize_ == 0)
    return;
  CloseGap();
  NotifySelection(ClampSelection());
}

void Grid::Clear() {
  for (GridRow& row : rows_)
    row.Clear();
  if (observer_)
    observer_->CellsChanged(0, 0, Rows() - 1, cols_ - 1);
}

// ---- Sort -----------------------------------------------------------------

void Grid::SetSortKey(std::int32_t col, SortKeyMaker keyMaker) {
  if (col >= 0 && col < cols_)
    sortKeys_[static_cast<std::size_t>(col)] = keyMaker;
}

void Grid::Sort(int order) {
  if (order != 1 && order != 2)
    return;
  // The fixed rows are never sorted into the body, whatever the selection.
  std::int32_t top = FixedRows(), bottom = Rows() - 1;
  if (row_ != rowSel_) {
    top = std::max(top, std::min(row_, rowSel_));
    bottom = std::max(row_, rowSel_);
  }
  if (bottom - top < 1)
    return;
  const std::int32_t keyFirst = std::min(col_, colSel_);
  const auto keyCount = static_cast<std::size_t>(std::max(col_, colSel_) - keyFirst + 1);
  const auto begin = rows_.begin() + top;
  const auto end = rows_.begin() + bottom + 1;
  const std::vector<std::uint32_t> permutation = SortedPermutation(
      begin, end, static_cast<std::size_t>(keyFirst),
      std::span(sortKeys_).subspan(static_cast<std::size_t>(keyFirst), keyCount), order == 2);

  std::vector<GridRow> sorted;
  sorted.reserve(permutation.size());
  for (std::uint32_t index : permutation)
    sorted.push_back(std::move(begin[index]));
  std::move(sorted.begin(), sorted.end(), begin);
  if (observer_)
    observer_->CellsChanged(top, 0, bottom, cols_ - 1);
}

}  // namespace ndr
