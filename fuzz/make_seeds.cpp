// Writes the fuzz targets' seed corpora from the samples library:
//   fuzz_make_seeds <corpus folder>
// makes <corpus folder>/<target>/seed-NN for every target. The seeds are the
// same on every run; inputs that once broke a property sit beside them under
// other names and are kept.
#include <cstdio>
#include <filesystem>
#include <string>

#include "sample_bounces.h"
#include "sample_mail.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using ndr::samples::BounceOptions;
using ndr::samples::LineEnd;
using ndr::samples::Marker;

constexpr int kSeeds = 32;

void Write(const fs::path& folder, int index, const std::string& bytes) {
  fs::create_directories(folder);
  char name[32];
  std::snprintf(name, sizeof name, "seed-%02d", index);
  ndr::testsupport::WriteBytes((folder / name).string(), bytes);
}

// Every marker, line end and kind of ending, a few hundred bytes each.
BounceOptions VariedBounce(int index) {
  static constexpr Marker kMarkers[] = {Marker::kServerBanner, Marker::kArgoBanner, Marker::kRelayA,
                                        Marker::kRelayB,       Marker::kLoopback,   Marker::kNone};
  static constexpr LineEnd kEnds[] = {LineEnd::kCrLf, LineEnd::kCrLf, LineEnd::kCr, LineEnd::kLf};
  BounceOptions options;
  options.marker = kMarkers[index % 6];
  options.lineEnd = kEnds[index / 6 % 4];
  options.headerRunsIntoEof = index % 7 == 3;
  options.eightBitSubject = index % 5 == 1;
  options.lastLineUnended = index % 3 == 2;
  options.targetBytes = 300 + static_cast<std::size_t>(index % 4) * 400;
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds <corpus folder>\n");
    return 2;
  }
  const fs::path corpus = argv[1];
  for (int i = 0; i < kSeeds; ++i) {
    const auto seed = static_cast<std::uint64_t>(i) + 1;
    Write(corpus / "mail_date", i, ndr::samples::SampleDate(seed));
    // Messages of more and of fewer than 70 lines, bounces among them.
    Write(corpus / "message_reader", i,
          i % 4 == 0 ? ndr::samples::MakeMessage(seed, 500 + static_cast<std::size_t>(i) * 100)
                     : ndr::samples::MakeBounce(seed, VariedBounce(i * 5)).bytes);
    Write(corpus / "bounce_extract", i, ndr::samples::MakeBounce(seed, VariedBounce(i)).bytes);
    // Two choice bytes (how to read, where the bytes fall), then the file.
    const std::string how{static_cast<char>(i * 7), static_cast<char>(i / 4)};
    Write(corpus / "line_reader", i,
          how + ndr::samples::MakeBounce(seed, VariedBounce(i * 11 + 2)).bytes);
  }
  // The returned mail of the common mail servers, in each kind of line end.
  int index = kSeeds;
  for (const ndr::samples::LabelledBounce& bounce : ndr::samples::LabelledBounces()) {
    static constexpr LineEnd kEnds[] = {LineEnd::kCrLf, LineEnd::kLf, LineEnd::kCr};
    Write(corpus / "message_reader", index,
          ndr::samples::WithLineEnds(bounce.text, kEnds[index % 3]));
    ++index;
  }
  return 0;
}
