// The message grid as a window of its own: paints only the cells in view
// straight from the core's Grid (no item per cell), keeps the fixed header
// row and column in place, scrolls by rows and pixels, and turns the mouse
// and the keyboard into the grid's selection and the Desk's grid events.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "desk.h"
#include "desk_protocol.h"
#include "grid.h"
#include "grid_input.h"

namespace ndr::win32 {

class GridWindow : public GridObserver {
 public:
  // Runs a Desk handler the way the main window does (then shows the state).
  using Runner = std::function<void(const std::function<void()>&)>;

  GridWindow(Grid& grid, Desk& desk, Runner runner, double twipsPerPixel);
  ~GridWindow() override;
  static bool RegisterClass(HINSTANCE instance);
  HWND Create(HWND parent, int id, const RECT& place, HFONT font);
  HWND Handle() const { return hwnd_; }
  void SetBusy(bool busy);
  // Brings scroll bars up to date and paints what changed, now.
  void Flush();

  // GridObserver
  void EndReset() override { Changed(true); }
  void EndInsertRows() override { Changed(true); }
  void EndRemoveRows() override { Changed(true); }
  void CellsChanged(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {
    Changed(false);
  }
  void ColumnsChanged() override { Changed(true); }
  void SelectionChanged() override { Changed(false); }
  void ToolTipChanged() override;

  void SetToolTipWindow(HWND toolTip) { toolTip_ = toolTip; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  int Px(std::int32_t twips) const;
  int ColWidthPx(std::int32_t col) const;
  int RowHeightPx() const { return rowHeight_; }
  int BodyHeight() const;
  int BodyWidth() const;
  int VisibleRows() const;  // whole rows that fit below the header
  std::int32_t BodyRows() const { return grid_.Rows() - grid_.FixedRows(); }
  void Changed(bool layout);
  void UpdateScrollBars();
  void Paint(HDC dc, const RECT& area);
  void PaintCell(HDC dc, std::int32_t row, std::int32_t col, const RECT& cell);
  GridPoint PointAt(int x, int y) const;
  bool CellRect(std::int32_t row, std::int32_t col, RECT& rect) const;
  int ColumnLeft(std::int32_t col) const;  // x of a body column, scrolled

  void OnMouseDown(int button, WPARAM keys, int x, int y, bool doubleClick);
  void OnMouseMove(WPARAM keys, int x, int y);
  void OnMouseUp(int button, WPARAM keys, int x, int y);
  void FollowCapture();
  void OnKeyDown(WPARAM key);
  void ScrollTo(std::int32_t topRow, int leftPx);
  void EnsureVisible(std::int32_t row, std::int32_t col);
  void OnScroll(int bar, int request);

  Grid& grid_;
  GridInput input_;
  Runner run_;
  double twipsPerPixel_;
  HWND hwnd_ = nullptr;
  HWND toolTip_ = nullptr;
  HFONT font_ = nullptr;
  int rowHeight_ = 16;
  std::int32_t topRow_ = 1;  // first body row in view
  int leftPx_ = 0;           // body columns scrolled away, in pixels
  bool trackingLeave_ = false;
  bool busy_ = false;
  bool layoutDirty_ = true;
  bool invalidPending_ = false;
  bool changedWhileBusy_ = false;
  std::chrono::steady_clock::time_point lastBusyPaint_;
  std::int32_t pickedRow_ = 0, pickedCol_ = 0;
  bool pickedHint_ = false;
};

}  // namespace ndr::win32
