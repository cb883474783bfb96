// Timings of the viewer's heavy paths against what they cannot avoid doing:
// the folder scan against listing the folder and opening, sizing and reading
// the head of each file with the platform's bare calls, the date sort of
// 100,000 rows, and the removal of 10,000 selected rows against deleting
// their files alone. Prints the figures and the ratios, and what the grid
// holds per row after a scan.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "desk.h"
#include "folder_listing.h"
#include "grid.h"
#include "os_seam.h"
#include "platform.h"
#include "quiet_toolkit.h"
#include "read_ahead.h"
#include "sample_mail.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#endif
#ifdef __linux__
#include <malloc.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

using ndr::bench::QuietToolkit;

// count bounces of a few KB with realistic headers, named b<index>.cnm; the
// same files on every run.
void Generate(const std::filesystem::path& folder, int first, int count) {
  for (int i = first; i < first + count; ++i) {
    ndr::samples::BounceOptions options;
    options.marker = ndr::samples::kAllMarkers[i % 5];
    options.targetBytes = 2048 + static_cast<std::size_t>(i % 4096);
    const std::string bytes =
        ndr::samples::MakeBounce(static_cast<std::uint64_t>(i), options).bytes;
    std::string name = "b";  // built piecewise: GCC 12 warns falsely on "b" + ...
    name += std::to_string(i);
    name += ".cnm";
    std::ofstream out(folder / name, std::ios::binary);
    out << bytes;
  }
}

// The delay of the slow-drive mode, added before every open of the scan (by
// the scan's test seam) and of the baseline alike.
std::chrono::microseconds openDelay{0};

// The readers of the overlapped scan; 0: the viewer's default.
int readerCount = 0;

// The cold mode: every file of the folder leaves the cache before each timed
// pass, as after a restart or on a drive seen for the first time.
bool cold = false;

void WaitOpenDelay() {
  if (openDelay.count() > 0)
    std::this_thread::sleep_for(openDelay);
}

// What any scan must do, written with the platform's bare calls: list the
// folder, then open each file, take its size, read its first 16 KiB and close
// it. Returns the bytes read, so that nothing is optimised away. Without
// lookAtSize the size call is left out: the scan takes most sizes from the
// read, and this shows what it gains by that.
constexpr std::size_t kHeadBytes = 16 * 1024;

// The bare work's two halves: the folder's files, each path handed on as it
// is listed, and one file opened, its size taken, its first 16 KiB read and
// closed (the bytes read).
#ifdef _WIN32
void BareList(const std::string& folder, const std::function<void(const std::string&)>& take) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE)
    return;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      take(folder + "\\" + entry.cFileName);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

std::int64_t BareRead(const std::string& path, bool lookAtSize) {
  thread_local char buffer[kHeadBytes];
  WaitOpenDelay();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return 0;
  LARGE_INTEGER size;
  DWORD got = 0;
  if ((lookAtSize && !GetFileSizeEx(file, &size)) ||
      !ReadFile(file, buffer, sizeof buffer, &got, nullptr))
    got = 0;
  CloseHandle(file);
  return got;
}
#else
void BareList(const std::string& folder, const std::function<void(const std::string&)>& take) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr)
    return;
  std::string path = folder + "/";
  const std::size_t base = path.size();
  while (const struct dirent* item = ::readdir(dir)) {
    if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0)
      continue;
    path.resize(base);
    take(path += item->d_name);
  }
  ::closedir(dir);
}

std::int64_t BareRead(const std::string& path, bool lookAtSize) {
  thread_local char buffer[kHeadBytes];
  WaitOpenDelay();
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0)
    return 0;
  struct stat info;
  ssize_t got = 0;
  if (!lookAtSize || (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)))
    got = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  return got > 0 ? got : 0;
}
#endif

std::int64_t BareListAndRead(const std::string& folder, bool lookAtSize = true) {
  std::int64_t total = 0;
  BareList(folder, [&](const std::string& path) { total += BareRead(path, lookAtSize); });
  return total;
}

// The same work shared by `threads` threads, each taking the next file: what
// readers could at best make of it on this machine.
std::int64_t BareOnThreads(const std::string& folder, int threads) {
  std::vector<std::string> paths;
  BareList(folder, [&](const std::string& path) { paths.push_back(path); });
  std::atomic<std::size_t> next{0};
  std::atomic<std::int64_t> total{0};
  auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < paths.size();)
      total += BareRead(paths[i], true);
  };
  std::vector<std::thread> others;
  for (int i = 1; i < threads; ++i)
    others.emplace_back(work);
  work();
  for (std::thread& other : others)
    other.join();
  return total;
}

double Seconds(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Drops each file's cached data, without privileges. POSIX: the pages,
// clean since the folder was synced, are let go (POSIX_FADV_DONTNEED); the
// names and sizes stay known, so only the reads go to the disk. Windows: an
// open without buffering purges the file's cached data when no other handle
// holds it; emptying the whole standby list would need an administrator.
#ifdef _WIN32
void EvictFolder(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE)
    return;
  do {
    const std::string path = folder + "\\" + entry.cFileName;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, nullptr);
    if (file != INVALID_HANDLE_VALUE)
      CloseHandle(file);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}
#else
void EvictFolder(const std::string& folder) {
  ::sync();
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    const int fd = ::open(item.path().c_str(), O_RDONLY);
    if (fd >= 0) {
      ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
      ::close(fd);
    }
  }
}
#endif

// One timed pass, from a cold cache in the cold mode.
double Pass(const std::string& folder, const std::function<void()>& work) {
  if (cold)
    EvictFolder(folder);
  return Seconds(work);
}

// The slow drive through the platform's seam: each open of a file waits.
class SlowDrive : public ndr::OsCallHook {
 public:
  ndr::OsFault Before(const ndr::OsCallInfo& info) override {
    if (info.call == ndr::OsCall::kOpenRead)
      WaitOpenDelay();
    return ndr::OsFault::kNone;
  }
  void After(const ndr::OsCallInfo&, bool) override {}
};

// Lets pending writes reach the disk, so that they do not slow down
// whichever measurement runs next.
void SettleDisk() {
#ifndef _WIN32
  ::sync();
#endif
}

double ScanSeconds(ndr::Desk& desk, int readers) {
  desk.SetScanReaders(readers);
  return Pass(desk.CurrentFolder(), [&] { desk.LoadFolder(); });
}

// The scan on the window's thread alone, and with the default readers ahead
// of it, each against the bare work, in interleaved rounds (best of each): a
// passing disturbance of the machine then hits one round of all three rather
// than all rounds of one.
void CompareScan(const std::string& folder, int files, int rounds) {
  QuietToolkit toolkit;
  ndr::Grid grid;
  ndr::Desk desk(toolkit, grid);
  desk.ShowFolder(folder);
  const int readers = readerCount > 0 ? readerCount : ndr::DefaultReaderCount();
  SlowDrive slowDrive;
  // Held by pointer: GCC's optimiser warns falsely on an optional hook.
  std::unique_ptr<ndr::ScopedOsCallHook> delay;
  if (openDelay.count() > 0)
    delay = std::make_unique<ndr::ScopedOsCallHook>(slowDrive);
  BareListAndRead(folder);  // warms the file cache for all three
  // The first read of a new file updates its access time: those inodes are
  // written back now, not by the system's flusher in the middle of a round.
  SettleDisk();
  // A cold cache is read best by many waiting reads at once, a warm one by
  // one thread per processor.
  const int floorThreads = cold ? ndr::kMostReaders : ndr::DefaultReaderCount();
  double bare = 1e300, bareUnsized = 1e300, serial = 1e300, overlapped = 1e300;
  double bareThreads = 1e300;
  for (int round = 0; round < rounds; ++round) {
    bare = std::min(bare, Pass(folder, [&] { BareListAndRead(folder); }));
    bareThreads = std::min(bareThreads, Pass(folder, [&] { BareOnThreads(folder, floorThreads); }));
    bareUnsized = std::min(bareUnsized, Pass(folder, [&] { BareListAndRead(folder, false); }));
    serial = std::min(serial, ScanSeconds(desk, 0));
    overlapped = std::min(overlapped, ScanSeconds(desk, readers));
  }
  delay.reset();
  if (grid.Rows() - 1 != files)
    std::printf("  unexpected: %d rows\n", grid.Rows() - 1);
  const double perFile = 1e6 / files;
  std::printf("LoadFolder, %6d files%s: bare list+open+size+read %7.2f us/file\n", files,
              openDelay.count() > 0 ? " (slow drive)" : (cold ? " (cold cache)" : ""),
              bare * perFile);
  std::printf("  the same without the size call: %7.2f us/file\n", bareUnsized * perFile);
  std::printf("  serial (one thread):     %7.2f us/file, ratio %.2f (goal <= 1.30); %.2f without\n",
              serial * perFile, serial / bare, serial / bareUnsized);
  std::printf(
      "  overlapped (%d+ readers): %7.2f us/file, ratio %.2f (goal %s); %.2f without; "
      "%.2fx serial\n",
      readers, overlapped * perFile, overlapped / bare,
      cold ? "<= 0.35" : (openDelay.count() > 0 ? "<= 0.80" : "< 0.60"), overlapped / bareUnsized,
      serial / overlapped);
  std::printf(
      "  the bare work on %d threads: %7.2f us/file, ratio %.2f: the readers' floor; "
      "the overlapped scan is %.2fx it\n",
      floorThreads, bareThreads * perFile, bareThreads / bare, overlapped / bareThreads);
}

#ifdef __linux__
// The process's peak resident memory since the last reset, in bytes (0 when
// the system does not tell).
long long PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0)
      return std::atoll(line.c_str() + 6) * 1024;
  }
  return 0;
}

// The peak resident memory of one scan of folder into a fresh grid, counted
// from the memory the process holds before it.
long long ScanPeakBytes(const std::string& folder) {
  ::malloc_trim(0);  // what earlier grids freed goes back to the system first
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
  const long long before = PeakResidentBytes();
  {
    QuietToolkit toolkit;
    ndr::Grid grid;
    ndr::Desk desk(toolkit, grid);
    desk.ShowFolder(folder);
    desk.LoadFolder();
  }
  return PeakResidentBytes() - before;
}

// What the grid holds per row: the peak of a scan of the folder less that of
// a scan of an empty folder, over the rows.
void MemoryPerRow(const std::string& folder, const std::string& emptyFolder, int files) {
  const long long empty = ScanPeakBytes(emptyFolder);
  const long long full = ScanPeakBytes(folder);
  std::printf(
      "  memory: %.0f bytes/row (goal <= 400; scan peak %.1f MB less an empty scan's %.1f MB)\n",
      static_cast<double>(full - empty) / files, static_cast<double>(full) / 1e6,
      static_cast<double>(empty) / 1e6);
}
#else
void MemoryPerRow(const std::string&, const std::string&, int) {}
#endif

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
    paths.push_back(folder + "\\" + std::string(grid.TextMatrix(r, 1)));
  }
  return paths;
}

void SortAndDelete(const std::string& folder) {
  QuietToolkit toolkit;
  ndr::Grid grid;
  ndr::Desk desk(toolkit, grid);
  desk.ShowFolder(folder);
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

// Options: --scan-only (no sort and delete figures), --readers N (the
// overlapped scan's readers instead of the default), --open-delay-us N (the
// slow-drive mode: each open waits N microseconds), --cold (each timed pass
// from a cold cache; three rounds), then the folder sizes (default 10,000 and
// 100,000; 5,000 in the slow-drive mode).
int main(int argc, char** argv) {
  bool scanOnly = false;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--scan-only") {
      scanOnly = true;
    } else if (arg == "--readers" && i + 1 < argc) {
      readerCount = std::atoi(argv[++i]);
    } else if (arg == "--cold") {
      cold = true;
      scanOnly = true;
    } else if (arg == "--open-delay-us" && i + 1 < argc) {
      openDelay = std::chrono::microseconds(std::atoi(argv[++i]));
      scanOnly = true;
    } else {
      sizes.push_back(std::max(10, std::atoi(arg.c_str())));
    }
  }
  if (sizes.empty())
    sizes = openDelay.count() > 0 ? std::vector<int>{5000} : std::vector<int>{10000, 100000};
  std::sort(sizes.begin(), sizes.end());

  // A folder of this run's own: two runs at once must not share their files.
  const auto root = std::filesystem::temp_directory_path() /
                    ("ndr-viewer-bench-" + std::to_string(std::random_device()()));
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  const auto emptyFolder = root.string() + "-empty";
  std::filesystem::create_directories(emptyFolder);
  const std::string folder = root.string();
  int made = 0;
  for (int size : sizes) {
    std::printf("Generating %d bounces in %s ...\n", size, folder.c_str());
    Generate(root, made, size - made);
    made = size;
    SettleDisk();
    CompareScan(folder, size, cold ? 3 : size > 50000 ? 7 : (openDelay.count() > 0 ? 2 : 11));
    MemoryPerRow(folder, emptyFolder, size);
  }
  if (!scanOnly)
    SortAndDelete(folder);

  std::filesystem::remove_all(root);
  std::filesystem::remove_all(emptyFolder);
  return 0;
}
