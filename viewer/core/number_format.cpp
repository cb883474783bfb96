#include "number_format.h"

#include <cstddef>

namespace ndr {
namespace {

// Digits of the magnitude; works for the most negative value too.
std::string Digits(std::int64_t value) {
  std::uint64_t magnitude =
      value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : std::uint64_t(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  return digits;
}

}  // namespace

std::string FormatGrouped(std::int64_t value, int groups) {
  std::string digits = Digits(value);
  for (int group = 1; group <= groups; ++group) {
    const std::size_t cut =
        static_cast<std::size_t>(group) * 3 + static_cast<std::size_t>(group - 1);
    if (digits.size() <= cut)
      break;
    digits.insert(digits.size() - cut, 1, ' ');
  }
  return value < 0 ? "-" + digits : digits;
}

std::string FormatZeroPadded(std::int64_t value, int width) {
  std::string digits = Digits(value);
  if (width > 0 && digits.size() < static_cast<std::size_t>(width)) {
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  }
  return value < 0 ? "-" + digits : digits;
}

}  // namespace ndr
