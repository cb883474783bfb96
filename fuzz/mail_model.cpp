#include "mail_model.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform.h"
#include "properties.h"
#include "test_support.h"

namespace ndr::fuzz {

std::vector<std::string_view> SplitMailLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t cr = bytes.find('\r', pos);
    if (cr == std::string_view::npos) {
      lines.push_back(bytes.substr(pos));
      break;
    }
    lines.push_back(bytes.substr(pos, cr - pos));
    pos = cr + 1;
    if (pos < bytes.size() && bytes[pos] == '\n') {
      ++pos;
    }
  }
  return lines;
}

std::uint8_t ByteSource::Byte() {
  return pos_ < bytes_.size() ? static_cast<std::uint8_t>(bytes_[pos_++]) : 0;
}

int ByteSource::Below(int count) {
  const int value = Byte() << 8 | Byte();
  return value % count;
}

namespace {

namespace fs = std::filesystem;

// The scratch folder's owner: its destructor runs at exit and removes it.
class Scratch {
 public:
  Scratch() {
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (;;) {
      const fs::path candidate = base / ("ndr-fuzz-" + std::to_string(random()));
      if (fs::create_directory(candidate)) {
        path_ = candidate;
        break;
      }
    }
    text_ = path_.string();
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::string& Text() const { return text_; }

 private:
  fs::path path_;
  std::string text_;
};

}  // namespace

const std::string& ScratchFolder() {
  static const Scratch scratch;
  return scratch.Text();
}

std::string ScratchPath(std::string_view name) {
  return (fs::path(ScratchFolder()) / name).string();
}

void WriteNewFile(const std::string& path, std::string_view bytes) {
  RemoveFile(path);
  testsupport::WriteBytes(path, bytes);
}

}  // namespace ndr::fuzz
