#include "grid_window.h"

#include <windowsx.h>

#include <commctrl.h>
#include <algorithm>
#include <cmath>

#include "gdi_pictures.h"
#include "screen_text.h"

namespace ndr::win32 {
namespace {

constexpr int kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
constexpr int kFlagAlignment = 7;  // right, vertically centred
constexpr int kTextPadding = 2;
constexpr int kWheelRows = 3;

int ShiftState(WPARAM keys) {
  return ((keys & MK_SHIFT) != 0 ? 1 : 0) | ((keys & MK_CONTROL) != 0 ? 2 : 0) |
         (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

int KeyShiftState() {
  return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
         (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

int ButtonsDown(WPARAM keys) {
  return ((keys & MK_LBUTTON) != 0 ? kLeftButton : 0) |
         ((keys & MK_RBUTTON) != 0 ? kRightButton : 0) |
         ((keys & MK_MBUTTON) != 0 ? kMiddleButton : 0);
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

}  // namespace

GridWindow::GridWindow(Grid& grid, Desk& desk, Runner runner, double twipsPerPixel)
    : grid_(grid), input_(desk, grid), run_(std::move(runner)), twipsPerPixel_(twipsPerPixel) {
  rowHeight_ = std::max(8, Px(kGridRowHeight));
  grid_.SetObserver(this);
}

GridWindow::~GridWindow() {
  grid_.SetObserver(nullptr);
}

bool GridWindow::RegisterClass(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &GridWindow::Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kGridWindowClass;
  return RegisterClassExA(&wc) != 0;
}

HWND GridWindow::Create(HWND parent, int id, const RECT& place, HFONT font) {
  font_ = font;
  hwnd_ = CreateWindowExA(
      WS_EX_CLIENTEDGE, kGridWindowClass, "",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL, place.left,
      place.top, place.right - place.left, place.bottom - place.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), this);
  UpdateScrollBars();
  return hwnd_;
}

LRESULT CALLBACK GridWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* self = static_cast<GridWindow*>(create->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<GridWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr)
    return DefWindowProcA(hwnd, message, wParam, lParam);
  return self->OnMessage(message, wParam, lParam);
}

int GridWindow::Px(std::int32_t twips) const {
  return static_cast<int>(std::lround(twips / twipsPerPixel_));
}

int GridWindow::ColWidthPx(std::int32_t col) const {
  return Px(grid_.ColWidth(col));
}

int GridWindow::BodyHeight() const {
  RECT client;
  GetClientRect(hwnd_, &client);
  return std::max(0, static_cast<int>(client.bottom) - rowHeight_);
}

int GridWindow::BodyWidth() const {
  int width = 0;
  for (std::int32_t col = grid_.FixedCols(); col < grid_.Cols(); ++col)
    width += ColWidthPx(col);
  return width;
}

int GridWindow::VisibleRows() const {
  return std::max(1, BodyHeight() / rowHeight_);
}

int GridWindow::ColumnLeft(std::int32_t col) const {
  int x = ColWidthPx(0) - leftPx_;
  for (std::int32_t c = grid_.FixedCols(); c < col; ++c)
    x += ColWidthPx(c);
  return x;
}

// Many changes come between two paints (a scan appends thousands of rows):
// the window is invalidated once and looks at the grid when it paints.
void GridWindow::Changed(bool layout) {
  layoutDirty_ = layoutDirty_ || layout;
  if (busy_) {
    changedWhileBusy_ = true;  // shown by Flush, a few times a second
    return;
  }
  if (hwnd_ != nullptr && !invalidPending_) {
    invalidPending_ = true;
    InvalidateRect(hwnd_, nullptr, FALSE);
  }
}

// While a scan runs the grid repaints a few times a second, enough to watch it
// fill; painting at every event run would cost the scan a good part of its time.
void GridWindow::Flush() {
  constexpr auto kBusyPaintInterval = std::chrono::milliseconds(250);
  const auto now = std::chrono::steady_clock::now();
  if (changedWhileBusy_ && now - lastBusyPaint_ >= kBusyPaintInterval) {
    changedWhileBusy_ = false;
    lastBusyPaint_ = now;
    invalidPending_ = true;
    InvalidateRect(hwnd_, nullptr, FALSE);
  }
  UpdateWindow(hwnd_);
}

void GridWindow::SetBusy(bool busy) {
  busy_ = busy;
  if (!busy && changedWhileBusy_) {
    changedWhileBusy_ = false;
    Changed(true);
  }
}

// The hint follows the cell under the pointer: a new text replaces the one
// shown, and no text takes it away at once. A long text wraps.
void GridWindow::ToolTipChanged() {
  if (toolTip_ == nullptr)
    return;
  if (grid_.ToolTipText().empty())
    SendMessageA(toolTip_, TTM_POP, 0, 0);
  std::wstring hint = ScreenText(grid_.ToolTipText());
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = GetParent(hwnd_);
  tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  tool.lpszText = hint.data();
  SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void GridWindow::UpdateScrollBars() {
  layoutDirty_ = false;
  if (hwnd_ == nullptr)
    return;
  RECT client;
  GetClientRect(hwnd_, &client);
  const std::int32_t maxTop =
      std::max<std::int32_t>(grid_.FixedRows(), grid_.Rows() - VisibleRows());
  topRow_ = std::clamp<std::int32_t>(topRow_, grid_.FixedRows(), maxTop);
  SCROLLINFO v{};
  v.cbSize = sizeof v;
  v.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  v.nMin = 0;
  v.nMax = std::max(0, BodyRows() - 1);
  v.nPage = static_cast<UINT>(VisibleRows());
  v.nPos = topRow_ - grid_.FixedRows();
  SetScrollInfo(hwnd_, SB_VERT, &v, TRUE);

  const int bodyView = std::max(0, static_cast<int>(client.right) - ColWidthPx(0));
  leftPx_ = std::clamp(leftPx_, 0, std::max(0, BodyWidth() - bodyView));
  SCROLLINFO h{};
  h.cbSize = sizeof h;
  h.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  h.nMin = 0;
  h.nMax = std::max(0, BodyWidth() - 1);
  h.nPage = static_cast<UINT>(bodyView);
  h.nPos = leftPx_;
  SetScrollInfo(hwnd_, SB_HORZ, &h, TRUE);
}

// --- Painting -------------------------------------------------------------------

void GridWindow::PaintCell(HDC dc, std::int32_t row, std::int32_t col, const RECT& cell) {
  const GridLooks& looks = GridAppearance();
  const bool fixed = row < grid_.FixedRows() || col < grid_.FixedCols();
  const std::int32_t top = std::min(grid_.Row(), grid_.RowSel());
  const std::int32_t bottom = std::max(grid_.Row(), grid_.RowSel());
  const std::int32_t left = std::min(grid_.Col(), grid_.ColSel());
  const std::int32_t right = std::max(grid_.Col(), grid_.ColSel());
  const bool selected = !fixed && row >= top && row <= bottom && col >= left && col <= right;
  COLORREF background = ToColorRef(fixed ? looks.fixedBackground : looks.cellBackground);
  COLORREF text = ToColorRef(fixed ? looks.fixedText : looks.cellText);
  if (selected) {
    background = GetSysColor(COLOR_HIGHLIGHT);
    text = GetSysColor(COLOR_HIGHLIGHTTEXT);
  }
  RECT inner = cell;
  inner.right -= 1;
  inner.bottom -= 1;
  SetBkColor(dc, background);
  SetTextColor(dc, text);
  const std::wstring content = ScreenText(grid_.TextMatrix(row, col));
  SIZE extent{};
  GetTextExtentPoint32W(dc, content.data(), static_cast<int>(content.size()), &extent);
  const int x = grid_.ColAlignment(col) == ColumnAlignment::Right
                    ? inner.right - kTextPadding - extent.cx
                    : inner.left + kTextPadding;
  const int y = inner.top + (inner.bottom - inner.top - extent.cy) / 2;
  ExtTextOutW(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &inner, content.data(),
              static_cast<UINT>(content.size()), nullptr);
  if (grid_.CellPictureAt(row, col) != kNoPicture &&
      grid_.CellPictureAlignmentAt(row, col) == kFlagAlignment) {
    const int side = inner.bottom - inner.top - 1;
    const RECT place{inner.right - side - 1, inner.top + 1, inner.right - 1, inner.top + 1 + side};
    DrawPicture(dc, Picture::Sunset, place);
  }
  const RECT rightLine{inner.right, cell.top, cell.right, cell.bottom};
  const RECT bottomLine{cell.left, inner.bottom, cell.right, cell.bottom};
  FillSolid(dc, rightLine, ToColorRef(looks.lines));
  FillSolid(dc, bottomLine, ToColorRef(looks.lines));
}

void GridWindow::Paint(HDC dc, const RECT& area) {
  FillSolid(dc, area, ToColorRef(GridAppearance().emptyArea));
  HGDIOBJ oldFont = SelectObject(dc, font_);
  const int fixedWidth = ColWidthPx(0);
  const std::int32_t lastRow = grid_.Rows() - 1;
  // Body rows in view, then the header row over them, then the fixed column.
  const auto paintRow = [&](std::int32_t row, int y) {
    int x = ColumnLeft(grid_.FixedCols());
    for (std::int32_t col = grid_.FixedCols(); col < grid_.Cols() && x < area.right; ++col) {
      const int width = ColWidthPx(col);
      if (x + width > fixedWidth) {
        const RECT cell{x, y, x + width, y + rowHeight_};
        PaintCell(dc, row, col, cell);
      }
      x += width;
    }
  };
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, fixedWidth, 0, area.right, area.bottom);
  int y = rowHeight_;
  for (std::int32_t row = topRow_; row <= lastRow && y < area.bottom; ++row, y += rowHeight_)
    paintRow(row, y);
  paintRow(0, 0);
  RestoreDC(dc, saved);
  PaintCell(dc, 0, 0, RECT{0, 0, fixedWidth, rowHeight_});
  y = rowHeight_;
  for (std::int32_t row = topRow_; row <= lastRow && y < area.bottom; ++row, y += rowHeight_)
    PaintCell(dc, row, 0, RECT{0, y, fixedWidth, y + rowHeight_});
  SelectObject(dc, oldFont);
}

GridPoint GridWindow::PointAt(int x, int y) const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  GridViewport view;
  view.twipsPerPixel = twipsPerPixel_;
  view.rowHeight = rowHeight_;
  view.width = client.right;
  view.height = client.bottom;
  view.topRow = topRow_;
  view.leftPx = leftPx_;
  return PointOnGrid(grid_, view, x, y);
}

bool GridWindow::CellRect(std::int32_t row, std::int32_t col, RECT& rect) const {
  if (row < 0 || col < 0 || row >= grid_.Rows() || col >= grid_.Cols())
    return false;
  if (row != 0 && (row < topRow_ || row >= topRow_ + VisibleRows()))
    return false;
  const int y = row == 0 ? 0 : rowHeight_ * (1 + row - topRow_);
  const int x = col == 0 ? 0 : ColumnLeft(col);
  rect = RECT{x, y, x + ColWidthPx(col), y + rowHeight_};
  RECT client;
  GetClientRect(hwnd_, &client);
  return (col == 0 || x >= ColWidthPx(0)) && rect.right <= client.right;
}

// --- Scrolling ------------------------------------------------------------------

void GridWindow::ScrollTo(std::int32_t topRow, int leftPx) {
  topRow_ = topRow;
  leftPx_ = leftPx;
  UpdateScrollBars();  // clamps
  InvalidateRect(hwnd_, nullptr, FALSE);
  // Another cell now lies under a pointer that stayed where it was.
  POINT at;
  if (!busy_ && GetCursorPos(&at) && ScreenToClient(hwnd_, &at)) {
    RECT client;
    GetClientRect(hwnd_, &client);
    if (PtInRect(&client, at))
      run_([&] { input_.Move(0, KeyShiftState(), PointAt(at.x, at.y)); });
  }
}

void GridWindow::EnsureVisible(std::int32_t row, std::int32_t col) {
  std::int32_t top = topRow_;
  if (row >= grid_.FixedRows()) {
    if (row < top)
      top = row;
    else if (row >= top + VisibleRows())
      top = row - VisibleRows() + 1;
  }
  int left = leftPx_;
  if (col >= grid_.FixedCols()) {
    RECT client;
    GetClientRect(hwnd_, &client);
    const int start = ColumnLeft(col) + leftPx_ - ColWidthPx(0);
    const int end = start + ColWidthPx(col);
    const int view = std::max(0, static_cast<int>(client.right) - ColWidthPx(0));
    if (start < left)
      left = start;
    else if (end > left + view)
      left = std::min(start, end - view);
  }
  if (top != topRow_ || left != leftPx_)
    ScrollTo(top, left);
}

void GridWindow::OnScroll(int bar, int request) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(hwnd_, bar, &info);
  const int page = static_cast<int>(info.nPage);
  const int line = bar == SB_VERT ? 1 : rowHeight_;
  int pos = info.nPos;
  switch (request) {
    case SB_LINEUP:
      pos -= line;
      break;
    case SB_LINEDOWN:
      pos += line;
      break;
    case SB_PAGEUP:
      pos -= page;
      break;
    case SB_PAGEDOWN:
      pos += page;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      pos = info.nTrackPos;  // 32 bits, unlike the message's 16
      break;
    case SB_TOP:
      pos = info.nMin;
      break;
    case SB_BOTTOM:
      pos = info.nMax;
      break;
    default:
      return;
  }
  if (bar == SB_VERT)
    ScrollTo(grid_.FixedRows() + std::max(0, pos), leftPx_);
  else
    ScrollTo(topRow_, std::max(0, pos));
}

// --- Mouse and keyboard -----------------------------------------------------------

// The press goes to the core before the grid takes the focus: a box that
// loses the focus may start a scan, and that scan ends this press.
void GridWindow::OnMouseDown(int button, WPARAM keys, int x, int y, bool doubleClick) {
  if (busy_)
    return;
  const GridPoint point = PointAt(x, y);
  if (point.at.row >= grid_.FixedRows())
    EnsureVisible(point.at.row, point.at.col);
  run_([&] {
    if (doubleClick)
      input_.DoubleClick(button, point);
    else
      input_.Press(button, ShiftState(keys), point);
  });
  if (button != kMiddleButton)
    SetFocus(hwnd_);
  FollowCapture();
}

void GridWindow::OnMouseMove(WPARAM keys, int x, int y) {
  if (busy_)
    return;
  if (!trackingLeave_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
    trackingLeave_ = TrackMouseEvent(&track) != FALSE;
  }
  const GridPoint point = PointAt(x, y);
  run_([&] { input_.Move(ButtonsDown(keys), ShiftState(keys), point); });
  if (input_.Captured())
    EnsureVisible(grid_.RowSel(), grid_.ColSel());
}

void GridWindow::OnMouseUp(int button, WPARAM keys, int x, int y) {
  const GridPoint point = PointAt(x, y);
  run_([&] { input_.Release(button, ShiftState(keys), point); });
  FollowCapture();
}

// The window holds the pointer exactly while the core says the grid has it.
void GridWindow::FollowCapture() {
  const bool held = GetCapture() == hwnd_;
  if (input_.Captured() && !held)
    SetCapture(hwnd_);
  else if (!input_.Captured() && held)
    ReleaseCapture();
}

void GridWindow::OnKeyDown(WPARAM key) {
  if (busy_)
    return;
  bool moved = false;
  run_([&] { moved = input_.KeyDown(static_cast<int>(key), KeyShiftState(), VisibleRows()); });
  if (moved)
    EnsureVisible(grid_.RowSel(), grid_.ColSel());
}

LRESULT GridWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_PAINT: {
      invalidPending_ = false;
      if (layoutDirty_)
        UpdateScrollBars();
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT client;
      GetClientRect(hwnd_, &client);
      // Painted off screen and shown at once: no flicker while a scan runs.
      HDC memory = CreateCompatibleDC(dc);
      HBITMAP bitmap =
          CreateCompatibleBitmap(dc, std::max(1L, client.right), std::max(1L, client.bottom));
      HGDIOBJ old = SelectObject(memory, bitmap);
      Paint(memory, client);
      BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      UpdateScrollBars();
      return 0;
    case WM_VSCROLL:
      OnScroll(SB_VERT, LOWORD(wParam));
      return 0;
    case WM_HSCROLL:
      OnScroll(SB_HORZ, LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      ScrollTo(topRow_ - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * kWheelRows, leftPx_);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnMouseDown(kLeftButton, wParam, x, y, message == WM_LBUTTONDBLCLK);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      OnMouseDown(kRightButton, wParam, x, y, false);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      OnMouseDown(kMiddleButton, wParam, x, y, false);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(wParam, x, y);
      return 0;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      if (!busy_)
        run_([this] { input_.Leave(); });
      return 0;
    case WM_LBUTTONUP:
      OnMouseUp(kLeftButton, wParam, x, y);
      return 0;
    case WM_RBUTTONUP:
      OnMouseUp(kRightButton, wParam, x, y);
      return 0;
    case WM_MBUTTONUP:
      OnMouseUp(kMiddleButton, wParam, x, y);
      return 0;
    case WM_CAPTURECHANGED:
      // Taken by another window (a popup menu): the press is over.
      if (reinterpret_cast<HWND>(lParam) != hwnd_ && input_.Captured())
        run_([this] { input_.CaptureLost(); });
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(wParam);
      return 0;
    case WM_KEYUP:
      // A key's release comes once, when it comes up: bit 30 says it was down.
      if (!busy_) {
        const int code = static_cast<int>(wParam);
        const int shift = KeyShiftState();
        run_([&] { input_.KeyUp(code, shift, false); });
      }
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case kGridGetRows:
      return grid_.Rows();
    case kGridGetCols:
      return grid_.Cols();
    case kGridGetSelection: {
      const std::int32_t values[] = {grid_.Row(), grid_.Col(), grid_.RowSel(), grid_.ColSel()};
      return wParam < 4 ? values[wParam] : -1;
    }
    case kGridPickCell:
      pickedHint_ = false;
      pickedRow_ = static_cast<std::int32_t>(wParam);
      pickedCol_ = static_cast<std::int32_t>(lParam);
      return 0;
    case kGridPickHint:
      pickedHint_ = true;
      return 0;
    case WM_GETTEXTLENGTH:
    case WM_GETTEXT: {
      const bool cell = pickedRow_ >= 0 && pickedCol_ >= 0 && pickedRow_ < grid_.Rows() &&
                        pickedCol_ < grid_.Cols();
      if (!pickedHint_ && !cell)
        return 0;
      const std::string_view text =
          pickedHint_ ? input_.Hint() : grid_.TextMatrix(pickedRow_, pickedCol_);
      if (message == WM_GETTEXTLENGTH)
        return static_cast<LRESULT>(text.size());
      const std::size_t room = static_cast<std::size_t>(wParam);
      if (room == 0)
        return 0;
      const std::size_t n = std::min(text.size(), room - 1);
      char* buffer = reinterpret_cast<char*>(lParam);
      std::copy_n(text.data(), n, buffer);
      buffer[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case kGridCellCentre: {
      RECT cell;
      if (!CellRect(static_cast<std::int32_t>(wParam), static_cast<std::int32_t>(lParam), cell))
        return -1;
      return MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    }
    case kGridHasFlag: {
      const auto row = static_cast<std::int32_t>(wParam);
      return row >= 0 && row < grid_.Rows() && grid_.CellPictureAt(row, 3) != kNoPicture;
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace ndr::win32
