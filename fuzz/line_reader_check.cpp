#include <array>
#include <string>

#include "mail_model.h"
#include "properties.h"
#include "test_support.h"
#include "text_file.h"

namespace ndr::fuzz {

namespace {

// How much of a line is kept, or how large a piece is asked for.
constexpr std::array<std::size_t, 8> kSizes = {0, 1, 2, 3, 7, 64, 4096, 1 << 20};
// How many bytes before the 64 KiB mark, where the reader's buffer is filled
// again, the fuzzed bytes begin; 0 (a quarter of the inputs): the file is the
// fuzzed bytes alone. The filler ahead of them is made of short lines.
constexpr std::array<std::size_t, 8> kLeads = {0, 0, 1, 2, 3, 17, 1000, 4000};
constexpr std::size_t kRefill = 64 * 1024;

struct Plan {
  bool pieces = false;    // ReadChunk instead of ReadLine
  bool askAtEnd = false;  // AtEnd between lines
  std::size_t size = 0;
  // Pieces begin here; the filler's whole lines before are read as lines,
  // as tens of thousands of tiny pieces would take long.
  std::size_t piecesFrom = 0;
};

// Follows the reader through the file: every byte read must be the file's
// next one, and every line end the file's next CR or CR LF (or its end).
class Follower {
 public:
  explicit Follower(std::string_view file) : file_(file) {}

  std::string Bytes(std::string_view got) {
    if (got.find('\r') != std::string_view::npos) {
      return "a line holds a CR";
    }
    if (file_.compare(pos_, got.size(), got) != 0) {
      return "read \"" + std::string(got) + "\" at byte " + std::to_string(pos_) +
             ", which the file does not hold there";
    }
    pos_ += got.size();
    return "";
  }
  // Skips what a kept line left out; the bytes up to the line end.
  std::size_t SkipRest() {
    const std::size_t end = std::min(file_.find('\r', pos_), file_.size());
    const std::size_t skipped = end - pos_;
    pos_ = end;
    return skipped;
  }
  // The line end the reader passed; asked, the reader must also know whether
  // the file ends there.
  std::string LineEnd(LineReader& reader, bool askAtEnd) {
    std::string failure = TakeLineEnd();
    if (failure.empty() && askAtEnd && reader.AtEnd() != AtEnd()) {
      failure = "AtEnd disagrees at byte " + std::to_string(pos_);
    }
    return failure;
  }
  std::string Finished() const {
    return AtEnd() ? "" : "reading stopped at byte " + std::to_string(pos_);
  }
  bool AtEnd() const { return pos_ == file_.size(); }
  std::size_t Position() const { return pos_; }

 private:
  std::string TakeLineEnd() {
    if (pos_ == file_.size()) {
      return "";
    }
    if (file_[pos_] != '\r') {
      return "a line ends at byte " + std::to_string(pos_) + ", where the file has no line end";
    }
    ++pos_;
    if (pos_ < file_.size() && file_[pos_] == '\n') {
      ++pos_;
    }
    return "";
  }

  std::string_view file_;
  std::size_t pos_ = 0;
};

std::string ReadLines(LineReader& reader, std::string_view file, const Plan& plan) {
  Follower follower(file);
  std::string line;
  bool truncated = false;
  std::size_t kept = 0;
  while (reader.ReadLine(line, plan.size, &truncated)) {
    if (follower.AtEnd()) {
      return "a line past the end of the file";
    }
    std::string failure = follower.Bytes(line);
    kept += line.size();
    const std::size_t skipped = follower.SkipRest();
    if (failure.empty() && (skipped > 0) != truncated) {
      failure = "the line is said " + std::string(truncated ? "" : "not ") + "to be cut, but " +
                std::to_string(skipped) + " bytes were left out";
    }
    if (failure.empty() && kept > file.size()) {
      failure = "the lines hold more bytes than the file";
    }
    if (failure.empty()) {
      failure = follower.LineEnd(reader, plan.askAtEnd);
    }
    if (!failure.empty()) {
      return failure;
    }
  }
  return follower.Finished();
}

std::string ReadPieces(LineReader& reader, std::string_view file, const Plan& plan) {
  Follower follower(file);
  const std::size_t size = std::max<std::size_t>(plan.size, 1);
  std::string chunk;
  while (follower.Position() < plan.piecesFrom && reader.ReadLine(chunk, kRefill)) {
    std::string failure = follower.Bytes(chunk);
    if (failure.empty()) {
      failure = follower.LineEnd(reader, false);
    }
    if (!failure.empty()) {
      return failure;
    }
  }
  bool ended = false;
  std::size_t calls = 0;
  while (reader.ReadChunk(chunk, size, ended)) {
    if (++calls > 2 * file.size() + 2) {
      return "the pieces never come to an end";
    }
    if (chunk.size() > size) {
      return "a piece of " + std::to_string(chunk.size()) + " bytes, more than asked for";
    }
    if (!ended && chunk.empty()) {
      return "an empty piece in the middle of a line";
    }
    std::string failure = follower.Bytes(chunk);
    if (failure.empty() && ended) {
      failure = follower.LineEnd(reader, plan.askAtEnd);
    }
    if (!failure.empty()) {
      return failure;
    }
  }
  return follower.Finished();
}

std::string Filler() {
  const std::string line = std::string(1000, 'f') + "\r\n";
  std::string filler;
  while (filler.size() < kRefill) {
    filler += line;
  }
  return filler;
}

}  // namespace

std::string CheckLineReader(std::string_view input) {
  static const std::string path = ScratchPath("lines.txt");
  ByteSource in(input);
  const std::uint8_t how = in.Byte();
  const std::size_t lead = kLeads[in.Byte() % kLeads.size()];
  Plan plan;
  plan.pieces = (how & 1) != 0;
  plan.askAtEnd = (how & 2) != 0;
  plan.size = kSizes[(how >> 2) % kSizes.size()];
  // Both kept from one input to the next: fresh 64 KiB strings would cost
  // more than the reading.
  static const std::string filler = Filler();
  static std::string file;
  file.assign(filler, 0, lead > 0 ? kRefill - lead : 0);
  const std::size_t lastEnd = file.rfind('\n');
  plan.piecesFrom = lastEnd == std::string::npos ? 0 : lastEnd + 1;
  file += in.Rest();
  WriteNewFile(path, file);

  // One reader for every file, as a folder scan uses it.
  static LineReader reader;
  OsError error;
  if (!reader.Open(path, &error)) {
    return "cannot open: " + error.Describe();
  }
  std::string failure =
      plan.pieces ? ReadPieces(reader, file, plan) : ReadLines(reader, file, plan);
  if (failure.empty() && reader.Failed()) {
    failure = "a read failed: " + reader.Error().Describe();
  }
  std::string line;
  if (failure.empty() && (!reader.AtEnd() || reader.ReadLine(line, 10))) {
    failure = "a line after the end";
  }
  reader.Close();
  return failure;
}

}  // namespace ndr::fuzz
