// A calendar date and a time of day to the second, as a plain value: no time
// zone, no 1970 or 2038 limit.
#pragma once

#include <cstdint>
#include <string>

#include "short_text.h"

namespace ndr {

struct DateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;

  friend bool operator==(const DateTime&, const DateTime&) = default;
  friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

// The value a date field keeps when no line set it: 1899-12-30 00:00:00.
constexpr DateTime kEmptyDateTime{};
// What an unreadable mail date gives: the zero instant 1601-01-01 00:00:00.
constexpr DateTime kZeroInstant{1601, 1, 1, 0, 0, 0};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12

// The value moved by a number of seconds, either way, across day, month, year
// and leap-day boundaries. Fields out of range are carried (61 seconds = 1:01).
DateTime AddSeconds(const DateTime& value, std::int64_t seconds);

// "~YYYY/MM/DD HH:NN:SS", as the grid shows dates.
ShortText FormatGridDate(const DateTime& value);

}  // namespace ndr
