#include "text_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace ndr {
namespace {

const std::string kRoot = "P:\\text-file-tests";
const std::string kFile = kRoot + "\\m.cnm";

class TextFile : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::BuildTree(kRoot, {}); }

  std::vector<std::string> Lines(const std::string& bytes, std::size_t maxKeep = 1 << 20) {
    testsupport::WriteBytes(kFile, bytes);
    LineReader reader;
    EXPECT_TRUE(reader.Open(kFile));
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line, maxKeep)) {
      lines.push_back(line);
    }
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_FALSE(reader.Failed());
    return lines;
  }
};

using LineList = std::vector<std::string>;

TEST_F(TextFile, LinesEndAtCrOrCrLfButNotAtLfAlone) {
  EXPECT_EQ(Lines(""), LineList{});
  EXPECT_EQ(Lines("a\r\nb\r\n"), (LineList{"a", "b"}));
  EXPECT_EQ(Lines("a\rb\r"), (LineList{"a", "b"}));
  EXPECT_EQ(Lines("a\nb\nc"), (LineList{"a\nb\nc"}));
  EXPECT_EQ(Lines("a\r\n\r\nb"), (LineList{"a", "", "b"}));
  EXPECT_EQ(Lines("\r\n"), (LineList{""}));
  EXPECT_EQ(Lines("a\n\r\n"), (LineList{"a\n"}));
  EXPECT_EQ(Lines("a\r\r\nb"), (LineList{"a", "", "b"}));
  EXPECT_EQ(Lines(std::string("\xe9\0\xff\r\n", 5)), (LineList{std::string("\xe9\0\xff", 3)}));
}

TEST_F(TextFile, CrLfSplitAcrossTheReadBufferStaysOneLineEnd) {
  for (std::size_t length : {65535u, 65536u, 65534u}) {
    std::string first(length, 'x');
    EXPECT_EQ(Lines(first + "\r\nnext\r\n"), (LineList{first, "next"})) << length;
  }
}

TEST_F(TextFile, OverlongLinesKeepAPrefixAndReportTruncation) {
  std::string huge(200000, 'h');
  testsupport::WriteBytes(kFile, huge + "\r\nshort\r\n" + std::string(10, 'z'));
  LineReader reader;
  ASSERT_TRUE(reader.Open(kFile));
  std::string line;
  bool truncated = false;
  ASSERT_TRUE(reader.ReadLine(line, 100, &truncated));
  EXPECT_EQ(line, std::string(100, 'h'));
  EXPECT_TRUE(truncated);
  ASSERT_TRUE(reader.ReadLine(line, 100, &truncated));
  EXPECT_EQ(line, "short");
  EXPECT_FALSE(truncated);
  ASSERT_TRUE(reader.ReadLine(line, 10, &truncated));  // exactly the limit
  EXPECT_EQ(line, std::string(10, 'z'));
  EXPECT_FALSE(truncated);
  EXPECT_FALSE(reader.ReadLine(line, 10));
}

TEST_F(TextFile, ChunksRebuildEveryLineExactly) {
  std::string bytes = std::string(70000, 'a') + "\r\n\r\n" + "bc\rd\ne" + std::string(5, 'f');
  testsupport::WriteBytes(kFile, bytes);
  LineReader reader;
  ASSERT_TRUE(reader.Open(kFile));
  LineList lines{""};
  std::string chunk;
  bool ended = false;
  while (reader.ReadChunk(chunk, 7, ended)) {
    EXPECT_LE(chunk.size(), 7u);
    lines.back() += chunk;
    if (ended) {
      lines.emplace_back();
    }
  }
  lines.pop_back();
  EXPECT_EQ(lines, (LineList{std::string(70000, 'a'), "", "bc", "d\nefffff"}));
}

TEST_F(TextFile, WriterEndsEveryLineWithCrLf) {
  LineWriter writer;
  ASSERT_TRUE(writer.Open(kFile));
  EXPECT_TRUE(writer.WriteLine("RELI_MAILOUT"));
  EXPECT_TRUE(writer.WriteLine(""));
  EXPECT_TRUE(writer.WriteLine("a\nb"));
  EXPECT_TRUE(writer.Write("raw"));
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(testsupport::ReadBytes(kFile), "RELI_MAILOUT\r\n\r\na\nb\r\nraw");

  ASSERT_TRUE(writer.Open(kFile));  // truncates
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(testsupport::ReadBytes(kFile), "");
}

TEST_F(TextFile, OpenFailuresReportTheSystemReason) {
  LineReader reader;
  OsError error;
  EXPECT_FALSE(reader.Open(kRoot + "\\missing.cnm", &error));
  EXPECT_NE(error.code, 0);
  EXPECT_FALSE(error.Describe().empty());
  LineWriter writer;
  EXPECT_FALSE(writer.Open(kRoot + "\\no-folder\\x.q0", &error));
  EXPECT_NE(error.code, 0);
}

}  // namespace
}  // namespace ndr
