#include "screen_text.h"

#include <windows.h>

#include <algorithm>

namespace ndr::win32 {
namespace {

std::wstring Convert(UINT codePage, DWORD flags, std::string_view text) {
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (length <= 0)
    return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
  return wide;
}

}  // namespace

std::wstring ScreenText(std::string_view text) {
  // Most texts are plain ASCII: no system call for those.
  if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
    return std::wstring(text.begin(), text.end());
  std::wstring wide = Convert(CP_UTF8, MB_ERR_INVALID_CHARS, text);
  return wide.empty() ? Convert(CP_ACP, 0, text) : wide;
}

}  // namespace ndr::win32
