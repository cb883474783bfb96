// The message grid as a plain model: a table of text cells with one fixed
// header row and column, a selection rectangle, cell pictures and the generic
// row sort. It offers the operations of the flex grid the viewer was designed
// on, under their names, and tells an observer what changed so that a view
// repaints only that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "grid_row.h"

namespace ndr {

enum class ColumnAlignment { Left, Right };

// Makes from a cell's text the text by which it sorts.
using SortKeyMaker = void (*)(std::string_view text, std::string& key);

// Notifications come in Begin/End pairs around the change, so that a view can
// follow its toolkit's rules (Qt wants to hear of a removal before it is made).
class GridObserver {
 public:
  virtual ~GridObserver() = default;
  virtual void BeginReset() {}
  virtual void EndReset() {}  // anything may have changed
  virtual void BeginInsertRows(std::int32_t /*first*/, std::int32_t /*last*/) {}
  virtual void EndInsertRows() {}
  virtual void BeginRemoveRows(std::int32_t /*first*/, std::int32_t /*last*/) {}
  virtual void EndRemoveRows() {}
  virtual void CellsChanged(std::int32_t /*row0*/, std::int32_t /*col0*/, std::int32_t /*row1*/,
                            std::int32_t /*col1*/) {}
  virtual void ColumnsChanged() {}  // widths or alignments
  virtual void SelectionChanged() {}
  virtual void ToolTipChanged() {}
};

class Grid {
 public:
  Grid();  // 2 rows, 12 columns, 1 fixed row, 1 fixed column
  void SetObserver(GridObserver* observer) { observer_ = observer; }

  std::int32_t Rows() const;
  void SetRows(std::int32_t rows);  // drops or appends empty rows
  std::int32_t Cols() const;
  void SetCols(std::int32_t cols);
  std::int32_t FixedRows() const { return 1; }
  std::int32_t FixedCols() const { return 1; }

  // The current cell; writing Row or Col collapses the selection onto it.
  std::int32_t Row() const { return row_; }
  void SetRow(std::int32_t row);
  std::int32_t Col() const { return col_; }
  void SetCol(std::int32_t col);
  // The selection's other corner; written after Row/Col, extends it.
  std::int32_t RowSel() const { return rowSel_; }
  void SetRowSel(std::int32_t row);
  std::int32_t ColSel() const { return colSel_; }
  void SetColSel(std::int32_t col);
  // All four at once with one notification (the view's own selection).
  void Select(std::int32_t row, std::int32_t col, std::int32_t rowSel, std::int32_t colSel);

  // Valid until the row's texts next change.
  std::string_view TextMatrix(std::int32_t row, std::int32_t col) const;
  void SetTextMatrix(std::int32_t row, std::int32_t col, std::string_view text);
  // Every cell of a row at once (one notification), from column 0. The text
  // of column nameCol (-1: none) becomes the row's name.
  void SetRowTexts(std::int32_t row, std::span<const std::string_view> texts,
                   std::int32_t nameCol = -1);
  // The name the row was given with its texts, whatever its cells show since
  // (empty: none).
  std::string_view RowName(std::int32_t row) const;

  // Segments separated by "|", one per column: "<" left, ">" right, the rest
  // is the column's header text (row 0). Sets the column count.
  void SetFormatString(const std::string& format);
  ColumnAlignment ColAlignment(std::int32_t col) const;
  std::int32_t ColWidth(std::int32_t col) const;  // twips
  void SetColWidth(std::int32_t col, std::int32_t twips);

  double FontSize() const { return fontSize_; }  // points
  void SetFontSize(double points) { fontSize_ = points; }

  void AddItem(std::string_view col0Text);  // appends a row
  // Rows dropped by SetRows leave their text blocks to the rows AddItem
  // adds next: a folder scanned again refills the grid without allocating,
  // and without freeing first. This frees what no row took.
  void DropSpareBuffers();
  void RemoveItem(std::int32_t row);
  // Removes many rows in one pass; rows ascending, no duplicates.
  void RemoveItems(const std::vector<std::int32_t>& rows);
  void Clear();  // every cell's text and picture; the counts stay

  // Picture of the current cell (Row, Col).
  PictureHandle CellPicture() const;
  void SetCellPicture(PictureHandle picture);
  void SetCellPictureAlignment(int alignment);  // 7: right, vertically centred
  PictureHandle CellPictureAt(std::int32_t row, std::int32_t col) const;
  int CellPictureAlignmentAt(std::int32_t row, std::int32_t col) const;

  // 1: generic ascending, 2: generic descending, over the rows and key
  // columns of the selection. Texts that both read as numbers compare as
  // numbers, others as text.
  void Sort(int order);
  // The column sorts by the keys keyMaker makes of its texts (nullptr: by
  // the texts themselves).
  void SetSortKey(std::int32_t col, SortKeyMaker keyMaker);

  std::int32_t MouseRow() const { return mouseRow_; }
  std::int32_t MouseCol() const { return mouseCol_; }
  // Set by the view; -1 (and any position outside the grid) is no cell.
  void SetMouseCell(std::int32_t row, std::int32_t col);

  const std::string& ToolTipText() const { return toolTip_; }
  void SetToolTipText(std::string_view text);

 private:
  GridRow& RowAt(std::int32_t row);
  const GridRow& RowAt(std::int32_t row) const;
  bool IsCell(std::int32_t row, std::int32_t col) const;
  std::size_t Physical(std::int32_t row) const;
  bool PlaceSelection(std::int32_t row, std::int32_t col, std::int32_t rowSel, std::int32_t colSel);
  bool ClampSelection();
  void NotifySelection(bool changed);
  void RemoveRun(std::size_t keepFrom, std::size_t runBegin, std::size_t runEnd);
  void CloseGap();

  std::vector<GridRow> rows_;
  std::vector<GridRow> spareRows_;  // emptied, each holding its block
  // During RemoveItems the rows [gapBegin_, gapBegin_ + gapSize_) of rows_
  // are already gone, so that the observer sees a consistent grid after each
  // removed run while the whole removal stays one pass.
  std::size_t gapBegin_ = 0, gapSize_ = 0;
  std::int32_t cols_ = 12;
  std::vector<ColumnAlignment> alignments_;
  std::vector<std::int32_t> widths_;
  std::vector<SortKeyMaker> sortKeys_;
  std::int32_t row_ = 1, col_ = 1, rowSel_ = 1, colSel_ = 1;
  std::int32_t mouseRow_ = 0, mouseCol_ = 0;
  double fontSize_ = 8.25;
  std::string toolTip_;
  GridObserver* observer_ = nullptr;
};

}  // namespace ndr
