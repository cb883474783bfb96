#include "text_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace ndr {
namespace {

const std::string kRoot = "P:\\text-file-tests";
const std::string kFile = kRoot + "\\m.cnm";

using LineList = std::vector<std::string>;

// The lines of a file of these bytes, each kept to maxKeep bytes, with
// whether it was cut.
LineList Lines(const std::string& bytes, std::size_t maxKeep = 1 << 20,
               std::vector<bool>* cut = nullptr) {
  testsupport::BuildTree(kRoot, {{"m.cnm", bytes}});
  LineReader reader;
  EXPECT_TRUE(reader.Open(kFile));
  LineList lines;
  std::string line;
  bool truncated = false;
  while (reader.ReadLine(line, maxKeep, &truncated)) {
    lines.push_back(line);
    if (cut) {
      cut->push_back(truncated);
    }
  }
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_FALSE(reader.Failed());
  return lines;
}

// Every input of the line reader's fuzz corpus is also checked against a
// model of these rules; these are the cases written out.
TEST(LineReader, LinesEndAtCrOrCrLfButNotAtLfAlone) {
  const std::pair<std::string, LineList> cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\nc", {"a\nb\nc"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\r\n", {"a\n"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {std::string("\xe9\0\xff\r\n", 5), {std::string("\xe9\0\xff", 3)}},
      // A CR LF split across the reader's buffer is still one line end.
      {std::string(65535, 'x') + "\r\nnext", {std::string(65535, 'x'), "next"}},
      {std::string(65536, 'x') + "\r\nnext", {std::string(65536, 'x'), "next"}},
  };
  for (const auto& [bytes, lines] : cases) {
    EXPECT_EQ(Lines(bytes), lines) << bytes.substr(0, 20);
  }
}

TEST(LineReader, OverlongLinesKeepAPrefixAndReportTruncation) {
  std::vector<bool> cut;
  EXPECT_EQ(Lines(std::string(200000, 'h') + "\r\nshort\r\n" + std::string(10, 'z'), 10, &cut),
            (LineList{std::string(10, 'h'), "short", std::string(10, 'z')}));
  EXPECT_EQ(cut, (std::vector<bool>{true, false, false}));  // exactly the limit is no cut
}

}  // namespace
}  // namespace ndr
