// Header values as people wrote them: encoded words (RFC 2047) decoded and
// every text made UTF-8, the form in which the core hands texts to the
// windows.
#pragma once

#include <string>
#include <string_view>

namespace ndr {

// Rewrites an unfolded header value for display: each encoded word
// ("=?charset?B?...?=" or "?Q?") in its character set, converted to UTF-8;
// the blanks between two adjacent encoded words dropped; a word whose
// character set the system does not know, or that is malformed, left as it
// is. The text around the words goes through AppendDisplayText. scratch is
// a buffer the caller keeps for the next call.
void DecodeHeaderText(std::string& text, std::string& scratch);

// Appends bytes to out as UTF-8: valid UTF-8 as it is, anything else read as
// Windows-1252, the code page the mail of the remailer's users is written in.
void AppendDisplayText(std::string_view bytes, std::string& out);

}  // namespace ndr
