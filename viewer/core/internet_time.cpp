#include "internet_time.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "ascii.h"

namespace ndr {

namespace {

// A name of up to three characters as one number, each character with its
// case bit set: two keys are equal when the names are, without regard to
// case. (The bit makes an ASCII letter's two cases one and turns no other
// byte into a letter; the names are letters.) Longer words match no name.
constexpr std::uint32_t NameKey(std::string_view word) {
  if (word.size() > 3)
    return 0;
  auto key = static_cast<std::uint32_t>(word.size()) << 24;
  for (std::size_t i = 0; i < word.size(); ++i)
    key |= (std::uint32_t{static_cast<unsigned char>(word[i])} | 0x20u) << (8 * i);
  return key;
}

constexpr std::array<std::uint32_t, 7> kDayNames = {NameKey("mon"), NameKey("tue"), NameKey("wed"),
                                                    NameKey("thu"), NameKey("fri"), NameKey("sat"),
                                                    NameKey("sun")};
constexpr std::array<std::uint32_t, 12> kMonthNames = {
    NameKey("jan"), NameKey("feb"), NameKey("mar"), NameKey("apr"), NameKey("may"), NameKey("jun"),
    NameKey("jul"), NameKey("aug"), NameKey("sep"), NameKey("oct"), NameKey("nov"), NameKey("dec")};

struct NamedZone {
  std::uint32_t key;
  int minutes;  // east of UTC
};
constexpr std::array<NamedZone, 11> kZoneNames = {{{NameKey("ut"), 0},
                                                   {NameKey("utc"), 0},
                                                   {NameKey("gmt"), 0},
                                                   {NameKey("est"), -5 * 60},
                                                   {NameKey("edt"), -4 * 60},
                                                   {NameKey("cst"), -6 * 60},
                                                   {NameKey("cdt"), -5 * 60},
                                                   {NameKey("mst"), -7 * 60},
                                                   {NameKey("mdt"), -6 * 60},
                                                   {NameKey("pst"), -8 * 60},
                                                   {NameKey("pdt"), -7 * 60}}};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAlpha(char c) {
  return IsAsciiLetter(c);
}

// Index of word in names (compared without regard to case), or -1.
template <std::size_t N>
int FindName(std::string_view word, const std::array<std::uint32_t, N>& names) {
  const std::uint32_t key = NameKey(word);
  for (std::size_t i = 0; i < N; ++i) {
    if (key == names[i])
      return static_cast<int>(i);
  }
  return -1;
}

// The offset of an alphabetic zone of two to five letters: a known name's,
// else none (-0000).
int NamedZoneMinutes(std::string_view word) {
  const std::uint32_t key = NameKey(word);
  for (const NamedZone& zone : kZoneNames) {
    if (key == zone.key)
      return zone.minutes;
  }
  return 0;
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
      if (IsFoldingSpace(c)) {
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
int FullYear(int value, std::size_t digits) {
  if (digits == 2)
    return value < 50 ? 2000 + value : 1900 + value;
  if (digits == 3)
    return 1900 + value;
  return value;
}

int FullYear(std::string_view digits) {
  const int value = Number(digits, 2, 9);
  return value < 0 ? -1 : FullYear(value, digits.size());
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
  if (word.size() == 1) {
    if (AsciiLower(word[0]) == 'j')
      return std::nullopt;  // J names no zone
    return 0;
  }
  if (word.size() <= 5)
    return NamedZoneMinutes(word);
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
// A second of 60 is a leap second and carries into the next minute. (The
// month is one of the twelve: every month has 28 days.)
bool InRange(const DateTime& v) {
  return v.year >= 1900 && v.year <= 9999 && v.day >= 1 &&
         (v.day <= 28 || v.day <= DaysInMonth(v.year, v.month)) && v.hour <= 23 && v.minute <= 59 &&
         v.second <= 60;
}

// The zone and what follows the time, read by the general rules.
bool ReadZoneToEnd(DateScanner& scan, LocalTime& local) {
  if (!scan.SkipCfws())
    return false;
  const std::optional<int> zone = Zone(scan);
  if (!zone || !scan.SkipCfws() || !scan.AtEnd())
    return false;
  local.zoneMinutes = *zone;
  return true;
}

bool Parse(std::string_view text, LocalTime& local) {
  DateScanner scan(text);
  if (!scan.SkipCfws() || !ReadDate(scan, local.value) || !ReadTime(scan, local.value))
    return false;
  return ReadZoneToEnd(scan, local) && InRange(local.value);
}

// A cursor over the fixed layout of the usual forms.
class FixedCursor {
 public:
  explicit FixedCursor(std::string_view text) : text_(text) {}

  // A run of least to most digits that no further digit follows.
  bool Number(std::size_t least, std::size_t most, int& value, std::size_t& count) {
    value = 0;
    count = 0;
    while (pos_ < text_.size() && count < most && IsDigit(text_[pos_])) {
      value = value * 10 + (text_[pos_++] - '0');
      ++count;
    }
    return count >= least && !(pos_ < text_.size() && IsDigit(text_[pos_]));
  }
  bool Number(std::size_t least, std::size_t most, int& value) {
    std::size_t count = 0;
    return Number(least, most, value, count);
  }
  bool Take(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c)
      return false;
    ++pos_;
    return true;
  }
  // One blank or more.
  bool Blanks() {
    if (!Take(' '))
      return false;
    while (Take(' ')) {
    }
    return true;
  }
  // Index of the three-letter name here in names, or -1; no letter may
  // follow it.
  template <std::size_t N>
  int Name(const std::array<std::uint32_t, N>& names) {
    if (pos_ + 4 > text_.size() || IsAlpha(text_[pos_ + 3]))
      return -1;
    pos_ += 3;
    return FindName(text_.substr(pos_ - 3, 3), names);
  }
  bool AtLetter() const { return pos_ < text_.size() && IsAlpha(text_[pos_]); }
  std::string_view Rest() const { return text_.substr(pos_); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// "Thu, 5 Feb 2004 10:15:00" at fixed places, the day name and the seconds
// optional, blanks between the parts.
bool ReadUsualDateAndTime(FixedCursor& at, DateTime& v) {
  if (at.AtLetter() && (at.Name(kDayNames) < 0 || !at.Take(',') || !at.Blanks()))
    return false;
  if (!at.Number(1, 2, v.day) || !at.Blanks() || (v.month = at.Name(kMonthNames) + 1) == 0 ||
      !at.Blanks())
    return false;
  int year = 0;
  std::size_t digits = 0;
  if (!at.Number(2, 4, year, digits))
    return false;
  v.year = FullYear(year, digits);
  if (!at.Blanks() || !at.Number(1, 2, v.hour) || !at.Take(':') || !at.Number(2, 2, v.minute))
    return false;
  v.second = 0;
  return !at.Take(':') || at.Number(2, 2, v.second);
}

// The zone as most mail writes it, one blank after the time and nothing
// after the zone: "+hhmm", "-hhmm", a name of two or three letters, or none.
// False for any other ending, valid or not, which ReadZoneToEnd reads.
bool ReadUsualZone(std::string_view rest, int& minutes) {
  if (rest.empty()) {
    minutes = 0;
    return true;
  }
  if (rest[0] != ' ')
    return false;
  if (rest.size() == 6 && (rest[1] == '+' || rest[1] == '-') && IsDigit(rest[2]) &&
      IsDigit(rest[3]) && IsDigit(rest[4]) && rest[4] <= '5' && IsDigit(rest[5])) {
    const int hours = (rest[2] - '0') * 10 + (rest[3] - '0');
    const int east = hours * 60 + (rest[4] - '0') * 10 + (rest[5] - '0');
    minutes = rest[1] == '-' ? -east : east;
    return true;
  }
  if ((rest.size() == 3 || rest.size() == 4) && IsAlpha(rest[1]) && IsAlpha(rest[2]) &&
      (rest.size() == 3 || IsAlpha(rest[3]))) {
    minutes = NamedZoneMinutes(rest.substr(1));
    return true;
  }
  return false;
}

// The usual forms at fixed places; a text in any other shape is left to
// Parse, which reads these forms to the same result. This only spares a
// scan's two dates a file the general scanner. A leading blank always sends
// a text to Parse (the tests use it so).
bool ParseUsualForm(std::string_view text, LocalTime& local) {
  FixedCursor at(text);
  if (!ReadUsualDateAndTime(at, local.value))
    return false;
  if (!ReadUsualZone(at.Rest(), local.zoneMinutes)) {
    DateScanner scan(at.Rest());
    if (!ReadZoneToEnd(scan, local))
      return false;
  }
  return InRange(local.value);
}

// The local time moved to UTC. Most offsets move the time within its own
// day: no calendar arithmetic.
DateTime ToUtc(const LocalTime& local) {
  const int minuteOfDay = local.value.hour * 60 + local.value.minute - local.zoneMinutes;
  if (local.value.second < 60 && minuteOfDay >= 0 && minuteOfDay < 24 * 60) {
    DateTime value = local.value;
    value.hour = minuteOfDay / 60;
    value.minute = minuteOfDay % 60;
    return value;
  }
  return AddSeconds(local.value, -std::int64_t{local.zoneMinutes} * 60);
}

}  // namespace

DateTime InternetDateToDate(std::string_view text) {
  LocalTime local;
  if (ParseUsualForm(text, local))
    return ToUtc(local);
  if (Parse(text, local))
    return ToUtc(local);
  return kZeroInstant;
}

}  // namespace ndr
