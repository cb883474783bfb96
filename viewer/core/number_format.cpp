#include "number_format.h"

#include <charconv>
#include <cstddef>
#include <iterator>

namespace ndr {
namespace {

// Digits of the magnitude, the most significant first, at the end of a
// buffer of 20 (enough for the most negative value); the start of the
// digits.
char* MagnitudeDigits(std::int64_t value, char (&buffer)[20]) {
  std::uint64_t magnitude =
      value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : std::uint64_t(value);
  char* first = std::end(buffer);
  do {
    *--first = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  return first;
}

std::string_view Digits(std::int64_t value, char (&buffer)[20]) {
  const char* first = MagnitudeDigits(value, buffer);
  return {first, static_cast<std::size_t>(std::end(buffer) - first)};
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
  ShortText text;
  char* first = text.Buffer();
  const auto result = std::to_chars(first, first + ShortText::kCapacity, value);
  text.SetSize(static_cast<std::size_t>(result.ptr - first));
  return text;
}

}  // namespace ndr
