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

TEST(BounceTest, RecognisesTheFiveMarkersExactly) {
  const std::string relayA = NDR_RELAY_A, relayB = NDR_RELAY_B;
  EXPECT_TRUE(IsMarkerLine("x by Wren's Mercury SMTP (Server) (Mercury/32 v3.21c) y"));
  EXPECT_TRUE(IsMarkerLine("Received: from a (ArGoSoft Mail Server, Version 1.5 (1.5.0.8));"));
  EXPECT_TRUE(IsMarkerLine("Received: from " + relayA + " (x)"));
  EXPECT_TRUE(IsMarkerLine("Received: from " + relayB));
  EXPECT_TRUE(IsMarkerLine("Received: from 127.0.0.1"));
  EXPECT_TRUE(IsMarkerLine("Received: from 127.0.0.10"));  // a prefix test, as written

  EXPECT_FALSE(IsMarkerLine("x by wren's Mercury SMTP (Server) (Mercury/32 v3.21c)"));
  EXPECT_FALSE(IsMarkerLine("(ArGoSoft Mail Server, Version 1.5 (1.5.0.9))"));
  EXPECT_FALSE(IsMarkerLine(" Received: from 127.0.0.1"));  // only at the start
  EXPECT_FALSE(IsMarkerLine("X-Received: from " + relayA));
  EXPECT_FALSE(IsMarkerLine("received: from 127.0.0.1"));
  EXPECT_FALSE(IsMarkerLine("Received: from  " + relayB));
  EXPECT_FALSE(IsMarkerLine("Received: from "));
  EXPECT_FALSE(IsMarkerLine(""));
}

TEST(BounceTest, DropsOnlyTheListedHeaderLines) {
  for (const char* line : {"Message-ID: <1@x>", "Date: Thu, 5 Feb 2004", "Comments: c",
                           "X-Remailer-Contact: x", "   folded", "        folded more"}) {
    EXPECT_TRUE(IsDroppedHeaderLine(line)) << line;
  }
  for (const char* line : {"message-id: <1@x>", "DATE: x", "Date:x", "\tfolded", "  two",
                           "Subject: Date: ", "", "Comments:"}) {
    EXPECT_FALSE(IsDroppedHeaderLine(line)) << line;
  }
}

TEST_F(Extract, WritesTheCopiedMessageAsAQueuePair) {
  std::string bounce =
      "Date: bounce header is not copied\r\n"
      "\r\n"
      "notice\r\n" +
      kMarker +
      "\r\n"
      "        by mx.example.com;\r\n"  // the marker's folded lines go with it
      "\tfor <a@example.com>;\r\n"
      " id 7\r\n"
      "X-Folded: a\r\n"
      "\ttab\r\n"
      "  two blanks\r\n"
      "        eight blanks\r\n"
      "Message-ID: <1@x>\r\n"
      "Date: Thu, 5 Feb 2004 10:15:00 +0100\r\n"
      "date: lower case stays\r\n"
      "Comments: dropped\r\n"
      "X-Remailer-Contact: dropped\r\n"
      "Subject: Caf\xe9\r\n"
      "\r\n"
      "body one\r"
      "body\ntwo\r\n"
      "\r\n"
      "\xff last without end";
  ASSERT_EQ(Run(bounce), ExtractOutcome::kRebuilt);
  EXPECT_EQ(ReadBytes(kQ0), kQueueHead +
                                "X-Folded: a\r\n"
                                "\ttab\r\n"
                                "  two blanks\r\n"
                                "date: lower case stays\r\n"
                                "Subject: Caf\xe9\r\n"
                                "\r\n");
  EXPECT_EQ(ReadBytes(kQ1), "body one\r\nbody\ntwo\r\n\r\n\xff last without end\r\n");
}

TEST_F(Extract, MarkerFollowedByTheEmptyLineGivesAnEmptyHeader) {
  ASSERT_EQ(Run(kMarker + "\r\n\r\nbody\r\n"), ExtractOutcome::kRebuilt);
  EXPECT_EQ(ReadBytes(kQ0), kQueueHead + "\r\n");
  EXPECT_EQ(ReadBytes(kQ1), "body\r\n");

  ASSERT_EQ(Run(kMarker + "\r\n\r\n"), ExtractOutcome::kRebuilt);
  EXPECT_EQ(ReadBytes(kQ1), "");

  ASSERT_EQ(Run(kMarker + "\r\n\tfolded\r\n\r\nbody\r\n"), ExtractOutcome::kRebuilt);
  EXPECT_EQ(ReadBytes(kQ0), kQueueHead + "\r\n");
}

TEST_F(Extract, NothingIsWrittenWithoutACopy) {
  for (const std::string& bounce :
       {std::string("From: a\r\n\r\nno marker here\r\n"), "text\r\n" + kMarker,
        "text\r\n" + kMarker + "\r\n", std::string(""),
        // Line feeds alone do not end lines: the marker is not at a line start.
        "notice\n" + kMarker + "\nTo: x\n\nbody\n"}) {
    EXPECT_EQ(Run(bounce), ExtractOutcome::kNoCopy);
    EXPECT_FALSE(FileExists(kQ0));
    EXPECT_FALSE(FileExists(kQ1));
  }
}

TEST_F(Extract, HeaderRunningIntoTheEndRemovesThePair) {
  WriteBytes(kQ1, "stale");
  EXPECT_EQ(Run(kMarker + "\r\nTo: a\r\nSubject: b\r\n"), ExtractOutcome::kHeaderCut);
  EXPECT_FALSE(FileExists(kQ0));
  EXPECT_FALSE(FileExists(kQ1));
}

TEST_F(Extract, CarriageReturnsAloneEndLinesToo) {
  ASSERT_EQ(Run("x\r" + kMarker + "\rTo: a\r\rb1\rb2"), ExtractOutcome::kRebuilt);
  EXPECT_EQ(ReadBytes(kQ0), kQueueHead + "To: a\r\n\r\n");
  EXPECT_EQ(ReadBytes(kQ1), "b1\r\nb2\r\n");
}

TEST_F(Extract, LinesOfAnyLengthAreCopiedWhole) {
  std::string longValue(300000, 'v');
  std::string longBody(1000000, 'b');
  std::string bounce = kMarker + "\r\nX-Long: " + longValue + "\r\nDate: " + longValue +
                       "\r\nTo: a\r\n\r\n" + longBody;
  ASSERT_EQ(Run(bounce), ExtractOutcome::kRebuilt);
  EXPECT_EQ(ReadBytes(kQ0), kQueueHead + "X-Long: " + longValue + "\r\nTo: a\r\n\r\n");
  EXPECT_EQ(ReadBytes(kQ1), longBody + "\r\n");
}

TEST_F(Extract, MarkerAfterAnOverlongLineIsStillFound) {
  std::string bounce = std::string(200000, 'n') + "\r\n" + kMarker + "\r\n\r\nbody\r\n";
  EXPECT_EQ(Run(bounce), ExtractOutcome::kRebuilt);
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

TEST(QueueDate, HasTheDayMonthYearPattern) {
  std::string line = QueueDateLine();
  ASSERT_EQ(line.size(), 19u);
  for (std::size_t i : {2u, 5u}) {
    EXPECT_EQ(line[i], '/');
  }
  EXPECT_EQ(line[10], ' ');
  EXPECT_EQ(line[13], ':');
  EXPECT_EQ(line[16], ':');
}

}  // namespace
}  // namespace ndr
