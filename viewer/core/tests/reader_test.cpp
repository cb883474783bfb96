// Reading the header fields of message files written byte for byte.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "charset.h"
#include "header_text.h"
#include "message_reader.h"
#include "properties.h"
#include "sample_bounces.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace ndr {
namespace {

namespace fs = std::filesystem;

const DateTime kFeb5{2004, 2, 5, 9, 15, 0};

// "n" numbered lines "X-Line: i", each ended by CR LF.
std::string Lines(int first, int last) {
  std::string text;
  for (int i = first; i <= last; ++i)
    text += "X-Line: " + std::to_string(i) + "\r\n";
  return text;
}

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = fs::temp_directory_path() / ("ndr-reader-" + std::to_string(stamp));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  MessageInfo Read(const std::string& bytes) {
    testsupport::WriteBytes(PathOf("m.cnm"), bytes);
    return ReadPath(PathOf("m.cnm"));
  }
  static MessageInfo ReadPath(const std::string& path) {
    MessageInfo info;
    info.FileName = path;
    ReadMessage(info);
    return info;
  }

  fs::path folder_;
};

// The text fields that are set, and LL.
std::string Summary(const MessageInfo& info) {
  std::string out;
  const auto add = [&](const char* name, const std::string& value) {
    if (!value.empty())
      out += std::string(name) + "[" + value + "] ";
  };
  add("From", info.From);
  add("To", info.To);
  add("Subject", info.Subject);
  add("To_In", info.To_In);
  add("Sub_In", info.Sub_In);
  return out + "LL" + std::to_string(info.LL);
}

TEST_F(ReaderTest, BounceWithReturnedMessage) {
  const std::string bytes =
      "From: Mail Delivery System <mailer@relay.example>\r\n"
      "To: remailer@example.org\r\n"
      "Subject: Undelivered Mail Returned to Sender\r\n"
      "Date: Thu, 5 Feb 2004 10:15:00 +0100\r\n"
      "\r\n"
      "This is the mail system.\r\n"
      "\r\n"
      "To: nobody@gone.example\r\n"
      "Subject: hello\r\n"
      "Date: Wed, 4 Feb 2004 23:30:00 -0500\r\n";
  testsupport::WriteBytes(PathOf("m.cnm"), bytes);
  MessageInfo info;  // a record still holding another file's fields
  info.FileName = PathOf("m.cnm");
  info.Size = info.LL = 99;
  info.From = info.To = info.Subject = info.To_In = info.Sub_In = "stale";
  ReadMessage(info);
  EXPECT_EQ(info.Size, static_cast<std::int64_t>(bytes.size()));
  EXPECT_EQ(Summary(info),
            "From[Mail Delivery System <mailer@relay.example>] To[remailer@example.org] "
            "Subject[Undelivered Mail Returned to Sender] To_In[nobody@gone.example] "
            "Sub_In[hello] LL10");
  EXPECT_EQ(info.Date, kFeb5);
  EXPECT_EQ(info.Date_In, (DateTime{2004, 2, 5, 4, 30, 0}));

  info.FileName = PathOf("other.cnm");
  testsupport::WriteBytes(info.FileName, "Subject: new\r\ndAtE: soon\r\n");
  ReadMessage(info);
  EXPECT_EQ(Summary(info), "Subject[new] LL2");
  EXPECT_EQ(info.Date, kZeroInstant);  // unreadable
  EXPECT_EQ(info.Date_In, kEmptyDateTime);
}

TEST_F(ReaderTest, HeaderLinesLineEndsAndTheLineLimit) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      // The last occurrence wins; header and body fields stay apart.
      {"Subject: one\r\nSubject: two\r\n\r\nSubject: a\r\nSubject: b\r\n",
       "Subject[two] Sub_In[b] LL5"},
      {"To: outer\r\n\r\nTo: inner\r\nFrom: ignored\r\n", "To[outer] To_In[inner] LL4"},
      {"\r\n\r\n\r\nSubject: late\r\n", "Sub_In[late] LL4"},
      {"To: a\r\n \r\nTo: b\r\n", "To[b] LL3"},  // blanks make no separator
      // Names in any case, then a colon and one blank; values as they stand.
      {"SUBJECT: Hello\r\nfrom: x\r\n", "From[x] Subject[Hello] LL2"},
      {"Subject:x\r\n Subject: indented\r\nSubject : spaced\r\nSubjects: y\r\nTo:\r\n", "LL5"},
      {"Subject:   padded \t \r\nTo: =?UTF-8?B?w6k=?=\r\n",
       "To[\xC3\xA9] Subject[  padded \t ] LL2"},
      {"Subject: kept\r\nSubject: \r\n", "Subject[kept] LL2"},
      // Folded values are joined; 8-bit text without a charset is Windows-1252.
      {"Subject: first\r\n\tsecond\r\n  third\r\nX: y\r\n z\r\n",
       "Subject[first\tsecond  third] LL5"},
      {"To: a\r\n\r\nSubject: b\r\n c\r\nDate: x\r\n d\r\n", "To[a] Sub_In[b c] LL6"},
      {std::string("Subject: caf\xE9 \x80\0z\r\n", 19),
       std::string("Subject[caf\xC3\xA9 \xE2\x82\xAC\0z] LL1", 24)},
      // CR or CR LF ends a line, LF alone does not.
      {"From: a\nTo: b\nSubject: c\n", "From[a\nTo: b\nSubject: c\n] LL1"},
      {"From: a\rTo: b\r\rSubject: c\r", "From[a] To[b] Sub_In[c] LL4"},
      {"To: a\r\n\r\n\nTo: b\r\n", "To[a] LL3"},
      {"To: a\r\r\n\r\nTo: b", "To[a] To_In[b] LL4"},
      // At most 70 lines, header, separator and body together.
      {"", "LL0"},
      {Lines(1, 70), "LL70"},
      {Lines(1, 71), "LL71"},
      {Lines(1, 1000), "LL71"},
      {Lines(1, 4) + "\r\n" + Lines(6, 69) + "To: last\r\n", "To_In[last] LL70"},
      {Lines(1, 4) + "\r\n" + Lines(6, 70) + "To: late\r\n" + Lines(72, 200), "LL71"},
      {"X: 1\r\n\r\nTo: early\r\n" + Lines(4, 70) + "To: late\r\n", "To_In[early] LL71"},
  };
  for (const auto& [bytes, expected] : cases) {
    const MessageInfo info = Read(bytes);
    EXPECT_EQ(Summary(info), expected) << "bytes: [" << bytes.substr(0, 80) << "]";
    EXPECT_EQ(info.Size, static_cast<std::int64_t>(bytes.size()));
  }
}

TEST(HeaderTextTest, EncodedWordsInTheirCharsets) {
  // Not every system converts every set (Wine has no ISO-2022-JP): a set it
  // does not know leaves the word as it is, never garbled.
  std::string probe;
  const std::string jp = "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=";
  const bool knowsJp = AppendAsUtf8("ISO-2022-JP", "\x1B$B%F\x1B(B", probe);
  const std::pair<std::string, std::string> cases[] = {
      {"=?UTF-8?B?w5xiZXI=?= =?utf-8?q?_Stra=C3=9Fe?=",
       "\xC3\x9C"
       "ber Stra\xC3\x9F"
       "e"},
      {"Re: =?ISO-8859-1?Q?caf=E9?=  ok", "Re: caf\xC3\xA9  ok"},
      {"=?iso-8859-1?q?a?=\r\n\t=?iso-8859-1?q?b?= c =?iso-8859-1?q?d?=", "ab c d"},
      {jp, knowsJp ? "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88" : jp},
      {"=?windows-1251?B?z+Dw6A==?=", "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xB8"},
      // Unknown or malformed words stay as they are, and so does their blank.
      {"=?x-no-such-set?Q?a?= =?UTF-8?Q?b?=", "=?x-no-such-set?Q?a?= b"},
      {"=?UTF-8?B?w6k=?= =?UTF-8?Q?bad=G?= =?UTF-8?Q?a b?=",
       "\xC3\xA9 =?UTF-8?Q?bad=G?= =?UTF-8?Q?a b?="},
      {"=?=? =?UTF-8?B?w6k=?=?=", "=?=? \xC3\xA9?="},
      {"M\xFCller \xC3\xA9", "M\xC3\xBCller \xC3\x83\xC2\xA9"},  // not UTF-8 as a whole
      // Long plain runs before the first 8-bit byte or word, and after it.
      {"Returned mail: Stra\xC3\x9F"
       "e und Pl\xC3\xA4tze, twice over",
       "Returned mail: Stra\xC3\x9F"
       "e und Pl\xC3\xA4tze, twice over"},
      {"Returned mail: see transcript \xC3\xA9 of caf\xE9 and the rest of it",
       "Returned mail: see transcript "
       "\xC3\x83\xC2\xA9 of caf\xC3\xA9 and the rest of it"},
      {"Returned mail, see transcript: =?UTF-8?B?w6k=?=",
       "Returned mail, see transcript: \xC3\xA9"},
  };
  std::string scratch;
  for (const auto& [raw, shown] : cases) {
    std::string text = raw;
    DecodeHeaderText(text, scratch);
    EXPECT_EQ(text, shown) << raw;
  }
}

// Each sample of the library gives its labelled status and class, whatever
// its line ends.
TEST_F(ReaderTest, LabelledBouncesGiveTheirReason) {
  using samples::LineEnd;
  for (const samples::LabelledBounce& sample : samples::LabelledBounces()) {
    std::string label(sample.status);
    label += (label.empty() ? "" : " ") + std::string(sample.reasonClass);
    for (LineEnd end : {LineEnd::kCrLf, LineEnd::kLf, LineEnd::kCr}) {
      const std::string reason = Read(samples::WithLineEnds(sample.text, end)).Reason;
      EXPECT_EQ(reason.substr(0, reason.find(':')), label) << sample.name;
      EXPECT_LE(reason.size(), label.size() + 202) << sample.name;
    }
  }
}

// The server's words are cut to 200 bytes, their blanks made single, and a
// cut that falls inside a run or a character keeps no part of the character.
TEST_F(ReaderTest, LongServerWordsAreCutWhole) {
  for (const std::string run : {"abcdefg", "\xC3\xA9\xC3\xA9\xC3\xA9"}) {
    std::string line = "550 5.1.1", unfolded = line;
    while (unfolded.size() < 400) {
      line += " \t " + run;
      unfolded += " " + run;
    }
    const std::string reason =
        Read("From: MAILER-DAEMON\r\nSubject: Undelivered Mail\r\n\r\n" + line + "\r\n").Reason;
    ASSERT_EQ(reason.rfind("5.1.1 unknown-user: ", 0), 0u) << reason;
    const std::string shown = reason.substr(reason.find(": ") + 2);
    EXPECT_LE(shown.size(), 200u);
    EXPECT_GT(shown.size(), 190u);
    EXPECT_EQ(unfolded.compare(0, shown.size(), shown), 0) << shown;
    EXPECT_NE(static_cast<unsigned char>(unfolded[shown.size()]) & 0xC0, 0x80) << shown;
  }
}

TEST_F(ReaderTest, HugeLineKeepsABoundedPrefix) {
  std::string bytes = "From: " + std::string(5 * 1024 * 1024, 'x');
  bytes += "\nTo: y\r\nSubject: after\r\n";
  const MessageInfo info = Read(bytes);
  EXPECT_EQ(info.From.size(), 64u * 1024u - 6u);
  EXPECT_EQ(info.From.find_first_not_of('x'), std::string::npos);
  EXPECT_EQ(info.Subject, "after");  // the rest of the long line was skipped, not lost
  EXPECT_EQ(info.LL, 2);
  EXPECT_EQ(info.Size, static_cast<std::int64_t>(bytes.size()));
}

// Lines and CR LF pairs that straddle the usual read sizes are cut as any.
TEST_F(ReaderTest, LinesAcrossReadPieces) {
  for (std::size_t base : {4096u, 16384u, 65536u}) {
    for (std::size_t length = base - 12; length <= base + 4; ++length) {
      const std::string bytes =
          "X: " + std::string(length - 3, 'p') +
          "\r\nSubject: s\r\n\r\nTo: t\r\nSubject: " + std::string(length, 'q') + "\r\n";
      const MessageInfo info = Read(bytes);
      EXPECT_EQ(info.Subject, "s") << length;
      EXPECT_EQ(info.To_In, "t") << length;
      EXPECT_EQ(info.Sub_In.size(), std::min<std::size_t>(length, 64 * 1024 - 9)) << length;
      EXPECT_EQ(info.LL, 5) << length;
    }
  }
}

// Lines that lie whole in the buffer are cut by a quick path that looks for
// CRs 64 bytes at a time and tests header names eight bytes at a time; the
// others (a CR as the buffer's last byte, a line running into the next read,
// the first line of a file) by the general one. Wherever a head's line ends
// fall, and whatever the length and case of its names, the record is the one
// the plain model of the fuzz check gives.
TEST(ReaderModelTest, EveryPlacementOfLineEndsAndNames) {
  using namespace std::string_literals;  // the head holds a NUL
  const std::string head =
      "From: Mail <m@x.example>\r\ntO: 1\r\nTo: abc\r\nto: abcd\r\nSubject:x\r\n"
      "sUBJECT: 9\r\nDate: 5 Feb 2004 10:15 +0100\rX: lf\nonly\r\r\nTo: nul\0 kept\r\n\r\n"
      "Subject: in\r\nTO: body\rdate: Thu, 1 Jan 2004 00:30:00 +0100\r\nSUBJECT:   \r\n"
      "From: not in the body\r\n"s +
      Lines(20, 60);
  std::vector<std::string> inputs;
  for (std::size_t shift = 0; shift <= 130; ++shift) {
    inputs.push_back(std::string(shift, 'x') + "\r\n" + head);
    inputs.push_back(std::string(shift, 'x') + "\r" + head.substr(0, head.size() - shift));
  }
  // Around the end of the first read: the CR, its LF or a whole line on
  // either side of it.
  for (std::size_t pad = 16 * 1024 - 300; pad <= 16 * 1024 + 40; ++pad)
    inputs.push_back(std::string(pad, 'p') + "\r" + head);
  for (const std::string& input : inputs)
    EXPECT_EQ(fuzz::CheckMessageReader(input), "") << "size " << input.size();
}

TEST_F(ReaderTest, SizeBeyondFourGibibytes) {
  // 71 short lines, then a sparse tail: the reader stops before it.
  const std::string path = PathOf("big.cnm");
  testsupport::WriteBytes(path, "Subject: big\r\n" + Lines(2, 71));
  const std::uintmax_t size = (std::uintmax_t{5} << 30) + 7;
  std::error_code error;
  fs::resize_file(path, size, error);
  if (error)
    GTEST_SKIP() << "no room for a sparse file: " << error.message();
  const MessageInfo info = ReadPath(path);
  EXPECT_EQ(info.Size, static_cast<std::int64_t>(size));
  EXPECT_EQ(info.Subject, "big");
  EXPECT_EQ(info.LL, 71);
}

// No path, a missing file, a folder, a hidden or system file: the name alone.
TEST_F(ReaderTest, FilesThatYieldOnlyTheirName) {
  std::vector<std::string> paths = {"", PathOf("missing.cnm"), folder_.string(),
                                    PathOf(".hidden.cnm")};
  testsupport::WriteBytes(paths[3], "Subject: secret\r\n");
#ifdef _WIN32
  paths.push_back(PathOf("system.cnm"));
  testsupport::WriteBytes(paths[4], "Subject: secret\r\n");
  ASSERT_TRUE(SetFileAttributesA(paths[3].c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesA(paths[4].c_str(), FILE_ATTRIBUTE_SYSTEM));
#endif
  for (const std::string& path : paths) {
    const MessageInfo info = ReadPath(path);
    EXPECT_EQ(info.FileName, path);
    EXPECT_EQ(Summary(info) + " " + std::to_string(info.Size), "LL0 0") << path;
    EXPECT_EQ(info.Date, kEmptyDateTime) << path;
    EXPECT_EQ(info.Date_In, kEmptyDateTime) << path;
  }
}

#ifdef _WIN32
TEST_F(ReaderTest, LockedFileKeepsNameAndSize) {
  const std::string path = PathOf("locked.cnm");
  testsupport::WriteBytes(path, "Subject: locked\r\n");
  HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const MessageInfo info = ReadPath(path);
  CloseHandle(lock);
  EXPECT_EQ(info.FileName, path);
  EXPECT_EQ(info.Size, 17);
  EXPECT_EQ(info.Subject, "");
  EXPECT_EQ(info.LL, 0);
}
#endif

}  // namespace
}  // namespace ndr
