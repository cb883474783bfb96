// The core's texts are 8-bit; the window draws and takes UTF-16. Valid UTF-8
// (names on the disk, decoded subjects) is read as such; anything else as the
// system's 8-bit code page, the encoding of raw message headers, so that no
// byte is lost.
#pragma once

#include <string>
#include <string_view>

namespace ndr::win32 {

std::wstring Wide(std::string_view text);
// What the operator typed, for the core: UTF-8.
std::string Utf8(std::wstring_view text);

}  // namespace ndr::win32
