// Text inside the programs is UTF-8; the system's wide calls (Windows) take
// UTF-16. These are the one pair of conversions between the two, and, on
// Windows, the one place where a path takes the form the wide calls want.
// No <windows.h> here: the window's code may use it as well.
#pragma once

#include <string>
#include <string_view>

#include "platform.h"

namespace ndr {

// UTF-8 to UTF-16 code units (held in wchar_t, 16 bits on Windows). A byte
// that begins no valid UTF-8 sequence becomes U+FFFD. A three-byte sequence
// of a lone surrogate gives that surrogate back, so that what Utf8FromWide
// made returns unchanged.
std::wstring WideFromUtf8(std::string_view text);
// UTF-16 to UTF-8. A Windows name may hold a surrogate without its partner;
// it is kept as its own three-byte sequence (as WTF-8 does) rather than
// replaced, so that every name the system can hold comes back to the same file.
std::string Utf8FromWide(std::wstring_view text);

#ifdef _WIN32
// The path (its folder mapped as NativePath does) as the wide calls take it:
// the folder made whole as the system would make it, then in the long form
// (\\?\X:\..., \\?\UNC\server\share\...) so that no length limit applies, and
// the name appended exactly as it is.
std::wstring WideSystemPath(const FsPath& path);
#endif

}  // namespace ndr
