// A Qt table model that reads the core's message grid in place: no item per
// cell. Grid row 0 and column 0 (the fixed ones) are the model's horizontal
// and vertical header; grid cell (r, c) of the body is model index
// (r - 1, c - 1). Change notices from the grid become the model's signals,
// so a view repaints only what changed.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QPixmap>

#include "grid.h"

namespace ndr {

class GridTableModel : public QAbstractTableModel, public GridObserver {
  Q_OBJECT

 public:
  // Extra roles for the cell delegate.
  enum Role { PictureRole = Qt::UserRole + 1, PictureAlignmentRole };

  explicit GridTableModel(Grid& grid, QObject* parent = nullptr);
  ~GridTableModel() override;

  void SetPicture(PictureHandle handle, const QPixmap& picture);
  void SetFont(const QFont& font) { font_ = font; }
  Grid& grid() const { return grid_; }

  // While on, rows the grid appends are announced to views in batches, at
  // FlushPendingRows or before any other change, instead of one insertion
  // per row: a view's per-row bookkeeping would otherwise cost a scan of
  // 100,000 files many times the scan itself. Until announced, the rows are
  // not in the model and changes to their cells are not passed on.
  void SetDeferAppends(bool defer);
  void FlushPendingRows();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // GridObserver
  void BeginReset() override;
  void EndReset() override;
  void BeginInsertRows(std::int32_t first, std::int32_t last) override;
  void EndInsertRows() override;
  void BeginRemoveRows(std::int32_t first, std::int32_t last) override;
  void EndRemoveRows() override;
  void CellsChanged(std::int32_t row0, std::int32_t col0, std::int32_t row1,
                    std::int32_t col1) override;
  void ColumnsChanged() override;
  void SelectionChanged() override;
  void ToolTipChanged() override;

  static const QColor kCellBackground, kCellText, kFixedBackground, kFixedText;

 signals:
  void columnLayoutChanged();
  void gridSelectionChanged();
  void gridToolTipChanged();
  void cornerTextChanged();

 private:
  bool InGrid(std::int32_t row, std::int32_t col) const;
  int BodyRows() const;
  int BodyCols() const;
  QVariant CellAlignment(std::int32_t col) const;
  QVariant TextRole(std::int32_t row, std::int32_t col, int role, const QColor& background,
                    const QColor& text) const;
  // Brings the model's counts in line with the grid after a change that came
  // without its Begin/End notices.
  void CatchUp();

  Grid& grid_;
  QHash<PictureHandle, QPixmap> pictures_;
  QFont font_;
  int rows_ = 0;  // model rows and columns as last announced
  int cols_ = 0;
  int resetDepth_ = 0;
  bool inChange_ = false;  // between a row insertion's or removal's two notices
  bool deferAppends_ = false;
  bool inDeferredAppend_ = false;  // between the two notices of an unannounced append
  int pendingRows_ = 0;            // grid rows after the model's last, not yet announced
};

}  // namespace ndr
