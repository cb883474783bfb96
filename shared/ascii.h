// The one ASCII case fold of every program. File names and header names are
// compared and built with it; 8-bit characters of the code page are left as
// they are, and nothing depends on the process locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ndr {

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The bit that alone tells an ASCII letter's two cases apart. Set in any
// byte, it makes a letter's two cases one and turns no other byte into a
// letter: (c | kAsciiCaseBit) == 'x' holds just for 'x' and 'X'. The quick
// readers compare several bytes at once by it.
constexpr unsigned char kAsciiCaseBit = 0x20;

// A blank within a line: space or tab.
constexpr bool IsAsciiBlank(char c) {
  return c == ' ' || c == '\t';
}

// A blank or a line end: what separates a folded header's words.
constexpr bool IsFoldingSpace(char c) {
  return IsAsciiBlank(c) || c == '\r' || c == '\n';
}

constexpr bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline std::string LowerCase(std::string text) {
  for (char& c : text) {
    c = AsciiLower(c);
  }
  return text;
}

constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

constexpr bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

constexpr bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

// Where needle (in lower case) stands in text, in either case; npos if nowhere.
// The needle's first byte is looked for with one comparison per byte.
constexpr std::size_t FindIgnoreCase(std::string_view text, std::string_view lowerNeedle) {
  if (lowerNeedle.empty())
    return 0;
  if (lowerNeedle.size() > text.size())
    return std::string_view::npos;
  const char first = lowerNeedle[0];
  const char fold = IsAsciiLetter(first) ? static_cast<char>(kAsciiCaseBit) : '\0';
  const std::string_view rest = lowerNeedle.substr(1);
  for (std::size_t i = 0; i + lowerNeedle.size() <= text.size(); ++i) {
    if (static_cast<char>(text[i] | fold) == first &&
        EqualsIgnoreCase(text.substr(i + 1, rest.size()), rest))
      return i;
  }
  return std::string_view::npos;
}

}  // namespace ndr
