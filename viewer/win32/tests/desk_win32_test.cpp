// The Win32 window as its user meets it: the real ndr_Desk.exe started on a
// folder of the test's own, driven by posted mouse and keyboard input and
// read back through the Win32 API (window rectangles, texts, pixels, files).
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
  void Menu(std::string_view item, int index = 0) {
    PostMessageA(main_, WM_COMMAND, MAKEWPARAM(MenuCommandId(item, index), 0), 0);
    Settle();
  }
  LPARAM CellPoint(int row, int col) const {
    return SendMessageA(Grid(), kGridCellCentre, static_cast<WPARAM>(row), col);
  }
  void ClickCell(int row, int col) {
    const LPARAM at = CellPoint(row, col);
    PostMessageA(Grid(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(Grid(), WM_LBUTTONUP, 0, at);
    Settle();
  }
  void Key(WPARAM key) {
    PostMessageA(Grid(), WM_KEYDOWN, key, 1);
    PostMessageA(Grid(), WM_KEYUP, key, 0xC0000001);
    Settle();
  }

  int Rows() const { return static_cast<int>(SendMessageA(Grid(), kGridGetRows, 0, 0)); }
  int Selection(int which) const {
    return static_cast<int>(SendMessageA(Grid(), kGridGetSelection, static_cast<WPARAM>(which), 0));
  }
  std::string Cell(int row, int col) const {
    SendMessageA(Grid(), kGridPickCell, static_cast<WPARAM>(row), col);
    return Text(Grid());
  }
  std::vector<std::string> Column(int col) const {
    std::vector<std::string> texts;
    for (int row = 1; row < Rows(); ++row)
      texts.push_back(Cell(row, col));
    return texts;
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

int Px(int twips) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

COLORREF ScreenPixel(HWND control, int x, int y) {
  POINT at{x, y};
  ClientToScreen(control, &at);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, at.x, at.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

TEST_F(DeskWin32Test, StartsCentredWithTheFormsLayoutAndListsTheFolder) {
  RunningDesk desk;
  ASSERT_NE(desk.Main(), nullptr);
  EXPECT_EQ(Text(desk.Main()), "Returned Mail Desk");
  RECT client;
  GetClientRect(desk.Main(), &client);
  EXPECT_EQ(client.right, Px(kFormClientWidth));
  EXPECT_EQ(client.bottom, Px(kFormClientHeight));
  RECT outer;
  GetWindowRect(desk.Main(), &outer);
  EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, 1);
  EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2, 1);

  for (const ControlSpec& desc : FormControls()) {
    SCOPED_TRACE(ControlKey(desc));
    HWND control = desk.Control(desc.name, desc.index);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(IsWindowVisible(control) != FALSE, desc.visible);
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, desk.Main(), reinterpret_cast<POINT*>(&rect), 2);
    const TwipsRect twips = ClientTwips(desc);
    // A control in a frame is placed from the frame's rounded corner.
    EXPECT_NEAR(rect.left, Px(twips.left), 1);
    EXPECT_NEAR(rect.top, Px(twips.top), 1);
    EXPECT_NEAR(rect.right - rect.left, Px(twips.width), 1);
    EXPECT_NEAR(rect.bottom - rect.top, Px(twips.height), 1);
  }

  EXPECT_EQ(Text(desk.Control("txt_Info1")), "5");
  EXPECT_EQ(Text(desk.Control("txt_Info3")), "1");
  EXPECT_EQ(Text(desk.Control("Option1", 1)), "P:\\Diverido");
  EXPECT_EQ(SendMessageA(desk.Control("Option1", 1), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(desk.Control("Option3", 1), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(desk.Cell(0, 1), "Name: ");
  const std::vector<std::string> names = desk.Column(1);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
            (std::set<std::string>{"b1.cnm", "b2.cnm", "b3.cnm", "b4.cnm", "b5.cnm"}));
}

TEST_F(DeskWin32Test, ControlsShowTheirColoursOnScreen) {
  RunningDesk desk;
  ASSERT_NE(desk.Main(), nullptr);
  SetForegroundWindow(desk.Main());
  desk.Settle();
  RECT rect;
  HWND go = desk.Control("cmd_GO");
  GetClientRect(go, &rect);
  EXPECT_EQ(ScreenPixel(go, 6, rect.bottom / 2), RGB(0, 255, 0));
  HWND option = desk.Control("Option1", 2);
  GetClientRect(option, &rect);
  EXPECT_EQ(ScreenPixel(option, rect.right - 2, 1), RGB(255, 192, 255));  // above the caption
  HWND empty = desk.Control("txt_Info3");
  GetClientRect(empty, &rect);
  EXPECT_EQ(ScreenPixel(empty, rect.right - 3, rect.bottom / 2), RGB(255, 128, 128));
  // A body cell away from the selection: its right end, past the text.
  const LPARAM centre = desk.CellPoint(3, 2);
  ASSERT_NE(centre, -1);
  EXPECT_EQ(ScreenPixel(desk.Grid(), GET_X_LPARAM(centre) - 20, GET_Y_LPARAM(centre)),
            RGB(128, 255, 255));
}

TEST_F(DeskWin32Test, HeaderPressSortsAndMarksSelectAllCovers) {
  RunningDesk desk;
  ASSERT_NE(desk.Main(), nullptr);
  desk.ClickCell(0, 1);
  std::vector<std::string> names = desk.Column(1);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(desk.Cell(0, 1), "Name:+");
  desk.ClickCell(0, 1);
  names = desk.Column(1);
  EXPECT_TRUE(std::is_sorted(names.rbegin(), names.rend()));
  EXPECT_EQ(desk.Cell(0, 1), "Name:-");

  desk.Menu("MnuPOPBSelectAll");
  EXPECT_EQ(desk.Selection(0), 1);
  EXPECT_EQ(desk.Selection(1), 1);
  EXPECT_EQ(desk.Selection(2), kMessages);
  EXPECT_EQ(desk.Selection(3), 11);
  EXPECT_EQ(Text(desk.Control("txt_NbSelV")), "5");
  EXPECT_EQ(Text(desk.Control("txt_NbSelH")), "11");
}

TEST_F(DeskWin32Test, FlagShowsItsPictureAtTheRightOfTheSubject) {
  RunningDesk desk;
  ASSERT_NE(desk.Main(), nullptr);
  SetForegroundWindow(desk.Main());
  desk.ClickCell(2, 1);
  desk.Click(desk.Control("cmd_FLAG"));
  EXPECT_EQ(SendMessageA(desk.Grid(), kGridHasFlag, 2, 0), 1);
  EXPECT_EQ(SendMessageA(desk.Grid(), kGridHasFlag, 3, 0), 0);
  desk.ClickCell(4, 1);  // the flagged cell is no longer highlighted
  const LPARAM subject = desk.CellPoint(2, 3);
  ASSERT_NE(subject, -1);
  // The Subject column is about 40 pixels wide; the picture, a row high,
  // covers the right of the cell, painted over the text.
  const int right = GET_X_LPARAM(subject) + 12;
  EXPECT_NE(ScreenPixel(desk.Grid(), right, GET_Y_LPARAM(subject)), RGB(128, 255, 255));
  desk.ClickCell(2, 1);
  desk.Click(desk.Control("cmd_UNFLAG"));
  EXPECT_EQ(SendMessageA(desk.Grid(), kGridHasFlag, 2, 0), 0);
}

TEST_F(DeskWin32Test, DraggedSelectionGoesWithTheDeleteKey) {
  RunningDesk desk;
  ASSERT_NE(desk.Main(), nullptr);
  desk.ClickCell(0, 1);  // by name: rows 2 and 3 are b2 and b3
  const LPARAM from = desk.CellPoint(2, 1), to = desk.CellPoint(3, 2);
  PostMessageA(desk.Grid(), WM_LBUTTONDOWN, MK_LBUTTON, from);
  PostMessageA(desk.Grid(), WM_MOUSEMOVE, MK_LBUTTON, to);
  PostMessageA(desk.Grid(), WM_LBUTTONUP, 0, to);
  desk.Settle();
  EXPECT_EQ(Text(desk.Control("txt_NbSelV")), "2");
  EXPECT_EQ(Text(desk.Control("txt_NbSelH")), "2");
  desk.Key(VK_DELETE);
  EXPECT_FALSE(ts::FileExists(kBounces + "\\b2.cnm"));
  EXPECT_FALSE(ts::FileExists(kBounces + "\\b3.cnm"));
  EXPECT_TRUE(ts::FileExists(kBounces + "\\b1.cnm"));
  EXPECT_TRUE(ts::FileExists(kBounces + "\\b4.cnm"));
  EXPECT_EQ(desk.Rows(), 1 + kMessages - 2);
}

TEST_F(DeskWin32Test, HoldMovesIntoWaitAndReleaseBringsItBack) {
  RunningDesk desk;
  ASSERT_NE(desk.Main(), nullptr);
  desk.ClickCell(0, 1);
  desk.ClickCell(1, 1);
  ASSERT_EQ(desk.Cell(1, 1), "b1.cnm");
  desk.Click(desk.Control("cmd_HOLD"));
  EXPECT_TRUE(ts::FileExists(kBounces + "\\Wait\\b1.cnm"));
  EXPECT_FALSE(ts::FileExists(kBounces + "\\b1.cnm"));

  desk.Click(desk.Control("Option3", 2));
  EXPECT_EQ(SendMessageA(desk.Control("Option3", 2), BM_GETCHECK, 0, 0), BST_CHECKED);
  ASSERT_EQ(desk.Column(1), std::vector<std::string>{"b1.cnm"});
  desk.ClickCell(1, 1);
  desk.Click(desk.Control("cmd_RELEASE"));
  EXPECT_TRUE(ts::FileExists(kBounces + "\\b1.cnm"));
  EXPECT_FALSE(ts::FileExists(kBounces + "\\Wait\\b1.cnm"));
}

TEST_F(DeskWin32Test, ExtraFolderIsTypedIntoTheFramesBoxAndTakenOnLeavingIt) {
  ts::WriteBytes(kBounces + "\\Wait\\held.cnm", samples::MakeBounce(7).bytes);
  RunningDesk desk;
  ASSERT_NE(desk.Main(), nullptr);
  HWND frame = desk.Control("Frame3");
  PostMessageA(frame, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
  desk.Settle();
  HWND box = desk.Control("txt_DIR");
  ASSERT_TRUE(IsWindowVisible(box));
  EXPECT_EQ(Text(box), "\\Local");
  RECT rect;
  GetWindowRect(box, &rect);
  EXPECT_NEAR(rect.right - rect.left, Px(375 + 855 + 855 + 255), 1);

  desk.Click(box);
  SendMessageA(box, EM_SETSEL, 0, -1);
  for (char c : std::string("\\Wait"))
    PostMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 1);
  desk.Settle();
  desk.ClickCell(1, 1);  // the focus goes to the grid
  EXPECT_FALSE(IsWindowVisible(box));
  EXPECT_EQ(Text(desk.Control("Option3", 4)), "\\Wait");
  desk.Click(desk.Control("Option3", 4));
  EXPECT_EQ(desk.Column(1), std::vector<std::string>{"held.cnm"});
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
