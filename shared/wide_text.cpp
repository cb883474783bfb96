#include "wide_text.h"

#include <cstdint>

namespace ndr {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The code point of the sequence at text[at], and its length in bytes; a
// byte that begins no valid sequence (overlong, beyond U+10FFFF, cut short)
// is one U+FFFD.
char32_t DecodeOne(std::string_view text, std::size_t at, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[at]);
  length = 1;
  if (lead < 0x80)
    return lead;
  std::size_t count = 0;
  char32_t point = 0, least = 0;
  if ((lead & 0xE0) == 0xC0) {
    count = 2, point = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    count = 3, point = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    count = 4, point = lead & 0x07, least = 0x10000;
  } else {
    return kReplacement;
  }
  if (at + count > text.size())
    return kReplacement;
  for (std::size_t i = 1; i < count; ++i) {
    const auto byte = static_cast<unsigned char>(text[at + i]);
    if (!IsContinuation(byte))
      return kReplacement;
    point = (point << 6) | (byte & 0x3F);
  }
  if (point < least || point > 0x10FFFF)
    return kReplacement;
  length = count;
  return point;
}

void AppendUtf8(std::string& out, std::uint32_t point) {
  if (point < 0x80) {
    out += static_cast<char>(point);
    return;
  }
  if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
  }
  out += static_cast<char>(0x80 | (point & 0x3F));
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
    const char32_t point = DecodeOne(text, at, length);
    if (point < 0x10000) {
      wide += static_cast<wchar_t>(point);
    } else {
      wide += static_cast<wchar_t>(0xD800 + ((point - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
    }
  }
  return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
  std::string utf8;
  utf8.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto unit = static_cast<std::uint32_t>(text[at]) & 0xFFFF;
    const bool high = unit >= 0xD800 && unit < 0xDC00;
    const std::uint32_t next =
        at + 1 < text.size() ? static_cast<std::uint32_t>(text[at + 1]) & 0xFFFF : 0;
    if (high && next >= 0xDC00 && next < 0xE000) {
      AppendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
      ++at;
    } else {
      AppendUtf8(utf8, unit);  // a lone surrogate too: kept, not replaced
    }
  }
  return utf8;
}

}  // namespace ndr
