// The core's texts are 8-bit; the window draws and takes UTF-16. Valid UTF-8
// (names on the disk, decoded subjects) is read as such; anything else as the
// system's 8-bit code page, the encoding of raw message headers, so that no
// byte is lost.
#pragma once

#include <string>
#include <string_view>

#include "wide_text.h"

namespace ndr::win32 {

std::wstring ScreenText(std::string_view text);
// Back to the core (what the operator typed, a chosen path): the platform's
// Utf8FromWide.

}  // namespace ndr::win32
