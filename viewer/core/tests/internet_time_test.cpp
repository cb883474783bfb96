// Mail date texts into UTC date-times.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "internet_time.h"
#include "sample_mail.h"

namespace ndr {
namespace {

// Current and obsolete forms, blanks and comments, and zone offsets that
// cross a day, a month, a year, a leap day or a leap second.
TEST(InternetDateTest, ReadableTextsGiveTheUtcInstant) {
  const std::pair<std::string, DateTime> cases[] = {
      {"Thu, 5 Feb 2004 10:15:00 +0100", {2004, 2, 5, 9, 15, 0}},
      {"5 Feb 2004 10:15:00 +0100", {2004, 2, 5, 9, 15, 0}},
      {"Thu, 05 Feb 2004 10:15:00 -0000", {2004, 2, 5, 10, 15, 0}},
      {"Thu, 5 Feb 2004 10:15 +0100", {2004, 2, 5, 9, 15, 0}},  // seconds optional
      {"Thu, 5 Feb 2004 10:15:00 -0730", {2004, 2, 5, 17, 45, 0}},
      {"Thu, 5 Feb 2004 10:15:00 +0545", {2004, 2, 5, 4, 30, 0}},
      {"thu, 5 fEB 2004 10:15:00 +0100", {2004, 2, 5, 9, 15, 0}},
      {"Thu, 5 Feb 04 10:15:00 +0100", {2004, 2, 5, 9, 15, 0}},
      {"5 Feb 49 10:15:00 +0000", {2049, 2, 5, 10, 15, 0}},
      {"5 Feb 50 10:15:00 +0000", {1950, 2, 5, 10, 15, 0}},
      {"5 Feb 104 10:15:00 +0000", {2004, 2, 5, 10, 15, 0}},
      {"5 Feb 2104 10:15:00 +0000", {2104, 2, 5, 10, 15, 0}},
      {" Thu, 5 Feb 2004 10:15:00 +0100", {2004, 2, 5, 9, 15, 0}},  // one blank after "Date:"
      {"  Thu ,  5   Feb  2004   10 : 15 : 00   +0100  ", {2004, 2, 5, 9, 15, 0}},
      {"\tThu,\t5 Feb 2004 10:15:00\t+0100\r\n", {2004, 2, 5, 9, 15, 0}},
      {"Thu 5 Feb 2004 10:15:00 +0100", {2004, 2, 5, 9, 15, 0}},
      {"Thu, 5 Feb 2004 10:15:00 +0100 (CET)", {2004, 2, 5, 9, 15, 0}},
      {"(sent)Thu,(day) 5(x)Feb(y)2004 10:(m)15:00 (a (nested) comment) +0100",
       {2004, 2, 5, 9, 15, 0}},
      {"Thu, 5 Feb 2004 10:15:00 +0100 (with \\) quoted)", {2004, 2, 5, 9, 15, 0}},
      // The day name is not checked against the date: a wrong one still reads.
      {"Mon, 5 Feb 2004 10:15:00 +0100", {2004, 2, 5, 9, 15, 0}},
      {"Thu, 1 Jan 2004 00:30:00 +0100", {2003, 12, 31, 23, 30, 0}},
      {"31 Dec 2003 23:30:00 -0100", {2004, 1, 1, 0, 30, 0}},
      {"1 Mar 2004 01:00:00 +0200", {2004, 2, 29, 23, 0, 0}},
      {"1 Mar 2000 00:00:00 +0001", {2000, 2, 29, 23, 59, 0}},
      {"1 Mar 1900 00:00:00 +0001", {1900, 2, 28, 23, 59, 0}},
      {"28 Feb 2400 23:59:00 -0001", {2400, 2, 29, 0, 0, 0}},
      {"29 Feb 2004 23:00:00 -0100", {2004, 3, 1, 0, 0, 0}},
      {"19 Jan 2038 03:14:08 +0000", {2038, 1, 19, 3, 14, 8}},
      {"1 Jan 2100 00:00:00 -2359", {2100, 1, 1, 23, 59, 0}},
      {"31 Dec 9999 23:00:00 -0200", {10000, 1, 1, 1, 0, 0}},
      {"30 Jun 2015 23:59:60 +0000", {2015, 7, 1, 0, 0, 0}},  // leap second
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(InternetDateToDate(text), expected) << "text: [" << text << "]";

  // The hour in UTC of 10:15 local. Military letters, other alphabetic zones
  // and a missing zone carry no trustworthy offset: zero.
  const std::pair<std::string, int> zones[] = {{"GMT", 10}, {"UT", 10},  {"utc", 10}, {"EST", 15},
                                               {"EDT", 14}, {"CST", 16}, {"CDT", 15}, {"MST", 17},
                                               {"MDT", 16}, {"PST", 18}, {"pdt", 17}, {"Z", 10},
                                               {"m", 10},   {"CET", 10}, {"", 10}};
  for (const auto& [zone, hour] : zones) {
    EXPECT_EQ(InternetDateToDate("5 Feb 2004 10:15:00 " + zone),
              (DateTime{2004, 2, 5, hour, 15, 0}))
        << zone;
  }
}

TEST(InternetDateTest, UnreadableTextsGiveTheZeroInstant) {
  const std::vector<std::string> unreadable = {
      "",
      "   ",
      "garbage",
      "Thu, 5 Feb",
      "Thu, 5 Feb 2004",
      "Thu, 5 Feb 2004 10:15:",
      "Thu, 5 Feb 2004 10:15:00 +01",
      "Thu, 5 Feb 2004 10:15:00 +01000",
      "Thu, 5 Feb 2004 10:15:00 +0160",
      "Thu, 5 Feb 2004 10:15:00 J",
      "Thu, 5 Feb 2004 10:15:00 Central",
      "Thu, 5 Feb 2004 10:15:00 +0100 trailing",
      "Thu, 5 Feb 2004 10:15:00 +0100 (open comment",
      "Thursday, 5 Feb 2004 10:15:00 +0100",
      "Thu, 5 February 2004 10:15:00 +0100",
      "Thu, 5-Feb-2004 10:15:00 +0100",
      "Thu, 2004 Feb 5 10:15:00 +0100",
      "Thu, 123 Feb 2004 10:15:00 +0100",
      "Thu, 5 Feb 4 10:15:00 +0100",
      "Thu, 0 Feb 2004 10:15:00 +0100",
      "Thu, 30 Feb 2004 10:15:00 +0100",
      "Thu, 31 Apr 2004 10:15:00 +0100",
      "Thu, 5 Feb 2004 24:00:00 +0100",
      "Thu, 5 Feb 2004 10:15:61 +0100",
      "Thu, 5 Feb 2004 10:5:00 +0100",
      "Thu, 5 Feb 1899 10:15:00 +0100",
      "Thu, 5 Feb 10000 10:15:00 +0100",
      "Thu, 5 Feb 99999999999999999999 10:15:00 +0100",
      "Thu, 5 Feb 2004 10:15:00.5 +0100",
      std::string("Thu, 5 Feb 2004\0 10:15:00 +0100", 31),
      "Thu, 5 Feb 2004 10:15:00 +0100\xE9",
  };
  for (const std::string& text : unreadable) {
    EXPECT_EQ(InternetDateToDate(text), kZeroInstant) << "text: [" << text << "]";
  }
  EXPECT_NE(kZeroInstant, kEmptyDateTime);
}

// The usual forms have a quick reading of their own; a leading blank sends the
// same text through the general one, which must agree: on the samples' dates,
// and on usual texts with each byte in turn replaced by, or preceded by, bytes
// that make or break the quick reading's shapes (blank runs, digits more or
// fewer, zones cut short or run on, letters that are no name, NUL), and cut.
TEST(InternetDateTest, QuickAndGeneralReadingsAgree) {
  const auto expectAgree = [](const std::string& text) {
    EXPECT_EQ(InternetDateToDate(text), InternetDateToDate(" " + text)) << text;
  };
  for (std::uint64_t seed = 0; seed < 2000; ++seed)
    expectAgree(samples::SampleDate(seed));
  std::vector<std::string> texts = {
      "Thu, 5 Feb 2004 10:15:00 +0100",  "5 Feb 04 0:05 -2359",
      "Sat, 31 Dec 2005 23:59:60 GMT",   "1 Mar 2000 00:10 EDT",
      "29 Feb 2004 23:00:00 UT",         "Fri, 31 Dec 2004 23:30:00 -0100",
      "Mon, 30 Feb 2004 10:00:00 +0000", "Xyz, 5 Feb 2004 10:15:00 +0100"};
  for (std::uint64_t seed = 0; seed < 40; ++seed)
    texts.push_back(samples::SampleDate(seed));
  const std::string replacements(" 09+-:,xJzT(\0", 13);  // the last a NUL
  for (const std::string& text : texts) {
    for (std::size_t at = 0; at < text.size(); ++at) {
      for (char c : replacements) {
        std::string changed = text;
        changed[at] = c;
        expectAgree(changed);
        changed.insert(at, 1, c);
        expectAgree(changed);
      }
      expectAgree(text.substr(0, at));
    }
  }
}

}  // namespace
}  // namespace ndr
