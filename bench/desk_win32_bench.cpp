// The Windows window against the core alone, under Wine: listing 100,000
// bounces through ndr_Desk.exe (the GO button: scan, grid, counters and
// painting) against the core's LoadFolder on the same folder in this process,
// and a header press sorting 100,000 rows until the grid has repainted.
#include "desk_protocol.h"

#include <windowsx.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "desk.h"
#include "folder_listing.h"
#include "grid.h"
#include "quiet_toolkit.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using ndr::win32::ControlWindowId;

constexpr int kFiles = 100000;
const std::string kFolder = "P:\\Diverido\\Mail\\~Bounces";

using ndr::bench::QuietToolkit;

int CountFiles() {
  int count = 0;
  ndr::ListFolder(kFolder, "*.*", [&](const ndr::FindEntry&, const std::string&) { ++count; });
  return count;
}

// The folder is laid natively beforehand (scripts/bench.sh): creating
// 100,000 files under Wine would take far longer than the benchmark.
bool FolderReady() {
  const int count = CountFiles();
  if (count != kFiles)
    std::fprintf(stderr, "%s holds %d files, not %d: run scripts/bench.sh\n", kFolder.c_str(),
                 count, kFiles);
  return count == kFiles;
}

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double CoreLoadFolder() {
  QuietToolkit toolkit;
  ndr::Grid grid;
  ndr::Desk desk(toolkit, grid);
  desk.SelectStartupChoices();
  const auto start = Clock::now();
  desk.LoadFolder();
  const double seconds = Seconds(Clock::now() - start);
  if (grid.Rows() != kFiles + 1)
    std::printf("core listed %d rows\n", grid.Rows() - 1);
  return seconds;
}

bool Ready(HWND main, WPARAM ping = 0) {
  return ndr::win32::DeskIsReady(main, ping, 5000);
}

// From the posted press until the window is idle again with its grid painted.
double TimeInput(HWND main, HWND target, LPARAM at) {
  const auto start = Clock::now();
  PostMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(target, WM_LBUTTONUP, 0, at);
  static WPARAM pings = 0;
  const WPARAM ping = ++pings;
  PostMessageA(main, ndr::win32::kDeskPing, ping, 0);
  // Each poll is a round trip through the Wine server that the window's own
  // file calls wait behind: often at first, then every 20 ms.
  for (int polls = 0; !Ready(main, ping); ++polls)
    std::this_thread::sleep_for(polls < 100 ? 1ms : 20ms);
  HWND grid = ndr::win32::FindControlWindow(main, ControlWindowId(ndr::ControlId::MSFlexGrid1));
  RedrawWindow(grid, nullptr, nullptr, RDW_UPDATENOW);
  return Seconds(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: desk_win32_bench <ndr_Desk.exe>\n");
    return 2;
  }
  if (!FolderReady())
    return 1;
  CoreLoadFolder();  // the disk cache warm for both
  std::string line = "\"";
  line += argv[1];
  line += "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "cannot start %s\n", argv[1]);
    return 1;
  }
  HWND main = nullptr;
  while (main == nullptr || !Ready(main)) {
    std::this_thread::sleep_for(20ms);
    main = FindWindowA(ndr::win32::kDeskWindowClass, "Returned Mail Desk");
  }
  HWND go = ndr::win32::FindControlWindow(main, ControlWindowId(ndr::ControlId::cmd_GO));
  HWND grid = ndr::win32::FindControlWindow(main, ControlWindowId(ndr::ControlId::MSFlexGrid1));
  RECT rect;
  GetClientRect(go, &rect);
  const LPARAM goCentre = MAKELPARAM(rect.right / 2, rect.bottom / 2);

  double core = 1e9, window = 1e9;
  for (int round = 0; round < 2; ++round) {
    core = std::min(core, CoreLoadFolder());
    window = std::min(window, TimeInput(main, go, goCentre));
  }
  const auto rows = SendMessageA(grid, ndr::win32::kGridGetRows, 0, 0);
  std::printf(
      "listing %d files: core LoadFolder %.3f s, Win32 window %.3f s (%lld rows), "
      "ratio %.2f (goal <= 1.2)\n",
      kFiles, core, window, static_cast<long long>(rows) - 1, window / core);

  for (int col : {1, 2, 4}) {
    const LPARAM header = SendMessageA(grid, ndr::win32::kGridCellCentre, 0, col);
    const double ascending = TimeInput(main, grid, header);
    const double descending = TimeInput(main, grid, header);
    std::printf(
        "header press on column %d, sort and repaint of %d rows: %.3f s ascending, "
        "%.3f s descending (goal < 0.3 s)\n",
        col, kFiles, ascending, descending);
  }
  PostMessageA(main, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.hProcess, 20000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
