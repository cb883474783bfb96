// Conversion of text in a named character set (as mail names it: "UTF-8",
// "iso-8859-1", "ISO-2022-JP", "windows-1251") into UTF-8, by the system's
// own converter. Independent of the process locale.
#pragma once

#include <string>
#include <string_view>

namespace ndr {

// Appends bytes, read in charset, to out as UTF-8. False, with out as it
// was, when the system knows no such character set or the bytes are not
// text in it.
bool AppendAsUtf8(std::string_view charset, std::string_view bytes, std::string& out);

}  // namespace ndr
