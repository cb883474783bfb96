// What only the Win32 window shows beside the scenarios both windows share
// (window_behaviour.h): its colours on the screen, the hand-over to a running
// copy, and the editor a double-click starts. The real ndr_Desk.exe, driven
// by posted input and read back through the Win32 API.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "desk_protocol.h"

#include <windowsx.h>
#include "sample_mail.h"
#include "test_support.h"

namespace ndr::win32 {
namespace {

using namespace std::chrono_literals;
namespace ts = ndr::testsupport;

const std::string kBounces = "P:\\Diverido\\Mail\\~Bounces";
constexpr int kMessages = 5;

// A build path as CMake gives it, reached through Wine's drive Z:.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/')
    path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Beside the stand-in editor, which writes it without the test drives.
const std::string kEditorLog = WindowsPath(NDR_EDITPAD_DIR) + "\\editpad.log";

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition())
      return true;
    std::this_thread::sleep_for(50ms);
  }
  return condition();
}

// WM_GETTEXT itself: GetWindowText does not ask another program's window.
std::string Text(HWND hwnd) {
  char buffer[1024] = {};
  SendMessageA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

// The folder the window lists at start-up, with five bounces and one empty file.
void BuildBounceFolder() {
  std::vector<ts::TreeEntry> entries = {
      {"Wait\\", ""}, {"Errors\\", ""}, {"Local\\", ""}, {"empty.cnm", ""}};
  for (int i = 1; i <= kMessages; ++i)
    entries.emplace_back("b" + std::to_string(i) + ".cnm", samples::MakeBounce(100 + i).bytes);
  ts::BuildTree(kBounces, entries);
}

class RunningDesk {
 public:
  RunningDesk() {
    const std::string command = "\"" + WindowsPath(NDR_DESK_EXE) + "\"";
    std::string line = command;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_)) {
      return;
    }
    WaitFor(
        [this] {
          main_ = FindWindowA(kDeskWindowClass, "Returned Mail Desk");
          return main_ != nullptr && IsReady();
        },
        30s);
  }
  ~RunningDesk() {
    if (process_.hProcess == nullptr)
      return;
    if (main_ != nullptr)
      PostMessageA(main_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
      TerminateProcess(process_.hProcess, 1);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  RunningDesk(const RunningDesk&) = delete;
  RunningDesk& operator=(const RunningDesk&) = delete;

  HWND Main() const { return main_; }
  HWND Control(std::string_view name, int index = 0) const {
    return FindControlWindow(main_, ControlId(name, index));
  }
  HWND Grid() const { return Control("MSFlexGrid1"); }
  bool IsReady(WPARAM ping = 0) const { return DeskIsReady(main_, ping, 2000); }
  // Waits until the window has taken the input posted so far and is idle.
  void Settle() {
    const WPARAM ping = ++pings_;
    PostMessageA(main_, kDeskPing, ping, 0);
    WaitFor([this, ping] { return IsReady(ping); }, 30s);
  }

  void Click(HWND control) {
    RECT rect;
    GetClientRect(control, &rect);
    const LPARAM at = MAKELPARAM(rect.right / 2, rect.bottom / 2);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(control, WM_LBUTTONUP, 0, at);
    Settle();
  }
  LPARAM CellPoint(int row, int col) const {
    return SendMessageA(Grid(), kGridCellCentre, static_cast<WPARAM>(row), col);
  }

  std::string Cell(int row, int col) const {
    SendMessageA(Grid(), kGridPickCell, static_cast<WPARAM>(row), col);
    return Text(Grid());
  }

 private:
  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
  WPARAM pings_ = 0;
};

class DeskWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    char display[256];
    if (GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0)
      GTEST_SKIP() << "no X display for the window";
    BuildBounceFolder();
    DeleteFileA(kEditorLog.c_str());
  }
};

COLORREF Colour(std::string_view name, int index = 0) {
  const Rgb colour = *FindControl(name, index)->background;
  return RGB(colour.r, colour.g, colour.b);
}

COLORREF ScreenPixel(HWND control, int x, int y) {
  POINT at{x, y};
  ClientToScreen(control, &at);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, at.x, at.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

TEST_F(DeskWin32Test, ControlsShowTheirColoursOnScreen) {
  RunningDesk desk;
  ASSERT_NE(desk.Main(), nullptr);
  SetForegroundWindow(desk.Main());
  desk.Settle();
  RECT rect;
  HWND go = desk.Control("cmd_GO");
  GetClientRect(go, &rect);
  EXPECT_EQ(ScreenPixel(go, 6, rect.bottom / 2), Colour("cmd_GO"));
  HWND option = desk.Control("Option1", 2);
  GetClientRect(option, &rect);
  EXPECT_EQ(ScreenPixel(option, rect.right - 2, 1), Colour("Option1", 2));  // above the caption
  HWND empty = desk.Control("txt_Info3");
  GetClientRect(empty, &rect);
  EXPECT_EQ(ScreenPixel(empty, rect.right - 3, rect.bottom / 2), Colour("txt_Info3"));
  // A body cell away from the selection: its right end, past the text.
  const LPARAM centre = desk.CellPoint(3, 2);
  ASSERT_NE(centre, -1);
  const Rgb cell = GridAppearance().cellBackground;
  EXPECT_EQ(ScreenPixel(desk.Grid(), GET_X_LPARAM(centre) - 20, GET_Y_LPARAM(centre)),
            RGB(cell.r, cell.g, cell.b));
}

TEST_F(DeskWin32Test, SecondCopyBringsTheFirstToTheFrontAndEnds) {
  RunningDesk desk;
  ASSERT_NE(desk.Main(), nullptr);
  ShowWindow(desk.Main(), SW_MINIMIZE);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(desk.Main()) != FALSE; }));

  std::string line = "\"" + WindowsPath(NDR_DESK_EXE) + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION second{};
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &second));
  EXPECT_EQ(WaitForSingleObject(second.hProcess, 20000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(second.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
  CloseHandle(second.hThread);
  CloseHandle(second.hProcess);

  EXPECT_TRUE(WaitFor([&] { return IsIconic(desk.Main()) == FALSE; }));
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == desk.Main(); }));
  int windows = 0;
  EnumWindows(
      [](HWND hwnd, LPARAM count) -> BOOL {
        char name[128] = {};
        GetClassNameA(hwnd, name, sizeof name);
        if (std::string(name) == kDeskWindowClass)
          ++*reinterpret_cast<int*>(count);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  EXPECT_EQ(windows, 1);
}

TEST_F(DeskWin32Test, DoubleClickOnSubjectStartsTheEditorOnTheFile) {
  char path[32768];
  GetEnvironmentVariableA("PATH", path, sizeof path);
  const std::string oldPath = path;
  SetEnvironmentVariableA("PATH", (WindowsPath(NDR_EDITPAD_DIR) + ";" + oldPath).c_str());
  SetEnvironmentVariableA("NDR_EDITPAD_LOG", kEditorLog.c_str());
  RunningDesk desk;
  SetEnvironmentVariableA("PATH", oldPath.c_str());
  ASSERT_NE(desk.Main(), nullptr);
  const std::string name = desk.Cell(2, 1);
  const LPARAM at = desk.CellPoint(2, 3);
  PostMessageA(desk.Grid(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(desk.Grid(), WM_LBUTTONUP, 0, at);
  PostMessageA(desk.Grid(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageA(desk.Grid(), WM_LBUTTONUP, 0, at);
  desk.Settle();
  ASSERT_TRUE(WaitFor([&] { return !ts::ReadBytes(kEditorLog).empty(); }));
  EXPECT_EQ(ts::ReadBytes(kEditorLog), "EditPad.exe " + kBounces + "\\" + name + "\n");
}

}  // namespace
}  // namespace ndr::win32
