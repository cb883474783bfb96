// Plain, slow models that the fuzz checks compare the real readers with, and
// the byte source that turns a fuzz input into choices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ndr::fuzz {

// The lines of a message file: a line ends at CR or CR LF, a LF alone is
// part of the line, and bytes after the last line end make one more line.
std::vector<std::string_view> SplitMailLines(std::string_view bytes);

// Hands out the input's bytes as small choices; zeros once they run out, so
// every input, the empty one too, makes a complete set of choices.
class ByteSource {
 public:
  explicit ByteSource(std::string_view bytes) : bytes_(bytes) {}
  std::uint8_t Byte();
  // A number from 0 to count - 1 (count at most 65536).
  int Below(int count);
  bool Flag() { return (Byte() & 1) != 0; }
  std::string_view Rest() const { return bytes_.substr(pos_); }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

// A path in the scratch folder.
std::string ScratchPath(std::string_view name);

// Puts the bytes into a new file of that path. (Truncating the old file
// instead would make some file systems flush it to disk on every input.)
void WriteNewFile(const std::string& path, std::string_view bytes);

// Readers keep only the start of a longer line (and the bounce tests look at
// only that much of it); the models keep every byte, so they are compared on
// inputs up to this size only.
constexpr std::size_t kModelInputLimit = 64 * 1024;

}  // namespace ndr::fuzz
