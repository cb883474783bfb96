#include "number_format.h"

#include <charconv>
#include <cstddef>
#include <iterator>

namespace ndr {
namespace {

// The digits of the magnitude (the most negative value too) in buffer.
std::string_view Digits(std::int64_t value, char (&buffer)[20]) {
  const std::uint64_t magnitude =
      value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : std::uint64_t(value);
  const auto result = std::to_chars(std::begin(buffer), std::end(buffer), magnitude);
  return {buffer, static_cast<std::size_t>(result.ptr - buffer)};
}

}  // namespace

std::string FormatGrouped(std::int64_t value, int groups) {
  char buffer[20];
  std::string digits(Digits(value, buffer));
  for (int group = 1; group <= groups; ++group) {
    const std::size_t cut =
        static_cast<std::size_t>(group) * 3 + static_cast<std::size_t>(group - 1);
    if (digits.size() <= cut)
      break;
    digits.insert(digits.size() - cut, 1, ' ');
  }
  return value < 0 ? "-" + digits : digits;
}

ShortText FormatZeroPadded(std::int64_t value, int width) {
  char buffer[20];
  const std::string_view digits = Digits(value, buffer);
  ShortText text;
  if (value < 0)
    text.Append('-');
  for (auto n = static_cast<std::ptrdiff_t>(digits.size()); n < width; ++n)
    text.Append('0');
  text.Append(digits);
  return text;
}

ShortText FormatDecimal(std::int64_t value) {
  return FormatZeroPadded(value, 1);
}

}  // namespace ndr
