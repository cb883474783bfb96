#include "bounce_extract.h"

#include <gtest/gtest.h>

#include "ndr_config.h"
#include "test_support.h"

namespace ndr {
namespace {

using testsupport::FileExists;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

const std::string kRoot = "P:\\extract-tests";
const std::string kBounce = kRoot + "\\b.cnm";
const std::string kQ0 = kRoot + "\\WWWWWW.q0";
const std::string kQ1 = kRoot + "\\WWWWWW.q1";
const std::string kMarker = "Received: from 127.0.0.1 (localhost)";
const std::string kQueueHead = "RELI_MAILOUT\r\n01/02/2004 10:15:00\r\n\r\n";

class Extract : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::BuildTree(kRoot, {}); }
  ExtractOutcome Run(const std::string& bounce) {
    WriteBytes(kBounce, bounce);
    ExtractOutcome outcome = ExtractBounce(kBounce, kQ0, kQ1, "01/02/2004 10:15:00", failure_);
    EXPECT_EQ(ReadBytes(kBounce), bounce);  // the bounce is only read
    return outcome;
  }
  ExtractFailure failure_;
};

TEST(BounceTest, RecognisesTheFiveMarkersAndDropsOnlyTheListedHeaderLines) {
  const std::string relayA = NDR_RELAY_A, relayB = NDR_RELAY_B;
  // Each marker is also recognised in the run tests' generated bounces.
  const std::pair<std::string, bool> markers[] = {
      {"x by Wren's Mercury SMTP (Server) (Mercury/32 v3.21c) y", true},
      {"Received: from 127.0.0.10", true},  // a prefix test, as written
      {"x by wren's Mercury SMTP (Server) (Mercury/32 v3.21c)", false},
      {"(ArGoSoft Mail Server, Version 1.5 (1.5.0.9))", false},
      {" Received: from 127.0.0.1", false},  // only at the start
      {"X-Received: from " + relayA, false},
      {"received: from 127.0.0.1", false},
      {"Received: from  " + relayB, false},
      {"Received: from ", false}};
  for (const auto& [line, marker] : markers) {
    EXPECT_EQ(IsMarkerLine(line), marker) << line;
  }
  // The extract table shows the listed lines dropped; these near misses stay.
  for (const char* line : {"message-id: <1@x>", "Date:x", "Subject: Date: ", ""}) {
    EXPECT_FALSE(IsDroppedHeaderLine(line)) << line;
  }
}

// The copy after the marker (with its folded lines) becomes the pair, less
// the listed header lines. A bounce with no copy writes nothing; one cut off
// in its header leaves no pair behind, not even an old one.
TEST_F(Extract, EveryLineEndAndEveryCutGivesTheRightPairOrNone) {
  const std::string longLine(300000, 'v');
  const struct {
    std::string bounce;
    ExtractOutcome outcome;
    std::string header, body;  // the pair when rebuilt
  } cases[] = {
      {"Date: bounce header is not copied\r\n\r\nnotice\r\n" + kMarker +
           "\r\n        by mx.example.com;\r\n\tfor <a@example.com>;\r\n id 7\r\n"
           "X-Folded: a\r\n\ttab\r\n  two blanks\r\n        eight blanks\r\n"
           "Message-ID: <1@x>\r\nDate: Thu, 5 Feb 2004 10:15:00 +0100\r\n"
           "date: lower case stays\r\nComments: dropped\r\nX-Remailer-Contact: dropped\r\n"
           "Subject: Caf\xe9\r\n\r\nbody one\rbody\ntwo\r\n\r\n\xff last without end",
       ExtractOutcome::kRebuilt,
       "X-Folded: a\r\n\ttab\r\n  two blanks\r\ndate: lower case stays\r\nSubject: Caf\xe9\r\n",
       "body one\r\nbody\ntwo\r\n\r\n\xff last without end\r\n"},
      {kMarker + "\r\n\r\nbody\r\n", ExtractOutcome::kRebuilt, "", "body\r\n"},
      {kMarker + "\r\n\r\n", ExtractOutcome::kRebuilt, "", ""},
      {kMarker + "\r\n\tfolded\r\n\r\nbody", ExtractOutcome::kRebuilt, "", "body\r\n"},
      {"x\r" + kMarker + "\rTo: a\r\rb1\rb2", ExtractOutcome::kRebuilt, "To: a\r\n",
       "b1\r\nb2\r\n"},
      {std::string(200000, 'n') + "\r\n" + kMarker + "\r\n\r\nb\r\n", ExtractOutcome::kRebuilt, "",
       "b\r\n"},
      {"From: a\r\n\r\nno marker here\r\n", ExtractOutcome::kNoCopy, "", ""},
      {"text\r\n" + kMarker, ExtractOutcome::kNoCopy, "", ""},
      {"text\r\n" + kMarker + "\r\n", ExtractOutcome::kNoCopy, "", ""},
      {"", ExtractOutcome::kNoCopy, "", ""},
      // Line feeds alone do not end lines: the marker is not at a line start.
      {"notice\n" + kMarker + "\nTo: x\n\nbody\n", ExtractOutcome::kNoCopy, "", ""},
      {kMarker + "\r\nTo: a\r\nSubject: b\r\n", ExtractOutcome::kHeaderCut, "", ""},
      // Lines of any length are copied whole.
      {kMarker + "\r\nX-Long: " + longLine + "\r\nDate: " + longLine + "\r\n\r\n" + longLine,
       ExtractOutcome::kRebuilt, "X-Long: " + longLine + "\r\n", longLine + "\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bounce.substr(0, 60));
    testsupport::BuildTree(kRoot, {});
    if (c.outcome != ExtractOutcome::kNoCopy) {
      WriteBytes(kQ1, "stale");  // left by an earlier run: replaced or removed
    }
    ASSERT_EQ(Run(c.bounce), c.outcome);
    const bool rebuilt = c.outcome == ExtractOutcome::kRebuilt;
    EXPECT_EQ(FileExists(kQ0), rebuilt);
    EXPECT_EQ(FileExists(kQ1), rebuilt);
    if (rebuilt) {
      EXPECT_EQ(ReadBytes(kQ0), kQueueHead + c.header + "\r\n");
      EXPECT_EQ(ReadBytes(kQ1), c.body);
    }
  }
}

TEST_F(Extract, FailuresNameTheFile) {
  ExtractFailure failure;
  EXPECT_EQ(ExtractBounce(kRoot + "\\missing.cnm", kQ0, kQ1, "d", failure),
            ExtractOutcome::kFailed);
  EXPECT_EQ(failure.path, kRoot + "\\missing.cnm");
  EXPECT_NE(failure.error.code, 0);

  testsupport::MakeFolders(kQ0);  // a folder where the placeholder should go
  EXPECT_EQ(Run(kMarker + "\r\n\r\nbody\r\n"), ExtractOutcome::kFailed);
  EXPECT_EQ(failure_.path, kQ0);
  EXPECT_FALSE(FileExists(kQ1));
}

}  // namespace
}  // namespace ndr
