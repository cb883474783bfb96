// The number patterns of the viewer's counters and row numbers.
#pragma once

#include <cstdint>
#include <string>

#include "short_text.h"

namespace ndr {

// Decimal digits with one blank before each of the last `groups` groups of
// three digits, as the patterns "# ##0" (groups = 1) and "# ### ##0"
// (groups = 2) show them. Digits beyond the pattern stay ungrouped at the
// front: 1234567 with one group is "1234 567". A number too short to fill a
// group gets no leading blank: 12 is "12", not " 12".
std::string FormatGrouped(std::int64_t value, int groups);

// "# ##0": the message and empty-file counters.
inline std::string FormatCount(std::int64_t value) {
  return FormatGrouped(value, 1);
}
// "# ### ##0": the size total.
inline std::string FormatByteTotal(std::int64_t value) {
  return FormatGrouped(value, 2);
}

// At least `width` digits, zero-padded ("000": 1 is "001", 1234 is "1234");
// widths beyond the text's capacity are not padded in full.
ShortText FormatZeroPadded(std::int64_t value, int width);
// The plain decimal digits, with a "-" before a negative value.
ShortText FormatDecimal(std::int64_t value);

}  // namespace ndr
