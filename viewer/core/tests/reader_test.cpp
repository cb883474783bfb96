// Reading the header fields of message files written byte for byte.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "message_reader.h"
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

  MessageInfo Read(const std::string& bytes, const std::string& name = "m.cnm") {
    testsupport::WriteBytes(PathOf(name), bytes);
    return ReadPath(PathOf(name));
  }
  static MessageInfo ReadPath(const std::string& path) {
    MessageInfo info;
    info.FileName = path;
    ReadMessage(info);
    return info;
  }

  fs::path folder_;
};

void ExpectOnlyName(const MessageInfo& info, const std::string& path) {
  EXPECT_EQ(info.FileName, path);
  EXPECT_EQ(info.Size, 0);
  EXPECT_EQ(info.LL, 0);
  EXPECT_EQ(info.From + info.To + info.Subject + info.To_In + info.Sub_In, "");
  EXPECT_EQ(info.Date, kEmptyDateTime);
  EXPECT_EQ(info.Date_In, kEmptyDateTime);
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
      "From: remailer@example.org\r\n"
      "To: nobody@gone.example\r\n"
      "Subject: hello\r\n"
      "Date: Wed, 4 Feb 2004 23:30:00 -0500\r\n";
  const MessageInfo info = Read(bytes);
  EXPECT_EQ(info.Size, static_cast<std::int64_t>(bytes.size()));
  EXPECT_EQ(info.From, "Mail Delivery System <mailer@relay.example>");
  EXPECT_EQ(info.To, "remailer@example.org");
  EXPECT_EQ(info.Subject, "Undelivered Mail Returned to Sender");
  EXPECT_EQ(info.Date, kFeb5);
  EXPECT_EQ(info.To_In, "nobody@gone.example");
  EXPECT_EQ(info.Sub_In, "hello");
  EXPECT_EQ(info.Date_In, (DateTime{2004, 2, 5, 4, 30, 0}));
  EXPECT_EQ(info.LL, 11);
}

TEST_F(ReaderTest, HeaderMatchingAndValues) {
  struct Case {
    std::string what, bytes;
    std::function<void(const MessageInfo&)> check;
  };
  const std::vector<Case> cases = {
      {"last occurrence wins", "Subject: one\r\nSubject: two\r\n\r\nSubject: a\r\nSubject: b\r\n",
       [](const MessageInfo& i) {
         EXPECT_EQ(i.Subject, "two");
         EXPECT_EQ(i.Sub_In, "b");
       }},
      {"names in any case", "SUBJECT: Hello\r\nfrom: x\r\ndAtE: 5 Feb 2004 09:15 GMT\r\n",
       [](const MessageInfo& i) {
         EXPECT_EQ(i.Subject, "Hello");
         EXPECT_EQ(i.From, "x");
         EXPECT_EQ(i.Date, kFeb5);
       }},
      {"values kept exactly", "Subject:   padded \t \r\nTo: =?UTF-8?B?w6k=?=\r\n",
       [](const MessageInfo& i) {
         EXPECT_EQ(i.Subject, "  padded \t ");
         EXPECT_EQ(i.To, "=?UTF-8?B?w6k=?=");
       }},
      {"only name, colon and one blank match",
       "Subject:x\r\n Subject: indented\r\nSubject : spaced\r\nSubjects: y\r\nTo:\r\n",
       [](const MessageInfo& i) {
         EXPECT_EQ(i.Subject, "");
         EXPECT_EQ(i.To, "");
       }},
      {"an empty value does not overwrite", "Subject: kept\r\nSubject: \r\n",
       [](const MessageInfo& i) { EXPECT_EQ(i.Subject, "kept"); }},
      {"folded value keeps its first line", "Subject: first\r\n\tsecond\r\n  third\r\n",
       [](const MessageInfo& i) { EXPECT_EQ(i.Subject, "first"); }},
      {"a blank line is no separator", "To: a\r\n \r\nTo: b\r\n",
       [](const MessageInfo& i) {
         EXPECT_EQ(i.To, "b");
         EXPECT_EQ(i.To_In, "");
       }},
      {"header and body fields stay apart", "To: outer\r\n\r\nTo: inner\r\nFrom: ignored\r\n",
       [](const MessageInfo& i) {
         EXPECT_EQ(i.To, "outer");
         EXPECT_EQ(i.To_In, "inner");
         EXPECT_EQ(i.From, "");
       }},
      {"body runs past further empty lines", "\r\n\r\n\r\nSubject: late\r\n",
       [](const MessageInfo& i) {
         EXPECT_EQ(i.Sub_In, "late");
         EXPECT_EQ(i.Subject, "");
         EXPECT_EQ(i.LL, 4);
       }},
      {"no separator: all lines are header", "To: a\r\nSubject: s\r\nTo: b\r\n",
       [](const MessageInfo& i) {
         EXPECT_EQ(i.To, "b");
         EXPECT_EQ(i.To_In, "");
         EXPECT_EQ(i.Date_In, kEmptyDateTime);
       }},
      {"8-bit and NUL bytes kept", std::string("Subject: caf\xE9 \xFF\0z\r\n", 19),
       [](const MessageInfo& i) { EXPECT_EQ(i.Subject, std::string("caf\xE9 \xFF\0z", 8)); }},
      {"an unreadable date gives the zero instant", "Date: soon\r\n\r\nDate: later\r\n",
       [](const MessageInfo& i) {
         EXPECT_EQ(i.Date, kZeroInstant);
         EXPECT_EQ(i.Date_In, kZeroInstant);
       }},
      {"a date with two blanks still reads", "Date:  Thu, 5 Feb 2004 10:15:00 +0100\r\n",
       [](const MessageInfo& i) { EXPECT_EQ(i.Date, kFeb5); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.check(Read(c.bytes));
  }
}

TEST_F(ReaderTest, SeventyLineLimit) {
  struct Case {
    std::string what, bytes;
    std::int32_t ll;
    std::string toIn;
  };
  const std::vector<Case> cases = {
      {"empty file", "", 0, ""},
      {"one line without its end", "To: x", 1, ""},
      {"exactly 70 lines", Lines(1, 70), 70, ""},
      {"71 lines", Lines(1, 71), 71, ""},
      {"1000 lines", Lines(1, 1000), 71, ""},
      {"body field on line 70 counts", Lines(1, 4) + "\r\n" + Lines(6, 69) + "To: last\r\n", 70,
       "last"},
      {"body field on line 71 does not",
       Lines(1, 4) + "\r\n" + Lines(6, 70) + "To: late\r\n" + Lines(72, 200), 71, ""},
      {"later body lines do not replace earlier ones beyond the limit",
       "X: 1\r\n\r\nTo: early\r\n" + Lines(4, 70) + "To: late\r\n", 71, "early"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const MessageInfo info = Read(c.bytes);
    EXPECT_EQ(info.LL, c.ll);
    EXPECT_EQ(info.To_In, c.toIn);
    EXPECT_EQ(info.Size, static_cast<std::int64_t>(c.bytes.size()));
  }
}

TEST_F(ReaderTest, LineEnds) {
  // A line feed alone does not end a line.
  MessageInfo info = Read("From: a\nTo: b\nSubject: c\n");
  EXPECT_EQ(info.From, "a\nTo: b\nSubject: c\n");
  EXPECT_EQ(info.LL, 1);

  info = Read("From: a\rTo: b\r\rSubject: c\r");  // CR alone does
  EXPECT_EQ(info.From, "a");
  EXPECT_EQ(info.To, "b");
  EXPECT_EQ(info.Sub_In, "c");
  EXPECT_EQ(info.LL, 4);

  info = Read("To: a\r\n\r\n\nTo: b\r\n");  // LF opening a line belongs to it
  EXPECT_EQ(info.To_In, "");
  EXPECT_EQ(info.LL, 3);

  info = Read("To: a\r\r\n\r\nTo: b");  // CR, then CR LF: an empty line
  EXPECT_EQ(info.To, "a");
  EXPECT_EQ(info.To_In, "b");
  EXPECT_EQ(info.LL, 4);
}

TEST_F(ReaderTest, HugeLineKeepsABoundedPrefix) {
  std::string bytes = "From: " + std::string(5 * 1024 * 1024, 'x');
  for (int i = 0; i < 1000; ++i)
    bytes += "\nTo: y";
  bytes += "\r\nSubject: after\r\n";
  const MessageInfo info = Read(bytes);
  EXPECT_EQ(info.From.size(), 64u * 1024u - 6u);
  EXPECT_EQ(info.From.find_first_not_of('x'), std::string::npos);
  EXPECT_EQ(info.Subject, "after");  // the rest of the long line was skipped, not lost
  EXPECT_EQ(info.LL, 2);
  EXPECT_EQ(info.Size, static_cast<std::int64_t>(bytes.size()));
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

TEST_F(ReaderTest, FilesThatYieldOnlyTheirName) {
  ExpectOnlyName(ReadPath(""), "");
  ExpectOnlyName(ReadPath(PathOf("missing.cnm")), PathOf("missing.cnm"));
  ExpectOnlyName(ReadPath(folder_.string()), folder_.string());

  const std::string hidden = PathOf(".hidden.cnm");
  testsupport::WriteBytes(hidden, "Subject: secret\r\n");
#ifdef _WIN32
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  const std::string system = PathOf("system.cnm");
  testsupport::WriteBytes(system, "Subject: secret\r\n");
  ASSERT_TRUE(SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));
  ExpectOnlyName(ReadPath(system), system);
#endif
  ExpectOnlyName(ReadPath(hidden), hidden);
}

TEST_F(ReaderTest, EveryFieldIsOverwritten) {
  MessageInfo info;
  info.FileName = PathOf("m.cnm");
  info.Size = 99;
  info.From = info.To = info.Subject = info.To_In = info.Sub_In = "stale";
  info.Date = info.Date_In = kFeb5;
  info.LL = 42;
  testsupport::WriteBytes(info.FileName, "Subject: new\r\n");
  ReadMessage(info);
  EXPECT_EQ(info.Subject, "new");
  EXPECT_EQ(info.From + info.To + info.To_In + info.Sub_In, "");
  EXPECT_EQ(info.Date, kEmptyDateTime);
  EXPECT_EQ(info.Date_In, kEmptyDateTime);
  EXPECT_EQ(info.LL, 1);
  EXPECT_EQ(info.Size, 14);
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
