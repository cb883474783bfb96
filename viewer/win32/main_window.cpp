#include "main_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <algorithm>
#include <cmath>

#include "ascii.h"
#include "gdi_pictures.h"
#include "platform.h"
#include "screen_text.h"

namespace ndr::win32 {
namespace {

constexpr PictureHandle kFlagPicture = 1;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kIconPictureSize = 32;  // the action buttons' pictures
// Input that a scan has to drop.
constexpr UINT kInputRanges[][2] = {{WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}};

HFONT g_frameFont = nullptr;  // the form's font, for the frames' captions

// A frame: its background, an etched border and the caption in its colour.
// It passes its children's notices on to the main window, and reports a
// double-click on itself as STN_DBLCLK.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto* desc = reinterpret_cast<const ControlSpec*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrA(
          hwnd, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
      break;
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return SendMessageA(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
    case WM_LBUTTONDBLCLK:
      SendMessageA(GetAncestor(hwnd, GA_ROOT), WM_COMMAND,
                   MAKEWPARAM(GetDlgCtrlID(hwnd), STN_DBLCLK), reinterpret_cast<LPARAM>(hwnd));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rect;
      GetClientRect(hwnd, &rect);
      HBRUSH background = CreateSolidBrush(ToColorRef(*desc->background));
      FillRect(dc, &rect, background);
      HGDIOBJ oldFont = SelectObject(dc, g_frameFont);
      TEXTMETRICA metrics;
      GetTextMetricsA(dc, &metrics);
      RECT border = rect;
      border.top += metrics.tmHeight / 2;
      DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
      const std::wstring caption = ScreenText(desc->caption);
      if (!caption.empty()) {
        SIZE extent;
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        RECT text{8, 0, std::min<LONG>(8 + extent.cx + 4, rect.right - 2), metrics.tmHeight};
        FillRect(dc, &text, background);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ToColorRef(*desc->foreground));
        text.left += 2;
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                  DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      }
      SelectObject(dc, oldFont);
      DeleteObject(background);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

MainWindow* g_window = nullptr;  // the one window, for the subclassed edit box

HFONT MakeFont(std::string_view face, double points, int dpiY, DWORD pitch) {
  const int height = -static_cast<int>(std::lround(points * dpiY / 72.0));
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch,
                     std::string(face).c_str());
}

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(std::max(0, length)) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(0, got)));
  return Utf8FromWide(text);
}

// The dialog gives the system's path; the core works on drive paths. Only a
// test build maps drives into a folder (root\x\... for X:\...).
std::string DrivePathFromNative(const std::string& native) {
  std::string root = DriveRoot();
  std::replace(root.begin(), root.end(), '/', '\\');
  const std::size_t n = root.size();
  if (root.empty() || !StartsWithIgnoreCase(native, root) || native.size() < n + 2 ||
      native[n] != '\\' || !IsAsciiLetter(native[n + 1]) ||
      (native.size() > n + 2 && native[n + 2] != '\\')) {
    return native;
  }
  return std::string(1, AsciiUpper(native[n + 1])) + ":" +
         (native.size() > n + 2 ? native.substr(n + 2) : "\\");
}

void SetTextIfChanged(HWND hwnd, const std::string& text) {
  const std::wstring wide = ScreenText(text);
  if (WindowText(hwnd) != Utf8FromWide(wide))
    SetWindowTextW(hwnd, wide.c_str());
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {
  g_window = this;
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpiX > 0)
    twipsPerPixel_ = 1440.0 / dpiX;
  formFont_ = MakeFont(kFormFontFace, kFormFontPoints, dpiY, DEFAULT_PITCH | FF_SWISS);
  gridFont_ = MakeFont(kGridFontFace, kGridFontPoints, dpiY, FIXED_PITCH | FF_MODERN);
  g_frameFont = formFont_;
  desk_ = std::make_unique<Desk>(*this, grid_);
  gridWindow_ = std::make_unique<GridWindow>(
      grid_, *desk_, [this](const std::function<void()>& handler) { Run(handler); },
      twipsPerPixel_);
}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr && IsWindow(hwnd_))
    DestroyWindow(hwnd_);
  gridWindow_.reset();
  for (HBRUSH brush : brushes_) {
    if (brush != nullptr)
      DeleteObject(brush);
  }
  if (shortcuts_ != nullptr)
    DestroyAcceleratorTable(shortcuts_);
  for (HICON icon : {bigIcon_, smallIcon_}) {
    if (icon != nullptr)
      DestroyIcon(icon);
  }
  DeleteObject(formFont_);
  DeleteObject(gridFont_);
  g_window = nullptr;
}

bool MainWindow::RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXA main{};
  main.cbSize = sizeof main;
  main.lpfnWndProc = &MainWindow::Proc;
  main.hInstance = instance;
  main.hCursor = LoadCursor(nullptr, IDC_ARROW);
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  main.lpszClassName = kDeskWindowClass;
  WNDCLASSEXA frame{};
  frame.cbSize = sizeof frame;
  frame.style = CS_DBLCLKS;
  frame.lpfnWndProc = &FrameProc;
  frame.hInstance = instance;
  frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
  frame.lpszClassName = kFrameWindowClass;
  return RegisterClassExA(&main) != 0 && RegisterClassExA(&frame) != 0 &&
         GridWindow::RegisterClass(instance);
}

int MainWindow::Px(int twips) const {
  return static_cast<int>(std::lround(twips / twipsPerPixel_));
}

RECT MainWindow::PixelRect(const TwipsRect& twips) const {
  const int left = Px(twips.left), top = Px(twips.top);
  return RECT{left, top, left + Px(twips.width), top + Px(twips.height)};
}

// --- Building the window -------------------------------------------------------

bool MainWindow::Create() {
  hwnd_ = CreateWindowExA(0, kDeskWindowClass, std::string(kFormTitle).c_str(),
                          kWindowStyle | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                          Px(kFormClientWidth), Px(kFormClientHeight), nullptr, nullptr, instance_,
                          this);
  if (hwnd_ == nullptr)
    return false;
  SetTimer(hwnd_, kProgramsTimer, 500, nullptr);  // the Apps menu's batch programs
  bigIcon_ = MakePictureIcon(Picture::Sunset, GetSystemMetrics(SM_CXICON));
  smallIcon_ = MakePictureIcon(Picture::Sunset, GetSystemMetrics(SM_CXSMICON));
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  toolTip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
  // Long hints (a subject) wrap at half the screen's width.
  SendMessageA(toolTip_, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN) / 2);
  BuildMenus();
  BuildControls();
  SizeAndCentre();
  SyncFromDesk();
  return true;
}

void MainWindow::BuildControls() {
  const std::span<const ControlSpec> specs = FormControls();
  controls_.assign(specs.size(), nullptr);
  brushes_.assign(specs.size(), nullptr);
  for (std::size_t i = 0; i < specs.size(); ++i) {
    const ControlSpec& desc = specs[i];
    HWND parent = desc.parent ? Control(*desc.parent) : hwnd_;
    if (desc.background)
      brushes_[i] = CreateSolidBrush(ToColorRef(*desc.background));
    controls_[i] = CreateControl(desc, parent);
    if (!desc.toolTip.empty())
      AddToolTip(controls_[i], std::string(desc.toolTip));
  }
  const ControlSpec* extra = FindControl(ControlId::Option3, 4);
  shownExtraToolTip_ = std::string(extra->toolTip);
}

HWND MainWindow::CreateControl(const ControlSpec& desc, HWND parent) {
  const RECT place = PixelRect(desc.twips);
  const int id = ControlWindowId(desc.id, desc.index);
  const std::string caption(desc.caption);
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (desc.visible ? WS_VISIBLE : 0);
  DWORD exStyle = 0;
  const char* windowClass = "BUTTON";
  void* param = nullptr;
  switch (desc.kind) {
    case ControlKind::Frame:
      windowClass = kFrameWindowClass;
      param = const_cast<ControlSpec*>(&desc);
      break;
    case ControlKind::OptionButton:
      style |= BS_RADIOBUTTON | WS_TABSTOP;
      break;
    case ControlKind::GraphicalButton:
      style |= BS_OWNERDRAW | WS_TABSTOP;
      break;
    case ControlKind::DisplayBox:
      // Shows values and takes no input; a static box keeps the figures
      // readable where a disabled edit box would grey them.
      windowClass = "STATIC";
      style |= SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX;
      exStyle = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::TextBox:
      windowClass = "EDIT";
      style |= ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP;
      break;
    case ControlKind::Grid: {
      HWND grid = gridWindow_->Create(parent, id, place, gridFont_);
      gridWindow_->SetToolTipWindow(toolTip_);
      grid_.SetToolTipText(std::string(desc.toolTip));
      return grid;
    }
  }
  HWND control =
      CreateWindowExA(exStyle, windowClass, caption.c_str(), style, place.left, place.top,
                      place.right - place.left, place.bottom - place.top, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, param);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_), FALSE);
  if (desc.kind == ControlKind::TextBox) {
    dirBoxDefault_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::DirBoxProc)));
  }
  return control;
}

void MainWindow::AddToolTip(HWND control, const std::string& text) {
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(text.c_str());
  SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void MainWindow::UpdateToolTip(HWND control, const std::string& text) {
  std::wstring wide = ScreenText(text);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = wide.data();
  SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void MainWindow::BuildMenus() {
  HMENU bar = CreateMenu();
  std::vector<ACCEL> shortcuts;
  for (const MenuSpec& menu : FormMenus()) {
    HMENU popup = CreatePopupMenu();
    AddMenuItems(popup, menu, shortcuts);
    AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                std::string(menu.caption).c_str());
  }
  SetMenu(hwnd_, bar);
  if (!shortcuts.empty())
    shortcuts_ = CreateAcceleratorTableA(shortcuts.data(), static_cast<int>(shortcuts.size()));
}

void MainWindow::AddMenuItems(HMENU menu, const MenuSpec& desc, std::vector<ACCEL>& shortcuts) {
  if (desc.id == MenuId::MnuPOPH)
    headerMenu_ = menu;
  else if (desc.id == MenuId::MnuPOPB)
    bodyMenu_ = menu;
  for (const MenuSpec& item : desc.Items()) {
    if (item.IsSeparator()) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else if (item.IsSubmenu()) {
      HMENU popup = CreatePopupMenu();
      AddMenuItems(popup, item, shortcuts);
      AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                  std::string(item.caption).c_str());
    } else {
      const int id = MenuCommandId(item.id, item.index);
      std::string caption(item.caption);
      // "Ctrl+A": a control key with a letter is all the form uses.
      constexpr std::string_view kCtrl = "Ctrl+";
      if (item.shortcut.size() == kCtrl.size() + 1 &&
          item.shortcut.substr(0, kCtrl.size()) == kCtrl) {
        caption += '\t';  // piecewise: GCC 12 warns falsely on "\t" + string
        caption += item.shortcut;
        shortcuts.push_back(ACCEL{FCONTROL | FVIRTKEY, static_cast<WORD>(item.shortcut.back()),
                                  static_cast<WORD>(id)});
      }
      AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(id), caption.c_str());
    }
  }
}

// The client area at the form's size whatever the frame and the menu bar
// take, then centred on the screen by the window's outer size.
void MainWindow::SizeAndCentre() {
  const int width = Px(kFormClientWidth), height = Px(kFormClientHeight);
  RECT outer{0, 0, width, height};
  AdjustWindowRectEx(&outer, kWindowStyle, TRUE, 0);
  int outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
  SetWindowPos(hwnd_, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(hwnd_, &client);
  // A menu bar that wraps takes more than one line.
  outerWidth += width - client.right;
  outerHeight += height - client.bottom;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2;
  SetWindowPos(hwnd_, nullptr, left, top, outerWidth, outerHeight, SWP_NOZORDER);
}

// --- Start-up --------------------------------------------------------------------

void MainWindow::Start() {
  SizeAndCentre();
  SetWindowTextA(hwnd_, std::string(kFormTitle).c_str());
  Run([this] { desk_->SelectStartupChoices(); });
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  SetFocus(gridWindow_->Handle());
  Run([this] { desk_->FinishStartup(); });
}

bool MainWindow::TranslateShortcut(MSG& message) {
  if (shortcuts_ == nullptr || busy_)
    return false;
  // Ctrl+A in the extra folder's box selects its text, not the grid.
  if (GetFocus() == Control(ControlId::txt_DIR))
    return false;
  return TranslateAcceleratorA(hwnd_, shortcuts_, &message) != 0;
}

// --- Running handlers and showing the state ---------------------------------------

void MainWindow::Run(const std::function<void()>& handler) {
  ++runDepth_;
  handler();
  --runDepth_;
  if (runDepth_ != 0)
    return;
  SyncFromDesk();
  if (desk_->CloseDue())
    DestroyWindow(hwnd_);
}

void MainWindow::SyncCounters() {
  static constexpr ControlId kBoxes[] = {ControlId::txt_Info1, ControlId::txt_Info2,
                                         ControlId::txt_Info3, ControlId::txt_NbSelV,
                                         ControlId::txt_NbSelH};
  for (std::size_t i = 0; i < shownCounters_.size(); ++i) {
    const std::string& text = desk_->BoxText(kBoxes[i]);
    if (shownCounters_[i] == text)
      continue;
    shownCounters_[i] = text;
    SetWindowTextW(Control(kBoxes[i]), ScreenText(text).c_str());
  }
}

// Everything the core's state says, as it says it: the window keeps no copy
// of its own that could go stale.
void MainWindow::SyncFromDesk() {
  SyncCounters();
  for (const ControlSpec& desc : FormControls()) {
    if (desc.kind != ControlKind::OptionButton)
      continue;
    HWND option = Control(desc.id, desc.index);
    const WPARAM check = desk_->SelectedOption(desc.id) == desc.index ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(SendMessageA(option, BM_GETCHECK, 0, 0)) != check)
      SendMessageA(option, BM_SETCHECK, check, 0);
    SetTextIfChanged(option, desk_->OptionCaption(desc.id, desc.index));
  }
  if (shownExtraToolTip_ != desk_->Option3ExtraToolTip()) {
    shownExtraToolTip_ = desk_->Option3ExtraToolTip();
    UpdateToolTip(Control(ControlId::Option3, 4), shownExtraToolTip_);
  }
  HWND dirBox = Control(ControlId::txt_DIR);
  SetTextIfChanged(dirBox, desk_->DirBoxText());
  const bool visible = IsWindowVisible(dirBox) != FALSE;
  if (visible != desk_->DirBoxVisible()) {
    SetWindowPos(
        dirBox, HWND_TOP, 0, 0, 0, 0,
        SWP_NOMOVE | SWP_NOSIZE | (desk_->DirBoxVisible() ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  }
  if (desk_->TakeDirBoxFocus() && desk_->DirBoxVisible())
    SetFocus(dirBox);
}

const ControlSpec* MainWindow::SpecOf(HWND control) const {
  return ControlOfWindowId(GetDlgCtrlID(control));
}

HWND MainWindow::Control(ControlId id, int index) const {
  const ControlSpec* desc = FindControl(id, index);
  if (desc == nullptr)
    return nullptr;
  const auto position = static_cast<std::size_t>(desc - FormControls().data());
  return position < controls_.size() ? controls_[position] : nullptr;
}

void MainWindow::OnCommand(int id, int code) {
  if (busy_)
    return;  // no second scan, nor anything else, while one runs
  if (id >= kFirstMenuCommandId) {
    RunMenuCommand(id);
    return;
  }
  const ControlSpec* found = ControlOfWindowId(id);
  if (found == nullptr)
    return;
  const ControlSpec& desc = *found;
  // A quick second click arrives as a double-click: the core says what it is.
  const bool doubleClick = code == BN_DOUBLECLICKED || code == STN_DBLCLK;
  switch (desc.kind) {
    case ControlKind::OptionButton:
    case ControlKind::GraphicalButton:
    case ControlKind::Frame:
      if (code == BN_CLICKED && desc.kind != ControlKind::Frame)
        Run([&] { RunFormCommand(*desk_, desc.id, desc.index); });
      else if (doubleClick)
        Run([&] { RunFormDoubleClick(*desk_, desc.id, desc.index); });
      return;
    case ControlKind::TextBox:
      if (code == EN_CHANGE)
        desk_->txt_DIR_Change(WindowText(Control(desc.id)));
      return;
    default:
      return;
  }
}

void MainWindow::RunMenuCommand(int id) {
  const MenuSpec* item = MenuItemOfCommandId(id);
  if (item != nullptr)
    Run([&] { RunFormCommand(*desk_, item->id, item->index); });
}

void MainWindow::DrawButton(const DRAWITEMSTRUCT& item) {
  const ControlSpec* desc = SpecOf(item.hwndItem);
  if (desc == nullptr)
    return;
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  const bool down = (item.itemState & ODS_SELECTED) != 0;
  HBRUSH face = desc->background ? CreateSolidBrush(ToColorRef(*desc->background))
                                 : GetSysColorBrush(COLOR_BTNFACE);
  FillRect(dc, &rect, face);
  if (desc->background)
    DeleteObject(face);
  DrawEdge(dc, &rect, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  RECT inner{rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2};
  if (down)
    OffsetRect(&inner, 1, 1);
  if (desc->picture != Picture::None) {
    // The action pictures are icons that shrink to fit; arrows fill their button.
    RECT place = inner;
    if (desc->twips.width == desc->twips.height) {
      const int side =
          std::min<int>({kIconPictureSize, inner.right - inner.left, inner.bottom - inner.top});
      place.left = (inner.left + inner.right - side) / 2;
      place.top = (inner.top + inner.bottom - side) / 2;
      place.right = place.left + side;
      place.bottom = place.top + side;
    }
    DrawPicture(dc, desc->picture, place);
  }
  const std::wstring caption = ScreenText(desc->caption);
  if (!caption.empty()) {
    HGDIOBJ oldFont = SelectObject(dc, formFont_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, (item.itemState & ODS_DISABLED) != 0 ? RGB(128, 128, 128) : RGB(0, 0, 0));
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &inner,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
  }
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus{rect.left + 3, rect.top + 3, rect.right - 3, rect.bottom - 3};
    DrawFocusRect(dc, &focus);
  }
}

LRESULT MainWindow::ControlColours(HDC dc, HWND control) {
  const ControlSpec* desc = SpecOf(control);
  if (desc == nullptr || !desc->background)
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  SetBkColor(dc, ToColorRef(*desc->background));
  SetTextColor(dc, RGB(0, 0, 0));
  return reinterpret_cast<LRESULT>(
      brushes_[static_cast<std::size_t>(desc - FormControls().data())]);
}

// --- The extra folder box -----------------------------------------------------------

void MainWindow::OnDirLostFocus(HWND newFocus) {
  // The file dialog or another program taking the focus is not the box
  // losing it to the window.
  if (inDirDoubleClick_ || busy_)
    return;
  if (newFocus == nullptr || (newFocus != hwnd_ && !IsChild(hwnd_, newFocus)))
    return;
  Run([this] { desk_->DirBoxLostFocus(); });
}

LRESULT CALLBACK MainWindow::DirBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* self = g_window;
  if (self == nullptr)
    return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_LBUTTONDBLCLK) {
    if (!self->busy_) {
      self->inDirDoubleClick_ = true;
      self->Run([self] { RunFormDoubleClick(*self->desk_, ControlId::txt_DIR); });
      self->inDirDoubleClick_ = false;
    }
    return 0;
  }
  const LRESULT result = CallWindowProcA(self->dirBoxDefault_, hwnd, message, wParam, lParam);
  if (message == WM_KILLFOCUS)
    self->OnDirLostFocus(reinterpret_cast<HWND>(wParam));
  return result;
}

// --- Window messages ------------------------------------------------------------------

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr)
    return DefWindowProcA(hwnd, message, wParam, lParam);
  return self->OnMessage(message, wParam, lParam);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DRAWITEM:
      DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return ControlColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (wParam == kProgramsTimer && !busy_ && runDepth_ == 0)
        desk_->PollPrograms();
      return 0;
    case WM_CLOSE:
      if (desk_->Form_QueryUnload() == Desk::CloseAnswer::Now)
        DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      PostQuitMessage(0);
      return 0;
    case kDeskIsReady:  // not while a handler lets events run
      return desk_->StartupDone() && !busy_ && runDepth_ == 0 &&
                     (wParam == 0 || wParam == lastPing_)
                 ? 1
                 : 0;
    case kDeskPing:
      lastPing_ = wParam;
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

// --- Toolkit ------------------------------------------------------------------------

// What changed shows before the events run: a scan that starts at a click
// shows the new choice, not the old one, while it lasts.
void MainWindow::DoEvents() {
  SyncFromDesk();
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  gridWindow_->Flush();
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop
      break;
    }
    if (!TranslateShortcut(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

void MainWindow::SetBusy(bool busy) {
  if (busy == busy_)
    return;
  if (busy) {
    busy_ = true;
    gridWindow_->SetBusy(true);
    EnableWindow(hwnd_, FALSE);
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    return;
  }
  // Input that came during the scan's last moments is dropped, not run once
  // the scan is over.
  MSG message;
  for (const auto& range : kInputRanges) {
    while (PeekMessageA(&message, nullptr, range[0], range[1], PM_REMOVE)) {
    }
  }
  gridWindow_->Flush();
  EnableWindow(hwnd_, TRUE);
  busy_ = false;
  gridWindow_->SetBusy(false);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  if (GetActiveWindow() == hwnd_)
    SetFocus(gridWindow_->Handle());
}

bool MainWindow::StartProgram(const ProgramLaunch& launch) {
  return ndr::StartProgram(launch);
}

void MainWindow::ShowPopupMenu(PopupMenu menu) {
  POINT at;
  GetCursorPos(&at);
  HMENU popup = menu == PopupMenu::Header ? headerMenu_ : bodyMenu_;
  const int id = static_cast<int>(
      TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
  if (const MenuSpec* item = MenuItemOfCommandId(id))
    RunFormCommand(*desk_, item->id, item->index);
}

PictureHandle MainWindow::FlagPicture() {
  return kFlagPicture;
}

double MainWindow::TwipsPerPixelX() {
  return twipsPerPixel_;
}

void MainWindow::ShowMessage(const std::string& title, const std::string& text) {
  MessageBoxA(hwnd_, text.c_str(), title.c_str(), MB_OK | MB_ICONWARNING);
}

std::string MainWindow::ShowFileDialog(const FileDialogRequest& request) {
  // "caption|pattern|..." with NULs instead of bars and a NUL at the end.
  std::wstring filter = ScreenText(request.filter);
  std::replace(filter.begin(), filter.end(), L'|', L'\0');
  filter.push_back(L'\0');
  std::wstring file = ScreenText(request.fileName);
  file.resize(std::max<std::size_t>(file.size(), 32768), L'\0');
  const std::wstring folder = ScreenText(NativePath(request.initialFolder));
  const std::wstring title = ScreenText(request.title);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd_;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = folder.c_str();
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  if (!GetOpenFileNameW(&dialog))
    return {};
  return DrivePathFromNative(Utf8FromWide(file.c_str()));
}

// --- One running copy -----------------------------------------------------------------

bool ActivatePrevInstance() {
  // The running copy may still be building its window: look for a moment.
  for (int attempt = 0; attempt < 50; ++attempt) {
    HWND running = FindWindowA(kDeskWindowClass, std::string(kFormTitle).c_str());
    if (running != nullptr) {
      OpenIcon(running);  // restores it if minimised
      SetForegroundWindow(running);
      return true;
    }
    Sleep(100);
  }
  return false;
}

}  // namespace ndr::win32
