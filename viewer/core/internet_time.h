// Mail "Date: " texts (RFC 5322 with its obsolete forms) into UTC date-times.
#pragma once

#include <string_view>

#include "date_time.h"

namespace ndr {

// The instant the text names, in Coordinated Universal Time; kZeroInstant
// when the text cannot be read.
DateTime InternetDateToDate(std::string_view text);

}  // namespace ndr
