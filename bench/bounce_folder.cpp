// Fills a folder with count sample bounces named b<index>.cnm, the same files
// on every run; files already there are kept. Made natively for the Windows
// window's benchmark, since creating 100,000 files under Wine takes an hour.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "sample_mail.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bounce_folder <folder> <count>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const long count = std::strtol(argv[2], nullptr, 10);
  std::filesystem::create_directories(folder);
  for (long i = 0; i < count; ++i) {
    std::string name = "b";  // built piecewise: GCC 12 warns falsely on "b" + ...
    name += std::to_string(i);
    name += ".cnm";
    const std::filesystem::path path = folder / name;
    if (std::filesystem::exists(path))
      continue;
    ndr::samples::BounceOptions options;
    options.marker = ndr::samples::kAllMarkers[static_cast<std::size_t>(i % 5)];
    options.targetBytes = 1024 + static_cast<std::size_t>(i % 2048);
    std::ofstream out(path, std::ios::binary);
    out << ndr::samples::MakeBounce(static_cast<std::uint64_t>(i), options).bytes;
  }
  return 0;
}
