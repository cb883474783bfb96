// The operator's scenarios against the real ndr_Desk.exe under Wine: input
// posted to its windows through Win32, results read back through Win32
// (texts, check marks, rectangles, the focus and the capture of its thread,
// the grid's messages of desk_protocol.h); then what only this window shows:
// its colours on the screen, the editor.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <optional>
#include <thread>

#include "desk_protocol.h"
#include "platform.h"
#include "window_behaviour.h"

#include <commctrl.h>
#include <windowsx.h>

namespace ndr::behaviour {
namespace {

using namespace std::chrono_literals;
using win32::ControlWindowId;
using win32::DeskIsReady;
using win32::FindControlWindow;

// A build path as CMake gives it, reached through Wine's drive Z:.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/')
    path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition())
      return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

// WM_GETTEXT itself: GetWindowText does not ask another program's window.
std::string WindowText(HWND hwnd) {
  char buffer[4096] = {};
  SendMessageA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

// The top-level window of a class that another window owns.
HWND OwnedWindow(HWND owner, const char* windowClass) {
  struct Search {
    HWND owner;
    const char* windowClass;
    HWND found;
  } search{owner, windowClass, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        char name[64] = {};
        GetClassNameA(hwnd, name, sizeof name);
        if (std::string(name) != s->windowClass || GetWindow(hwnd, GW_OWNER) != s->owner)
          return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool StartDesk(PROCESS_INFORMATION& process) {
  std::string line = "\"" + WindowsPath(NDR_DESK_EXE) + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process) != FALSE;
}

class Win32Driver : public WindowDriver {
 public:
  ~Win32Driver() override {
    if (process_.hProcess == nullptr)
      return;
    if (main_ != nullptr)
      PostMessageA(main_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
      TerminateProcess(process_.hProcess, 1);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }

  bool Start() override {
    if (!StartDesk(process_))
      return false;
    return WaitFor(
        [this] {
          main_ = FindWindowA(win32::kDeskWindowClass, std::string(kFormTitle).c_str());
          return main_ != nullptr && DeskIsReady(main_, 0, 2000);
        },
        30s);
  }

  std::string Title() override { return WindowText(main_); }
  int Px(int twips) override {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
  }
  TwipsRect ClientSize() override {
    RECT client;
    GetClientRect(main_, &client);
    return {0, 0, client.right, client.bottom};
  }
  int OffCentre() override {
    RECT outer;
    GetWindowRect(main_, &outer);
    const int dx = (outer.left + outer.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2;
    const int dy = (outer.top + outer.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2;
    return std::max(std::abs(dx), std::abs(dy));
  }
  TwipsRect Place(ControlId id, int index) override {
    RECT rect;
    GetWindowRect(Control(id, index), &rect);
    MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  }
  bool Visible(ControlId id, int index) override {
    return IsWindowVisible(Control(id, index)) != FALSE;
  }
  std::string Text(ControlId id, int index) override { return WindowText(Control(id, index)); }
  bool Checked(ControlId id, int index) override {
    return SendMessageA(Control(id, index), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  bool Focused(ControlId id) override { return ThreadInfo().hwndFocus == Control(id); }
  bool PointerCaptured() override { return ThreadInfo().hwndCapture != nullptr; }

  void Click(ControlId id, int index) override {
    HWND control = Control(id, index);
    MouseClick(control, Centre(control), false);
  }
  void ClickCell(int row, int col, bool shift = false) override {
    MouseClick(Grid(), CellPoint(row, col), shift);
  }
  // What the system makes of quick clicks: the second press of a pair comes
  // as a double-click.
  void ClickQuickly(ControlId id, int clicks) override {
    for (int i = 0; i < clicks; ++i)
      PostClick(id, 0, i % 2 == 0 ? WM_LBUTTONDOWN : WM_LBUTTONDBLCLK);
    Settle();
  }
  void DoubleClick(ControlId id, int index) override {
    HWND control = Control(id, index);
    const LPARAM at = MAKELPARAM(3, 3);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(control, WM_LBUTTONUP, 0, at);
    PostMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(control, WM_LBUTTONUP, 0, at);
    if (id == ControlId::txt_DIR)
      AnswerTheDialog();
    Settle();
  }
  void Type(const std::string& text) override {
    HWND focus = ThreadInfo().hwndFocus;
    ASSERT_NE(focus, nullptr);
    SendMessageA(focus, EM_SETSEL, 0, -1);
    for (char c : text)
      PostMessageA(focus, WM_CHAR, static_cast<unsigned char>(c), 1);
    Settle();
  }
  void Menu(MenuId item, int index) override {
    PostMessageA(main_, WM_COMMAND, MAKEWPARAM(win32::MenuCommandId(item, index), 0), 0);
    Settle();
  }
  // Typed as the operator would: the name, from the folder the dialog opens in.
  void AnswerFileDialog(const std::string& path) override {
    dialogAnswer_ = path.substr(std::min(path.size(), kBounces.size() + 1));
  }
  // Samples the check mark while the window is busy with the scan the click
  // started; the samples are answered while the scan lets events run.
  bool CheckedDuringScan(ControlId id, int index) override {
    HWND control = PostClick(id, index);
    const WPARAM ping = ++pings_;
    PostMessageA(main_, win32::kDeskPing, ping, 0);
    bool checked = false;
    WaitFor(
        [&] {
          if (DeskIsReady(main_, ping, 2000))
            return true;
          DWORD_PTR state = 0;
          SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
          checked = checked || state == BST_CHECKED;
          return false;
        },
        60s);
    return checked;
  }
  // The close comes once the scan has disabled the window.
  void CloseDuringScan(ControlId id, int index) override {
    PostClick(id, index);
    WaitFor([this] { return IsWindowEnabled(main_) == FALSE; });
    PostMessageA(main_, WM_CLOSE, 0, 0);
  }
  bool Closed() override {
    DWORD exitCode = 1;
    return WaitForSingleObject(process_.hProcess, 20000) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process_.hProcess, &exitCode) && exitCode == 0;
  }

  void Minimise() override {
    ShowWindow(main_, SW_MINIMIZE);
    WaitFor([&] { return IsIconic(main_) != FALSE; });
  }
  int StartAgain() override {
    PROCESS_INFORMATION second{};
    if (!StartDesk(second))
      return -1;
    DWORD exitCode = 1;
    if (WaitForSingleObject(second.hProcess, 20000) != WAIT_OBJECT_0)
      TerminateProcess(second.hProcess, 1);
    GetExitCodeProcess(second.hProcess, &exitCode);
    CloseHandle(second.hThread);
    CloseHandle(second.hProcess);
    return static_cast<int>(exitCode);
  }
  bool BackInFront() override {
    return WaitFor([&] { return IsIconic(main_) == FALSE && GetForegroundWindow() == main_; });
  }

  void Press(int row, int col, bool shift) override {
    const LPARAM at = CellPoint(row, col);
    PointerTo(at);
    PostMessageA(Grid(), WM_LBUTTONDOWN, MK_LBUTTON | (shift ? MK_SHIFT : 0), at);
    Settle();
  }
  void MoveTo(int row, int col, bool leftDown) override {
    MoveToPoint(CellPoint(row, col), leftDown);
  }
  void MoveBelowTheRows() override {
    const LPARAM last = CellPoint(Rows() - 1, 1);
    MoveToPoint(MAKELPARAM(GET_X_LPARAM(last), GET_Y_LPARAM(last) + Px(2 * kGridRowHeight)), false);
  }
  void Release(int row, int col) override {
    PostMessageA(Grid(), WM_LBUTTONUP, 0, CellPoint(row, col));
    Settle();
  }
  // The system repeats a held key's press, flagged by bit 30; its release
  // comes once.
  void HoldKey(int key) override {
    for (int i = 0; i < 5; ++i)
      PostMessageA(Grid(), WM_KEYDOWN, static_cast<WPARAM>(key), i > 0 ? 0x40000001 : 1);
    Settle();
  }
  void KeyUp(int key) override {
    PostMessageA(Grid(), WM_KEYUP, static_cast<WPARAM>(key), 0xC0000001);
    Settle();
  }
  int Rows() override { return static_cast<int>(SendMessageA(Grid(), win32::kGridGetRows, 0, 0)); }
  std::string Cell(int row, int col) override {
    SendMessageA(Grid(), win32::kGridPickCell, static_cast<WPARAM>(row), col);
    return WindowText(Grid());
  }
  Selection Selected() override {
    const auto part = [this](WPARAM i) {
      return static_cast<int>(SendMessageA(Grid(), win32::kGridGetSelection, i, 0));
    };
    return {part(0), part(1), part(2), part(3)};
  }
  bool Flagged(int row) override {
    return SendMessageA(Grid(), win32::kGridHasFlag, static_cast<WPARAM>(row), 0) == 1;
  }
  // The text the grid gives its tooltip; none while the tooltip is told to
  // show nothing.
  std::string Hint() override {
    SendMessageA(Grid(), win32::kGridPickHint, 0, 0);
    return WindowText(Grid());
  }
  int HintMaxWidth() override {
    HWND toolTip = OwnedWindow(main_, TOOLTIPS_CLASSA);
    const auto width = static_cast<int>(SendMessageA(toolTip, TTM_GETMAXTIPWIDTH, 0, 0));
    return width < 0 ? 0 : width;
  }

  HWND Main() const { return main_; }
  HWND Control(ControlId id, int index = 0) const {
    return FindControlWindow(main_, ControlWindowId(id, index));
  }
  HWND Grid() const { return Control(ControlId::MSFlexGrid1); }
  LPARAM CellPoint(int row, int col) const {
    return SendMessageA(Grid(), win32::kGridCellCentre, static_cast<WPARAM>(row), col);
  }
  // Waits until the window has taken the input posted so far and is idle.
  void Settle() {
    const WPARAM ping = ++pings_;
    PostMessageA(main_, win32::kDeskPing, ping, 0);
    WaitFor([this, ping] { return DeskIsReady(main_, ping, 2000); }, 30s);
  }

 private:
  GUITHREADINFO ThreadInfo() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(main_, nullptr), &info);
    return info;
  }
  HWND PostClick(ControlId id, int index, UINT press = WM_LBUTTONDOWN) {
    HWND control = Control(id, index);
    const LPARAM at = Centre(control);
    PostMessageA(control, press, MK_LBUTTON, at);
    PostMessageA(control, WM_LBUTTONUP, 0, at);
    return control;
  }
  static LPARAM Centre(HWND control) {
    RECT rect;
    GetClientRect(control, &rect);
    return MAKELPARAM(rect.right / 2, rect.bottom / 2);
  }
  // The pointer itself goes there too: the grid asks the system where it is
  // (to see it leave, and after scrolling).
  POINT PointerTo(LPARAM at, HWND window = nullptr) const {
    POINT screen{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    ClientToScreen(window != nullptr ? window : Grid(), &screen);
    SetCursorPos(screen.x, screen.y);
    return screen;
  }
  // A click as a hand gives it: the button comes up a moment after it went
  // down, and the system routes it then (to the window that holds the
  // capture; nowhere while the window is disabled by a scan). On the last
  // click's spot it first waits out the double-click time, to stay a click.
  void MouseClick(HWND window, LPARAM at, bool shift) {
    const POINT screen = PointerTo(at, window);
    if (screen.x == lastClickAt_.x && screen.y == lastClickAt_.y)
      std::this_thread::sleep_until(lastClick_ +
                                    std::chrono::milliseconds(GetDoubleClickTime() + 50));
    lastClick_ = std::chrono::steady_clock::now();
    lastClickAt_ = screen;
    if (shift)
      Send(INPUT_KEYBOARD, 0);
    Send(INPUT_MOUSE, MOUSEEVENTF_LEFTDOWN);
    std::this_thread::sleep_for(150ms);
    Send(INPUT_MOUSE, MOUSEEVENTF_LEFTUP);
    if (shift)
      Send(INPUT_KEYBOARD, KEYEVENTF_KEYUP);
    // The system's input comes after posted messages (the ping) but before
    // painting: once the grid has painted again, the window has taken it.
    InvalidateRect(Grid(), nullptr, FALSE);
    WaitFor([this] { return GetUpdateRect(Grid(), nullptr, FALSE) == FALSE; });
    Settle();
  }
  // The left button, or the Shift key.
  static void Send(DWORD type, DWORD flags) {
    INPUT input{};
    input.type = type;
    if (type == INPUT_MOUSE) {
      input.mi.dwFlags = flags;
    } else {
      input.ki.wVk = VK_SHIFT;
      input.ki.dwFlags = flags;
    }
    SendInput(1, &input, sizeof input);
  }
  void MoveToPoint(LPARAM at, bool leftDown) {
    PointerTo(at);
    PostMessageA(Grid(), WM_MOUSEMOVE, leftDown ? MK_LBUTTON : 0, at);
    Settle();
  }
  // The file dialog is the system's: its file name box takes the answer.
  void AnswerTheDialog() {
    HWND dialog = nullptr;
    if (!WaitFor([&] {
          dialog = OwnedWindow(main_, "#32770");
          return dialog != nullptr && IsWindowVisible(dialog);
        }))
      return;
    constexpr int kFileNameCombo = 0x47c, kFileNameEdit = 0x480;
    if (!dialogAnswer_.empty()) {
      HWND name = GetDlgItem(dialog, kFileNameCombo);
      if (name == nullptr)
        name = GetDlgItem(dialog, kFileNameEdit);
      SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dialogAnswer_.c_str()));
    }
    PostMessageA(dialog, WM_COMMAND, dialogAnswer_.empty() ? IDCANCEL : IDOK, 0);
  }

  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
  WPARAM pings_ = 0;
  std::string dialogAnswer_;
  std::chrono::steady_clock::time_point lastClick_;
  POINT lastClickAt_{-1, -1};
};

// --- What only the Win32 window shows -------------------------------------------

COLORREF Colour(const std::optional<Rgb>& colour) {
  return RGB(colour->r, colour->g, colour->b);
}

COLORREF ScreenPixel(HWND control, int x, int y) {
  POINT at{x, y};
  ClientToScreen(control, &at);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, at.x, at.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    char display[256];
    if (GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0)
      GTEST_SKIP() << "no X display for the window";
    BuildStandardTree();
  }
  Win32Driver desk_;
};

TEST_F(Win32Window, ControlsShowTheirColoursOnTheScreen) {
  ASSERT_TRUE(desk_.Start());
  SetForegroundWindow(desk_.Main());
  desk_.Settle();
  // Where only the background shows: beside the button's caption, above the
  // option's, beside the box's figure.
  struct Spot {
    ControlId id;
    int index;
    bool right, middle;
  };
  for (const Spot& spot :
       {Spot{ControlId::cmd_GO, 0, false, true}, Spot{ControlId::Option1, 2, true, false},
        Spot{ControlId::txt_Info3, 0, true, true}}) {
    HWND control = desk_.Control(spot.id, spot.index);
    RECT rect;
    GetClientRect(control, &rect);
    const int x = spot.right ? rect.right - 3 : 6, y = spot.middle ? rect.bottom / 2 : 1;
    EXPECT_EQ(ScreenPixel(control, x, y), Colour(FindControl(spot.id, spot.index)->background))
        << ControlName(spot.id);
  }
  const LPARAM centre = desk_.CellPoint(3, 2);  // a cell away from the selection
  ASSERT_NE(centre, -1);
  EXPECT_EQ(ScreenPixel(desk_.Grid(), GET_X_LPARAM(centre) - 20, GET_Y_LPARAM(centre)),
            Colour(GridAppearance().cellBackground));
}

TEST_F(Win32Window, DoubleClickOnASubjectStartsTheEditorOnItsFile) {
  const std::string log = WindowsPath(NDR_EDITPAD_DIR) + "\\editpad.log";
  DeleteFileA(log.c_str());
  char path[32768];
  GetEnvironmentVariableA("PATH", path, sizeof path);
  const std::string oldPath = path;
  SetEnvironmentVariableA("PATH", (WindowsPath(NDR_EDITPAD_DIR) + ";" + oldPath).c_str());
  SetEnvironmentVariableA("NDR_EDITPAD_LOG", log.c_str());
  const bool started = desk_.Start();
  SetEnvironmentVariableA("PATH", oldPath.c_str());
  ASSERT_TRUE(started);
  const std::string name = desk_.Cell(2, 1);
  desk_.ClickCell(2, 3);
  const LPARAM at = desk_.CellPoint(2, 3);
  PostMessageA(desk_.Grid(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageA(desk_.Grid(), WM_LBUTTONUP, 0, at);
  desk_.Settle();
  ASSERT_TRUE(WaitFor([&] { return !testsupport::ReadBytes(log).empty(); }));
  EXPECT_EQ(testsupport::ReadBytes(log), "EditPad.exe " + kBounces + "\\" + name + "\n");
}

}  // namespace

std::unique_ptr<WindowDriver> MakeWindowDriver() {
  char display[256];
  if (GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0)
    return nullptr;
  return std::make_unique<Win32Driver>();
}

}  // namespace ndr::behaviour
