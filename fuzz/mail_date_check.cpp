#include <array>
#include <cstdio>
#include <string>

#include "date_time.h"
#include "internet_time.h"
#include "mail_model.h"
#include "properties.h"

namespace ndr::fuzz {

namespace {

// Zone offsets can move a date of the years 1900 to 9999 by less than five
// days either way.
constexpr DateTime kEarliest{1899, 12, 27, 0, 0, 0};
constexpr DateTime kLatest{10000, 1, 5, 0, 0, 0};

std::string Show(const DateTime& v) {
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", v.year, v.month, v.day, v.hour,
                v.minute, v.second);
  return text;
}

bool IsCalendarValue(const DateTime& v) {
  return v.month >= 1 && v.month <= 12 && v.day >= 1 && v.day <= DaysInMonth(v.year, v.month) &&
         v.hour >= 0 && v.hour <= 23 && v.minute >= 0 && v.minute <= 59 && v.second >= 0 &&
         v.second <= 59;
}

std::string WithCase(std::string_view text, bool upper) {
  std::string result(text);
  for (char& c : result) {
    if (upper && c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    } else if (!upper && c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return result;
}

// Any text: a valid value or the zero instant, and the same value whatever
// the case of its letters and whatever comments and blanks stand around it.
// (The blank in front of the trailing comment keeps a backslash at the end of
// the text from quoting the comment's parenthesis.)
std::string CheckAnyText(std::string_view text) {
  const DateTime value = InternetDateToDate(text);
  if (value != kZeroInstant && (!IsCalendarValue(value) || value < kEarliest || value > kLatest)) {
    return "the text reads as the impossible date-time " + Show(value);
  }
  const std::string variants[] = {WithCase(text, true), WithCase(text, false),
                                  " (note) \t" + std::string(text) + " \r\n (a (b) \\) c) "};
  for (const std::string& variant : variants) {
    const DateTime other = InternetDateToDate(variant);
    if (other != value) {
      return "the text reads as " + Show(value) + " but its variant \"" + variant + "\" as " +
             Show(other);
    }
  }
  return "";
}

constexpr std::array<const char*, 7> kDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct ZoneName {
  const char* name;
  int minutes;
};
// The zone names of RFC 5322's obsolete syntax, with their offsets.
constexpr std::array<ZoneName, 10> kZoneNames = {{{"UT", 0},
                                                  {"GMT", 0},
                                                  {"EST", -300},
                                                  {"EDT", -240},
                                                  {"CST", -360},
                                                  {"CDT", -300},
                                                  {"MST", -420},
                                                  {"MDT", -360},
                                                  {"PST", -480},
                                                  {"PDT", -420}}};

// Writes a date text from the input's choices.
class DateWriter {
 public:
  explicit DateWriter(ByteSource& in) : in_(in) {}

  void Number(int value, int width) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*d", width, value);
    text_ += digits;
  }
  void Name(std::string_view name) {
    const std::uint8_t caseBits = in_.Byte();
    for (std::size_t i = 0; i < name.size(); ++i) {
      const bool flip = (caseBits >> (i % 8) & 1) != 0;
      const bool upper = (name[i] >= 'A' && name[i] <= 'Z') != flip;
      text_ += WithCase(name.substr(i, 1), upper);
    }
  }
  // Folding white space and comments, as a mail header may hold them.
  void Gap() {
    static constexpr const char* kGaps[] = {" ",       "  ",      "\t",          "\r\n ",
                                            " (c) ",   "(c)",     "(a (b) c) ",  " (\\() ",
                                            "\r\n\t ", " ( ) \t", " (x\\)y\\\\)"};
    text_ += kGaps[in_.Below(static_cast<int>(std::size(kGaps)))];
  }
  void MaybeGap() {
    if (in_.Flag()) {
      Gap();
    }
  }
  void Text(std::string_view text) { text_ += text; }
  const std::string& Result() const { return text_; }

 private:
  ByteSource& in_;
  std::string text_;
};

void WriteDay(DateWriter& out, ByteSource& in, const DateTime& local) {
  if (in.Flag()) {
    out.Name(kDayNames[static_cast<std::size_t>(in.Below(7))]);  // never checked against the date
    out.MaybeGap();
    if (in.Flag()) {
      out.Text(",");
    }
    out.Gap();
  }
  out.Number(local.day, in.Flag() ? 2 : 1);
  out.Gap();
  out.Name(kMonthNames[static_cast<std::size_t>(local.month - 1)]);
  out.Gap();
  const int form = in.Below(4);
  if (form == 1 && local.year >= 1950 && local.year <= 2049) {
    out.Number(local.year % 100, 2);
  } else if (form == 2 && local.year < 2900) {
    out.Number(local.year - 1900, 3);
  } else {
    out.Number(local.year, form == 3 ? 5 : 4);
  }
  out.Gap();
}

void WriteTime(DateWriter& out, ByteSource& in, const DateTime& local) {
  out.Number(local.hour, in.Flag() ? 2 : 1);
  out.MaybeGap();
  out.Text(":");
  out.MaybeGap();
  out.Number(local.minute, 2);
  if (local.second != 0 || in.Flag()) {
    out.MaybeGap();
    out.Text(":");
    out.MaybeGap();
    out.Number(local.second, 2);
  }
}

// Writes a zone and gives its offset in minutes east of UTC; unknown names
// count as -0000, as RFC 5322 asks.
int WriteZone(DateWriter& out, ByteSource& in) {
  switch (in.Below(5)) {
    case 0: {
      const int hours = in.Below(100), minutes = in.Below(60);
      const bool west = in.Flag();
      out.Gap();
      out.Text(west ? "-" : "+");
      out.Number(hours * 100 + minutes, 4);
      return (west ? -1 : 1) * (hours * 60 + minutes);
    }
    case 1: {
      const ZoneName& zone = kZoneNames[static_cast<std::size_t>(in.Below(kZoneNames.size()))];
      out.Gap();
      out.Name(zone.name);
      return zone.minutes;
    }
    case 2: {
      out.Gap();
      out.Name("UTC");
      return 0;
    }
    case 3: {
      int letter = in.Below(25);
      out.Gap();
      out.Name(std::string(1, static_cast<char>('A' + letter + (letter >= 9 ? 1 : 0))));
      return 0;  // military letters, J apart (no zone)
    }
    default:
      return 0;  // no zone at all
  }
}

std::string CheckWrittenDate(ByteSource& in) {
  DateTime local;
  local.year = 1900 + in.Below(8100);
  local.month = 1 + in.Below(12);
  local.day = 1 + in.Below(DaysInMonth(local.year, local.month));
  local.hour = in.Below(24);
  local.minute = in.Below(60);
  local.second = in.Below(61);  // 60: a leap second, carried into the next minute
  DateWriter out(in);
  out.MaybeGap();
  WriteDay(out, in, local);
  WriteTime(out, in, local);
  const int zoneMinutes = WriteZone(out, in);
  out.MaybeGap();
  const DateTime expected = AddSeconds(local, -std::int64_t{zoneMinutes} * 60);
  const DateTime read = InternetDateToDate(out.Result());
  if (read != expected) {
    return "\"" + out.Result() + "\" reads as " + Show(read) + ", not " + Show(expected);
  }
  return "";
}

}  // namespace

std::string CheckMailDate(std::string_view input) {
  std::string failure = CheckAnyText(input);
  if (failure.empty()) {
    ByteSource in(input);
    failure = CheckWrittenDate(in);
  }
  return failure;
}

}  // namespace ndr::fuzz
