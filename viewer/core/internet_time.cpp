#include "internet_time.h"

#include <array>
#include <cstddef>
#include <optional>

#include "ascii.h"

namespace ndr {

namespace {

constexpr std::array<std::string_view, 7> kDayNames = {"mon", "tue", "wed", "thu",
                                                       "fri", "sat", "sun"};
constexpr std::array<std::string_view, 12> kMonthNames = {"jan", "feb", "mar", "apr", "may", "jun",
                                                          "jul", "aug", "sep", "oct", "nov", "dec"};

struct NamedZone {
  std::string_view name;
  int minutes;  // east of UTC
};
constexpr std::array<NamedZone, 11> kZoneNames = {{{"ut", 0},
                                                   {"utc", 0},
                                                   {"gmt", 0},
                                                   {"est", -5 * 60},
                                                   {"edt", -4 * 60},
                                                   {"cst", -6 * 60},
                                                   {"cdt", -5 * 60},
                                                   {"mst", -7 * 60},
                                                   {"mdt", -6 * 60},
                                                   {"pst", -8 * 60},
                                                   {"pdt", -7 * 60}}};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAlpha(char c) {
  return IsAsciiLetter(c);
}

bool EqualsFolded(std::string_view word, std::string_view lowerName) {
  return EqualsIgnoreCase(word, lowerName);
}

// Index of word in names (compared without regard to case), or -1.
template <std::size_t N>
int FindName(std::string_view word, const std::array<std::string_view, N>& names) {
  for (std::size_t i = 0; i < N; ++i) {
    if (EqualsFolded(word, names[i]))
      return static_cast<int>(i);
  }
  return -1;
}

// A cursor over the date text. Blanks, line ends and (nested) comments may
// stand between any two tokens.
class DateScanner {
 public:
  explicit DateScanner(std::string_view text) : text_(text) {}

  // False on a comment that never closes.
  bool SkipCfws() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++pos_;
      } else if (c == '(') {
        if (!SkipComment())
          return false;
      } else {
        break;
      }
    }
    return true;
  }

  bool AtEnd() const { return pos_ == text_.size(); }
  bool Peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
  bool PeekAlpha() const { return pos_ < text_.size() && IsAlpha(text_[pos_]); }

  bool Take(char c) {
    if (!Peek(c))
      return false;
    ++pos_;
    return true;
  }

  std::string_view Word() { return Run(IsAlpha); }
  std::string_view Digits() { return Run(IsDigit); }

 private:
  template <typename Member>
  std::string_view Run(Member member) {
    const std::size_t begin = pos_;
    while (pos_ < text_.size() && member(text_[pos_]))
      ++pos_;
    return text_.substr(begin, pos_ - begin);
  }

  bool SkipComment() {
    int depth = 0;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '\\') {
        if (pos_ == text_.size())
          return false;
        ++pos_;  // quoted pair: the next character is taken as it is
      } else if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth == 0) {
        return true;
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

// The number a run of 1 to maxDigits digits spells, or -1.
int Number(std::string_view digits, std::size_t minDigits, std::size_t maxDigits) {
  if (digits.size() < minDigits || digits.size() > maxDigits)
    return -1;
  int value = 0;
  for (char c : digits)
    value = value * 10 + (c - '0');
  return value;
}

// Two-digit years: 00-49 are 2000-2049, 50-99 are 1950-1999; three-digit
// years count from 1900.
int FullYear(std::string_view digits) {
  const int value = Number(digits, 2, 9);
  if (value < 0)
    return -1;
  if (digits.size() == 2)
    return value < 50 ? 2000 + value : 1900 + value;
  if (digits.size() == 3)
    return 1900 + value;
  return value;
}

// Minutes east of UTC. A missing zone, the military letters and other
// alphabetic zones carry no reliable offset and count as -0000.
std::optional<int> Zone(DateScanner& scan) {
  if (scan.Peek('+') || scan.Peek('-')) {
    const bool west = scan.Peek('-');
    scan.Take(west ? '-' : '+');
    const int hhmm = Number(scan.Digits(), 4, 4);
    if (hhmm < 0 || hhmm % 100 > 59)
      return std::nullopt;
    const int minutes = hhmm / 100 * 60 + hhmm % 100;
    return west ? -minutes : minutes;
  }
  if (!scan.PeekAlpha())
    return 0;
  const std::string_view word = scan.Word();
  for (const NamedZone& zone : kZoneNames) {
    if (EqualsFolded(word, zone.name))
      return zone.minutes;
  }
  if (word.size() == 1) {
    if (AsciiLower(word[0]) == 'j')
      return std::nullopt;  // J names no zone
    return 0;
  }
  if (word.size() <= 5)
    return 0;
  return std::nullopt;
}

struct LocalTime {
  DateTime value;
  int zoneMinutes = 0;
};

bool ReadDate(DateScanner& scan, DateTime& value) {
  if (scan.PeekAlpha()) {
    // The day name is optional and is not checked against the date.
    if (FindName(scan.Word(), kDayNames) < 0 || !scan.SkipCfws())
      return false;
    scan.Take(',');
    if (!scan.SkipCfws())
      return false;
  }
  value.day = Number(scan.Digits(), 1, 2);
  if (value.day < 0 || !scan.SkipCfws())
    return false;
  value.month = FindName(scan.Word(), kMonthNames) + 1;
  if (value.month == 0 || !scan.SkipCfws())
    return false;
  value.year = FullYear(scan.Digits());
  return value.year >= 0 && scan.SkipCfws();
}

bool ReadTime(DateScanner& scan, DateTime& value) {
  value.hour = Number(scan.Digits(), 1, 2);
  if (value.hour < 0 || !scan.SkipCfws() || !scan.Take(':') || !scan.SkipCfws())
    return false;
  value.minute = Number(scan.Digits(), 2, 2);
  if (value.minute < 0 || !scan.SkipCfws())
    return false;
  value.second = 0;
  if (scan.Take(':')) {
    if (!scan.SkipCfws())
      return false;
    value.second = Number(scan.Digits(), 2, 2);
    if (value.second < 0 || !scan.SkipCfws())
      return false;
  }
  return true;
}

// Years before 1900 are not mail dates; beyond 9999 the grid's pattern ends.
// A second of 60 is a leap second and carries into the next minute.
bool InRange(const DateTime& v) {
  return v.year >= 1900 && v.year <= 9999 && v.day >= 1 && v.day <= DaysInMonth(v.year, v.month) &&
         v.hour <= 23 && v.minute <= 59 && v.second <= 60;
}

std::optional<LocalTime> Parse(std::string_view text) {
  DateScanner scan(text);
  LocalTime local;
  if (!scan.SkipCfws() || !ReadDate(scan, local.value) || !ReadTime(scan, local.value)) {
    return std::nullopt;
  }
  const std::optional<int> zone = Zone(scan);
  if (!zone || !scan.SkipCfws() || !scan.AtEnd() || !InRange(local.value))
    return std::nullopt;
  local.zoneMinutes = *zone;
  return local;
}

// The date and time of the usual forms at fixed places ("Thu, 5 Feb 2004
// 10:15:00", the day name and the seconds optional, one blank between), the
// zone and what follows it as Parse reads them. A text in any other shape is
// left to Parse, which reads these forms to the same result; this only spares
// a scan's two dates a file the general scanner.
std::optional<LocalTime> ParseUsualForm(std::string_view text) {
  std::size_t pos = 0;
  const auto number = [&](std::size_t least, std::size_t most, int& value) {
    const std::size_t begin = pos;
    value = 0;
    while (pos < text.size() && pos - begin < most && IsDigit(text[pos]))
      value = value * 10 + (text[pos++] - '0');
    return pos - begin >= least && (pos == text.size() || !IsDigit(text[pos]));
  };
  const auto take = [&](char c) {
    if (pos >= text.size() || text[pos] != c)
      return false;
    ++pos;
    return true;
  };
  const auto name = [&](const auto& names) {
    if (pos + 4 > text.size() || IsAlpha(text[pos + 3]))
      return -1;
    pos += 3;
    return FindName(text.substr(pos - 3, 3), names);
  };
  if (!text.empty() && IsAlpha(text[0]) && (name(kDayNames) < 0 || !take(',') || !take(' ')))
    return std::nullopt;
  LocalTime local;
  DateTime& v = local.value;
  if (!number(1, 2, v.day) || !take(' ') || (v.month = name(kMonthNames) + 1) == 0 || !take(' '))
    return std::nullopt;
  const std::size_t yearBegin = pos;
  int digits = 0;
  if (!number(2, 4, digits))
    return std::nullopt;
  v.year = FullYear(text.substr(yearBegin, pos - yearBegin));
  if (!take(' ') || !number(1, 2, v.hour) || !take(':') || !number(2, 2, v.minute))
    return std::nullopt;
  v.second = 0;
  if (take(':') && !number(2, 2, v.second))
    return std::nullopt;
  DateScanner scan(text.substr(pos));
  if (!scan.SkipCfws())
    return std::nullopt;
  const std::optional<int> zone = Zone(scan);
  if (!zone || !scan.SkipCfws() || !scan.AtEnd() || !InRange(v))
    return std::nullopt;
  local.zoneMinutes = *zone;
  return local;
}

}  // namespace

DateTime InternetDateToDate(std::string_view text) {
  std::optional<LocalTime> local = ParseUsualForm(text);
  if (!local)
    local = Parse(text);
  if (!local)
    return kZeroInstant;
  // Most offsets move the time within its own day: no calendar arithmetic.
  const int minuteOfDay = local->value.hour * 60 + local->value.minute - local->zoneMinutes;
  if (local->value.second < 60 && minuteOfDay >= 0 && minuteOfDay < 24 * 60) {
    DateTime value = local->value;
    value.hour = minuteOfDay / 60;
    value.minute = minuteOfDay % 60;
    return value;
  }
  return AddSeconds(local->value, -std::int64_t{local->zoneMinutes} * 60);
}

}  // namespace ndr
