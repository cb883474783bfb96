// The cost of the seam under the platform layer: the file calls a folder scan
// makes (look at a file, open it, read it, close it) through the platform
// layer with no hook installed, against the same work with the system's plain
// calls on ready-made paths. A counting hook's cost is shown beside them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "os_seam.h"
#include "platform.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFiles = 20000;
constexpr int kRounds = 7;
const std::string kFolder = "P:\\seam-bench";

std::vector<std::string> LayFiles() {
  std::filesystem::remove_all(ndr::NativePath(kFolder));
  std::filesystem::create_directories(ndr::NativePath(kFolder));
  std::vector<std::string> names;
  const std::string bytes(2048, 'x');
  for (int i = 0; i < kFiles; ++i) {
    std::string name = "m";  // built piecewise: GCC 12 warns falsely on "m" + ...
    name += std::to_string(i);
    name += ".cnm";
    names.push_back(name);
    std::ofstream(ndr::NativePath(ndr::FsPath(kFolder, names.back())), std::ios::binary) << bytes;
  }
  return names;
}

// The platform layer: what the viewer's reader does for each file.
long ThroughLayer(const std::vector<std::string>& names) {
  long total = 0;
  char buffer[4096];
  for (const std::string& name : names) {
    const ndr::FsPath path(kFolder, name);
    std::uint64_t length = 0;
    ndr::OsFile file;
    if (ndr::OrdinaryFileExists(path) && file.OpenOrdinary(path, length)) {
      total += static_cast<long>(file.Read(buffer, sizeof buffer));
    }
  }
  return total;
}

#ifndef _WIN32
long Bare(const std::vector<std::string>& paths) {
  long total = 0;
  char buffer[4096];
  for (const std::string& path : paths) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      continue;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      continue;
    }
    if (::fstat(fd, &info) == 0) {
      total += static_cast<long>(::read(fd, buffer, sizeof buffer));
    }
    ::close(fd);
  }
  return total;
}
#endif

class NothingHook : public ndr::OsCallHook {
 public:
  ndr::OsFault Before(const ndr::OsCallInfo&) override {
    ++calls;
    return ndr::OsFault::kNone;
  }
  void After(const ndr::OsCallInfo&, bool) override {}
  long calls = 0;
};

template <typename Work>
double Seconds(Work work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
#ifdef _WIN32
  std::puts("seam_bench: the baseline is written for POSIX only");
  return 0;
#else
  const std::vector<std::string> names = LayFiles();
  std::vector<std::string> paths;
  for (const std::string& name : names) {
    paths.push_back(ndr::NativePath(ndr::FsPath(kFolder, name)));
  }
  double layer = 1e9, bare = 1e9, hooked = 1e9;
  long sink = 0;
  for (int round = 0; round < kRounds; ++round) {  // interleaved, best of each
    bare = std::min(bare, Seconds([&] { sink += Bare(paths); }));
    layer = std::min(layer, Seconds([&] { sink += ThroughLayer(names); }));
    NothingHook hook;
    ndr::ScopedOsCallHook armed(hook);
    hooked = std::min(hooked, Seconds([&] { sink += ThroughLayer(names); }));
  }
  std::filesystem::remove_all(ndr::NativePath(kFolder));
  std::printf("seam: %d files looked at, opened, read and closed (best of %d, sink %ld)\n", kFiles,
              kRounds, sink % 10);
  std::printf("  bare system calls        %8.1f ms\n", bare * 1e3);
  std::printf("  platform layer, no hook  %8.1f ms  ratio %.2f\n", layer * 1e3, layer / bare);
  std::printf("  with a counting hook     %8.1f ms  ratio %.2f\n", hooked * 1e3, hooked / bare);
  return 0;
#endif
}
