// A short text kept in place rather than on the heap: the numbers and dates
// of a grid row, which a large scan makes hundreds of thousands of times.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace ndr {

class ShortText {
 public:
  static constexpr std::size_t kCapacity = 80;

  std::string_view View() const { return {chars_, size_}; }
  operator std::string_view() const { return View(); }  // NOLINT: used as the text it holds

  // What does not fit is dropped; no caller comes near the capacity.
  void Append(std::string_view text) {
    const std::size_t n = std::min(text.size(), kCapacity - size_);
    std::copy_n(text.data(), n, chars_ + size_);
    size_ += n;
  }
  void Append(char c) {
    if (size_ < kCapacity)
      chars_[size_++] = c;
  }
  // For writing in place: the whole buffer, then the count written.
  char* Buffer() { return chars_; }
  void SetSize(std::size_t size) { size_ = std::min(size, kCapacity); }

 private:
  char chars_[kCapacity];
  std::size_t size_ = 0;
};

}  // namespace ndr
