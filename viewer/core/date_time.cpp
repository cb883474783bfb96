#include "date_time.h"

#include <cstdio>
#include <cstring>

namespace ndr {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Days since 1970-01-01 in the proleptic Gregorian calendar; months may run
// outside 1..12 and are carried into the year.
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
  year += FloorDiv(month - 1, 12);
  month = month - 12 * FloorDiv(month - 1, 12);
  // Counting years from March puts the leap day at the end of the year.
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = FloorDiv(year, 400);
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, DateTime& out) {
  days += 719468;
  const std::int64_t era = FloorDiv(days, 146097);
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  out.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  out.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  out.year = static_cast<int>(yearOfEra + era * 400 + (out.month <= 2 ? 1 : 0));
}

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12)
    return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

DateTime AddSeconds(const DateTime& value, std::int64_t seconds) {
  const std::int64_t total = DaysFromCivil(value.year, value.month, value.day) * kSecondsPerDay +
                             std::int64_t{value.hour} * 3600 + std::int64_t{value.minute} * 60 +
                             value.second + seconds;
  const std::int64_t days = FloorDiv(total, kSecondsPerDay);
  const std::int64_t rest = total - days * kSecondsPerDay;
  DateTime out;
  CivilFromDays(days, out);
  out.hour = static_cast<int>(rest / 3600);
  out.minute = static_cast<int>(rest / 60 % 60);
  out.second = static_cast<int>(rest % 60);
  return out;
}

ShortText FormatGridDate(const DateTime& value) {
  ShortText text;
  const auto inRange = [](int v, int high) { return v >= 0 && v <= high; };
  if (!inRange(value.year, 9999) || !inRange(value.month, 99) || !inRange(value.day, 99) ||
      !inRange(value.hour, 99) || !inRange(value.minute, 99) || !inRange(value.second, 99)) {
    char chars[ShortText::kCapacity];
    std::snprintf(chars, sizeof chars, "~%04d/%02d/%02d %02d:%02d:%02d", value.year, value.month,
                  value.day, value.hour, value.minute, value.second);
    text.Append(chars);
    return text;
  }
  // Every row of a scan shows two dates: spare it the printf machinery.
  char* digits = text.Buffer();
  std::memcpy(digits, "~0000/00/00 00:00:00", 20);
  text.SetSize(20);
  const auto put2 = [digits](std::size_t at, int v) {
    digits[at] = static_cast<char>('0' + v / 10);
    digits[at + 1] = static_cast<char>('0' + v % 10);
  };
  put2(1, value.year / 100);
  put2(3, value.year % 100);
  put2(6, value.month);
  put2(9, value.day);
  put2(12, value.hour);
  put2(15, value.minute);
  put2(18, value.second);
  return text;
}

}  // namespace ndr
