// Timings of the viewer's heavy paths against what they cannot avoid doing:
// the folder scan against listing the folder and reading 70 lines per file,
// the date sort of 100,000 rows, and the removal of 10,000 selected rows
// against deleting their files alone. Prints the figures and the ratios.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "desk.h"
#include "folder_listing.h"
#include "grid.h"
#include "message_reader.h"
#include "platform.h"
#include "text_file.h"
#include "toolkit.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

class QuietToolkit : public ndr::Toolkit {
 public:
  void DoEvents() override {}
  void SetBusy(bool) override {}
  bool StartProgram(const ndr::ProgramLaunch&) override { return true; }
  void ShowPopupMenu(ndr::PopupMenu) override {}
  ndr::PictureHandle FlagPicture() override { return 1; }
  double TwipsPerPixelX() override { return 15; }
  std::string ShowFileDialog(const ndr::FileDialogRequest&) override { return {}; }
};

// A small deterministic generator, so every run measures the same files.
class Draw {
 public:
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }
  std::string Word() {
    static const char* const kWords[] = {"mail",    "delivery", "failed",  "status",  "host",
                                         "unknown", "user",     "quota",   "remote",  "relay",
                                         "message", "returned", "timeout", "address", "domain"};
    return kWords[Below(sizeof kWords / sizeof kWords[0])];
  }

 private:
  std::uint64_t state_ = 0x853c49e6748fea9bULL;
};

std::string TwoDigits(std::uint32_t n) {
  return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

// A bounce of a few KB: the server's header, its report, then the header and
// body of the message it returns.
std::string MakeBounce(Draw& draw, int index) {
  static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  auto date = [&] {
    return std::string(kDays[draw.Below(7)]) + ", " + std::to_string(1 + draw.Below(28)) + " " +
           kMonths[draw.Below(12)] + " " + std::to_string(2001 + draw.Below(8)) + " " +
           TwoDigits(draw.Below(24)) + ":" + TwoDigits(draw.Below(60)) + ":" +
           TwoDigits(draw.Below(60)) + (draw.Below(2) ? " +0100" : " -0500");
  };
  const std::string id = std::to_string(index);
  std::string text;
  text += "Return-Path: <>\r\n";
  for (int hop = 0; hop < 3; ++hop) {
    text += "Received: from mx" + std::to_string(draw.Below(9)) +
            ".example.net (mx.example.net [192.0.2." + std::to_string(draw.Below(250)) +
            "])\r\n\tby relay.example.com with ESMTP id " + id + "; " + date() + "\r\n";
  }
  text += "Date: " + date() + "\r\n";
  text += "From: Mail Delivery Subsystem <MAILER-DAEMON@mx.example.net>\r\n";
  text += "To: <remailer@example.com>\r\n";
  text += "Subject: Returned mail: " + draw.Word() + " " + draw.Word() + "\r\n";
  text += "Message-Id: <" + id + ".bounce@mx.example.net>\r\n";
  text += "MIME-Version: 1.0\r\nContent-Type: text/plain\r\n\r\n";
  text += "The original message was received at " + date() + "\r\n";
  text += "   ----- The following addresses had permanent fatal errors -----\r\n";
  text += "<user" + id + "@example.org>\r\n\r\n   ----- Transcript of session follows -----\r\n";
  for (std::uint32_t i = 0, n = 4 + draw.Below(6); i < n; ++i) {
    text += "550 5.1.1 <user" + id + "@example.org>... " + draw.Word() + " " + draw.Word() + "\r\n";
  }
  text += "\r\n   ----- Original message follows -----\r\n\r\n";
  text += "Received: from localhost by relay.example.com; " + date() + "\r\n";
  text += "Date: " + date() + "\r\n";
  text += "From: Anonymous <nobody@example.com>\r\n";
  text += "To: user" + id + "@example.org\r\n";
  text += "Subject: " + draw.Word() + " " + draw.Word() + " " + draw.Word() + "\r\n\r\n";
  for (std::uint32_t i = 0, n = 25 + draw.Below(40); i < n; ++i) {
    std::string line;
    while (line.size() < 60)
      line += draw.Word() + " ";
    text += line + "\r\n";
  }
  return text;
}

void Generate(const std::filesystem::path& folder, int first, int count) {
  Draw draw;
  for (int i = 0; i < first; ++i)
    draw.Next();
  for (int i = first; i < first + count; ++i) {
    std::string name = "b";
    name += std::to_string(i);
    name += ".cnm";
    std::ofstream out(folder / name, std::ios::binary);
    out << MakeBounce(draw, i);
  }
}

// What any scan must do: list the folder and read 70 lines of each file.
std::int64_t ListAndReadBaseline(const std::string& folder) {
  std::int64_t lines = 0;
  ndr::ListFolder(folder, "*.*", [&](const ndr::FindEntry& entry, const std::string& name) {
    if (ndr::EntryIsEmpty(entry))
      return;
    ndr::LineReader reader;
    if (!reader.Open(folder + "/" + name))
      return;
    std::string line;
    for (int n = 0; n < 70 && reader.ReadLine(line, 64 * 1024); ++n)
      ++lines;
  });
  return lines;
}

double Seconds(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The reader alone over the listing: what the scan adds on top of it is the
// grid's and the counters' share.
void ReadEveryFile(const std::string& folder) {
  ndr::MessageInfo info;
  ndr::ListFolder(folder, "*.*", [&](const ndr::FindEntry& entry, const std::string& name) {
    if (ndr::EntryIsEmpty(entry))
      return;
    info.FileName = folder + "\\" + name;
    ndr::ReadMessage(info);
  });
}

void CompareScan(const std::string& folder, int files, int runs) {
  QuietToolkit toolkit;
  ndr::Grid grid;
  ndr::Desk desk(toolkit, grid);
  desk.CurrentFolder = folder;
  ListAndReadBaseline(folder);  // warms the file cache for all three
  // Interleaved rounds, best of each: a passing disturbance of the machine
  // then hits one round of all three rather than all rounds of one.
  double baseline = 1e300, reader = 1e300, scan = 1e300;
  for (int round = 0; round < runs; ++round) {
    baseline = std::min(baseline, Seconds([&] { ListAndReadBaseline(folder); }));
    reader = std::min(reader, Seconds([&] { ReadEveryFile(folder); }));
    scan = std::min(scan, Seconds([&] { desk.LoadFolder(); }));
  }
  std::printf(
      "LoadFolder, %6d files: %6.2f us/file; list+read 70 lines: %6.2f us/file; "
      "ratio %.2f (goal <= 1.30)\n",
      files, scan / files * 1e6, baseline / files * 1e6, scan / baseline);
  std::printf("  of which ReadMessage over the listing: %6.2f us/file (%.2f x the baseline)\n",
              reader / files * 1e6, reader / baseline);
}

// Lets pending writes of the generated files reach the disk, so that they do
// not slow down whichever deletion runs next.
void SettleDisk() {
#ifndef _WIN32
  ::sync();
#endif
}

struct Cost {
  double wall, cpu;
};

// Wall time and the process's processor time: the disk's own delays (this
// file system may discard blocks on every delete) show only in the first.
Cost Measure(const std::function<void()>& work) {
  SettleDisk();
  const std::clock_t cpuStart = std::clock();
  const double wall = Seconds(work);
  return {wall, static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC};
}

Cost DeleteAlone(const std::vector<std::string>& paths) {
  return Measure([&] {
    for (const auto& path : paths)
      ndr::RemoveFile(path);
  });
}

std::vector<std::string> PathsOfRows(const ndr::Grid& grid, const std::string& folder,
                                     std::int32_t first, std::int32_t count) {
  std::vector<std::string> paths;
  for (std::int32_t r = first; r < first + count; ++r) {
    paths.push_back(folder + "\\" + grid.TextMatrix(r, 1));
  }
  return paths;
}

void SortAndDelete(const std::string& folder) {
  QuietToolkit toolkit;
  ndr::Grid grid;
  ndr::Desk desk(toolkit, grid);
  desk.CurrentFolder = folder;
  desk.LoadFolder();
  const std::int32_t rows = grid.Rows() - 1;

  grid.SetMouseCell(0, 4);  // left presses on the Date header: ascending, descending
  const double ascending = Seconds([&] { desk.MSFlexGrid1_MouseDown(1, 0, 0, 0); });
  const double descending = Seconds([&] { desk.MSFlexGrid1_MouseDown(1, 0, 0, 0); });
  std::printf("Sort by Date, %d rows: %.3f s ascending, %.3f s descending (goal < 0.300)\n", rows,
              ascending, descending);

  // A tenth of the rows through the Delete action, against deleting as many
  // other files of the same folder alone, once before and once after.
  const std::int32_t deleted = rows / 10;
  const auto before = PathsOfRows(grid, folder, rows - deleted + 1, deleted);
  const auto after = PathsOfRows(grid, folder, rows - 2 * deleted + 1, deleted);
  const Cost aloneBefore = DeleteAlone(before);
  grid.SetRow(1);
  grid.SetCol(1);
  grid.SetRowSel(deleted);
  grid.SetColSel(10);
  const Cost action = Measure([&] { desk.MnuPOPBDelete_Click(); });
  const Cost aloneAfter = DeleteAlone(after);
  const Cost alone{(aloneBefore.wall + aloneAfter.wall) / 2,
                   (aloneBefore.cpu + aloneAfter.cpu) / 2};
  std::printf("Delete %d of %d rows: %.3f s; the files alone: %.3f s; ratio %.2f (goal <= 1.50)\n",
              deleted, rows, action.wall, alone.wall, action.wall / alone.wall);
  std::printf("  processor time: %.3f s against %.3f s; ratio %.2f\n", action.cpu, alone.cpu,
              action.cpu / alone.cpu);
  if (grid.Rows() - 1 != rows - deleted)
    std::printf("  unexpected: %d rows left\n", grid.Rows() - 1);
}

}  // namespace

// Without an argument: 10,000 then 100,000 files. With one: that many only.
int main(int argc, char** argv) {
  const auto root = std::filesystem::temp_directory_path() / "ndr-viewer-bench";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  const std::string folder = root.string();

  std::vector<int> sizes = {10000, 100000};
  if (argc > 1)
    sizes = {std::max(10, std::atoi(argv[1]))};
  int made = 0;
  for (int size : sizes) {
    std::printf("Generating %d bounces in %s ...\n", size, folder.c_str());
    Generate(root, made, size - made);
    made = size;
    CompareScan(folder, size, size > 50000 ? 3 : 7);
  }
  SortAndDelete(folder);

  std::filesystem::remove_all(root);
  return 0;
}
