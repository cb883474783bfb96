#include "header_text.h"

#include <cstdint>
#include <cstring>

#include "ascii.h"
#include "charset.h"

namespace ndr {

namespace {

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves free map to the
// control characters of the same number, as the system's converter has it.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendCodePoint(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The length of the UTF-8 sequence at text[at], or 0 when none starts there
// (overlong forms, surrogates and values past U+10FFFF are none).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead < 0x80)
    return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (at + length > text.size())
    return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[at + i]);
    if (i == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF))
      return 0;
  }
  return length;
}

// How many bytes from at on are ASCII: eight at a time, since most texts are
// nothing else.
std::size_t AsciiRunAt(std::string_view text, std::size_t at) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  std::size_t end = at;
  for (std::uint64_t word; end + sizeof word <= text.size(); end += sizeof word) {
    std::memcpy(&word, text.data() + end, sizeof word);
    if ((word & kHighBits) != 0)
      break;
  }
  while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80)
    ++end;
  return end - at;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t at = AsciiRunAt(text, 0); at < text.size(); at += AsciiRunAt(text, at)) {
    const std::size_t length = Utf8SequenceAt(text, at);
    if (length == 0)
      return false;
    at += length;
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  const char lower = AsciiLower(c);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  return c == '+' ? 62 : (c == '/' ? 63 : -1);
}

bool DecodeBase64(std::string_view text, std::string& out) {
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=')
      break;  // padding ends the data
    const int value = Base64Value(c);
    if (value < 0)
      return false;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return true;
}

bool DecodeQ(std::string_view text, std::string& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_') {
      out += ' ';
    } else if (text[i] != '=') {
      out += text[i];
    } else {
      if (i + 2 >= text.size() || HexValue(text[i + 1]) < 0 || HexValue(text[i + 2]) < 0)
        return false;
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    }
  }
  return true;
}

// An encoded word's parts, found at the start of text.
struct EncodedWord {
  std::string_view charset, encoding, data;
  std::size_t length = 0;  // of the whole word
};

bool ParseEncodedWord(std::string_view text, EncodedWord& word) {
  if (text.size() < 8 || text[0] != '=' || text[1] != '?')
    return false;
  const std::size_t charsetEnd = text.find('?', 2);
  if (charsetEnd == std::string_view::npos || charsetEnd == 2 || charsetEnd + 2 >= text.size() ||
      text[charsetEnd + 2] != '?')
    return false;
  const std::size_t dataEnd = text.find("?=", charsetEnd + 3);
  if (dataEnd == std::string_view::npos)
    return false;
  word.charset = text.substr(2, charsetEnd - 2);
  word.charset = word.charset.substr(0, word.charset.find('*'));  // a language tag (RFC 2231)
  word.encoding = text.substr(charsetEnd + 1, 1);
  word.data = text.substr(charsetEnd + 3, dataEnd - charsetEnd - 3);
  word.length = dataEnd + 2;
  for (char c : text.substr(0, word.length)) {
    if (IsFoldingSpace(c))
      return false;  // an encoded word holds no blank
  }
  return true;
}

// Appends the word's text as UTF-8; false, with out as it was, when it
// cannot be read.
bool AppendDecodedWord(const EncodedWord& word, std::string& out, std::string& bytes) {
  bytes.clear();
  const char encoding = AsciiLower(word.encoding[0]);
  const bool decoded = encoding == 'b'   ? DecodeBase64(word.data, bytes)
                       : encoding == 'q' ? DecodeQ(word.data, bytes)
                                         : false;
  if (!decoded)
    return false;
  if (EqualsIgnoreCase(word.charset, "utf-8") || EqualsIgnoreCase(word.charset, "us-ascii")) {
    AppendDisplayText(bytes, out);
    return true;
  }
  return AppendAsUtf8(word.charset, bytes, out);
}

bool IsLinearBlank(std::string_view text) {
  for (char c : text) {
    if (!IsFoldingSpace(c))
      return false;
  }
  return true;
}

// Nothing to decode and nothing but ASCII: the text stays as it is. Most
// values of a scan are such.
bool IsPlainAscii(std::string_view text) {
  return AsciiRunAt(text, 0) == text.size() && text.find("=?") == std::string_view::npos;
}

}  // namespace

void AppendDisplayText(std::string_view bytes, std::string& out) {
  if (IsUtf8(bytes)) {
    out += bytes;
    return;
  }
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    AppendCodePoint(byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte, out);
  }
}

void DecodeHeaderText(std::string& text, std::string& scratch) {
  if (IsPlainAscii(text))
    return;
  std::string& decoded = scratch;
  decoded.clear();
  std::string bytes;  // of one word
  const std::string_view rest(text);
  std::size_t plainBegin = 0;  // of the text not yet appended
  bool afterWord = false;      // the last thing appended was a decoded word
  for (std::size_t at = rest.find("=?"); at != std::string_view::npos; at = rest.find("=?", at)) {
    EncodedWord word;
    const std::size_t mark = decoded.size();
    const std::string_view between = rest.substr(plainBegin, at - plainBegin);
    if (!(afterWord && IsLinearBlank(between)))
      AppendDisplayText(between, decoded);
    if (ParseEncodedWord(rest.substr(at), word) && AppendDecodedWord(word, decoded, bytes)) {
      at += word.length;
      plainBegin = at;
      afterWord = true;
      continue;
    }
    // Not a word after all: the text goes on as plain text.
    decoded.resize(mark);
    at += 2;
    afterWord = false;
  }
  AppendDisplayText(rest.substr(plainBegin), decoded);
  text.swap(decoded);
}

}  // namespace ndr
