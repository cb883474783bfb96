// Runs the built ndr_Requeue against mail trees under the fixed P: paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "platform.h"
#include "run_lock.h"
#include "safe_rename.h"
#include "sample_mail.h"
#include "test_support.h"

namespace ndr {
namespace {

using samples::Bounce;
using samples::BounceOptions;
using samples::Marker;
using testsupport::FileNames;
using testsupport::ReadBytes;
using testsupport::WriteBytes;
using Names = std::vector<std::string>;

const std::string kMail = "P:\\Diverido\\Mail";
const std::string kBounces = kMail + "\\~Bounces";
const std::string kQueue = kMail + "\\Mailout";

testsupport::ProgramResult RunRequeueProgram() {
  return testsupport::RunProgram(NDR_REQUEUE_EXE);
}

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line + "\r\n";
  }
  return text;
}

class RequeueRun : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::BuildTree(kMail, {{"~Bounces\\", ""}, {"Mailout\\", ""}}); }
  void Expect(const testsupport::ProgramResult& result, int exitCode = 0) {
    EXPECT_EQ(result.exitCode, exitCode);
    if (exitCode == 0) {
      EXPECT_EQ(result.standardError, "");
    }
  }
  // Base names of the pairs in the queue; every ".q0" must have its ".q1".
  Names QueuedBases() {
    Names bases;
    for (const std::string& name : FileNames(kQueue)) {
      if (name.size() > 3 && name.substr(name.size() - 3) == ".q0") {
        std::string base = name.substr(0, name.size() - 3);
        EXPECT_TRUE(testsupport::FileExists(kQueue + "\\" + base + ".q1")) << base;
        bases.push_back(base);
      }
    }
    return bases;
  }
};

TEST_F(RequeueRun, QueuesEveryMarkedBounceAndKeepsTheRest) {
  std::vector<Bounce> marked;
  for (int i = 0; i < 5; ++i) {
    BounceOptions options;
    options.marker = samples::kAllMarkers[i];
    options.eightBitSubject = i == 2;
    options.lineEnd = i == 3 ? samples::LineEnd::kCr : samples::LineEnd::kCrLf;
    options.lastLineUnended = i == 4;
    marked.push_back(samples::MakeBounce(100 + i, options));
    WriteBytes(kBounces + "\\M" + std::to_string(i) + ".CNM", marked.back().bytes);
  }
  BounceOptions unmarked;
  unmarked.marker = Marker::kNone;
  BounceOptions lfOnly;
  lfOnly.lineEnd = samples::LineEnd::kLf;  // one single line: no copy recognised
  const std::vector<testsupport::TreeEntry> kept{
      {"none.cnm", samples::MakeBounce(1, unmarked).bytes},
      {"lf.cnm", samples::MakeBounce(2, lfOnly).bytes},
      {"empty.cnm", ""},
      {"other.txt", samples::MakeBounce(3).bytes},
      {"Wait\\w.cnm", samples::MakeBounce(4).bytes}};
  for (const auto& [name, bytes] : kept) {
    testsupport::MakeFolders(kBounces + "\\Wait");
    WriteBytes(kBounces + "\\" + name, bytes);
  }

  Expect(RunRequeueProgram());

  EXPECT_EQ(FileNames(kBounces), (Names{"empty.cnm", "lf.cnm", "none.cnm", "other.txt"}));
  for (const auto& [name, bytes] : kept) {
    EXPECT_EQ(ReadBytes(kBounces + "\\" + name), bytes) << name;
  }
  Names bases = QueuedBases();
  ASSERT_EQ(bases.size(), 5u);
  // The placeholder base is never kept: the pairs get the first collision
  // names of the unseeded generator, one per rebuilt bounce.
  RestartCollisionNames();
  std::set<std::string> expected;
  for (int i = 0; i < 5; ++i) {
    expected.insert(LowerCase(CollisionName()));
  }
  EXPECT_EQ(std::set<std::string>(bases.begin(), bases.end()), expected);

  std::set<std::string> bodies, heads;
  for (const std::string& base : bases) {
    bodies.insert(ReadBytes(kQueue + "\\" + base + ".q1"));
    heads.insert(ReadBytes(kQueue + "\\" + base + ".q0"));
  }
  const std::regex head(
      "RELI_MAILOUT\r\n\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d\r\n\r\n"
      "From: Nobody <nobody@diverido.example>\r\n"
      "To: [^\r\n]*\r\nSubject: [^\r\n]*\r\n"
      "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=ISO-8859-1\r\n\r\n");
  for (const std::string& text : heads) {
    EXPECT_TRUE(std::regex_match(text, head)) << text;
  }
  for (const Bounce& bounce : marked) {
    EXPECT_EQ(bodies.count(CrLfLines(bounce.sentBody)), 1u);
    bool subjectFound = std::any_of(heads.begin(), heads.end(), [&](const std::string& h) {
      return h.find("Subject: " + bounce.sentSubject + "\r\n") != std::string::npos;
    });
    EXPECT_TRUE(subjectFound) << bounce.sentSubject;
  }
}

// A queue folder that is missing or takes no file: reported, and nothing is
// rebuilt, so the bounces wait unchanged for the next run.
TEST_F(RequeueRun, QueueFolderThatCannotTakeAPairIsReported) {
  testsupport::RemoveTree(kQueue);
  Bounce first = samples::MakeBounce(7), second = samples::MakeBounce(8);
  WriteBytes(kBounces + "\\a.cnm", first.bytes);
  WriteBytes(kBounces + "\\b.cnm", second.bytes);

  testsupport::ProgramResult result = RunRequeueProgram();
  Expect(result, 1);
  EXPECT_EQ(
      result.standardError.rfind("ndr_Requeue: cannot use the queue folder " + kQueue + ": ", 0),
      0u)
      << result.standardError;
  EXPECT_EQ(FileNames(kBounces), (Names{"a.cnm", "b.cnm"}));
  EXPECT_EQ(ReadBytes(kBounces + "\\a.cnm"), first.bytes);
  EXPECT_EQ(ReadBytes(kBounces + "\\b.cnm"), second.bytes);

  testsupport::MakeFolders(kQueue);
#ifndef _WIN32  // a Windows folder's read-only attribute does not stop a new file
  if (testsupport::SetUndeletable(kQueue, true)) {
    result = RunRequeueProgram();
    testsupport::SetUndeletable(kQueue, false);
    Expect(result, 1);
    EXPECT_NE(result.standardError.find("cannot use the queue folder"), std::string::npos);
    EXPECT_EQ(FileNames(kBounces), (Names{"a.cnm", "b.cnm"}));
  }
#endif
  Expect(RunRequeueProgram());
  EXPECT_EQ(FileNames(kBounces), Names{});
  EXPECT_EQ(QueuedBases().size(), 2u);
}

// A bounce that cannot be deleted would be queued again by every run: it is
// left alone and reported, and the run goes on with the others.
TEST_F(RequeueRun, BounceThatCannotBeDeletedIsNeverQueued) {
  std::string stuck = samples::MakeBounce(11).bytes;
  WriteBytes(kBounces + "\\stuck.cnm", stuck);
  WriteBytes(kBounces + "\\a.cnm", samples::MakeBounce(12).bytes);
  WriteBytes(kBounces + "\\z.cnm", samples::MakeBounce(13).bytes);
  if (!testsupport::SetUndeletable(kBounces + "\\stuck.cnm", true)) {
    GTEST_SKIP() << "this system cannot make a file undeletable";
  }
  for (int run = 0; run < 2; ++run) {
    testsupport::ProgramResult result = RunRequeueProgram();
    Expect(result, 1);
    EXPECT_EQ(
        result.standardError.rfind("ndr_Requeue: cannot delete " + kBounces + "\\stuck.cnm: ", 0),
        0u)
        << result.standardError;
    EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1);
    EXPECT_EQ(FileNames(kBounces), Names{"stuck.cnm"});
    EXPECT_EQ(QueuedBases().size(), 2u);
  }
  testsupport::SetUndeletable(kBounces + "\\stuck.cnm", false);
  EXPECT_EQ(ReadBytes(kBounces + "\\stuck.cnm"), stuck);
}

TEST_F(RequeueRun, LeftoverPlaceholdersAreDiscarded) {
  BounceOptions unmarked;
  unmarked.marker = Marker::kNone;
  WriteBytes(kBounces + "\\wwwwww.q0", "RELI_MAILOUT\r\nhalf");
  WriteBytes(kBounces + "\\WWWWWW-012.q1", "staged");
  WriteBytes(kBounces + "\\wwwwww-1.q0", "not ours");
  WriteBytes(kBounces + "\\WWWWWW.Q1", "half");
  WriteBytes(kBounces + "\\wwwwww.q2", "not a placeholder");
  WriteBytes(kBounces + "\\none.cnm", samples::MakeBounce(1, unmarked).bytes);

  Expect(RunRequeueProgram());
  EXPECT_EQ(FileNames(kBounces), (Names{"none.cnm", "wwwwww-1.q0", "wwwwww.q2"}));
  EXPECT_EQ(FileNames(kQueue), Names{});
}

TEST_F(RequeueRun, BounceCutOffInItsHeaderStaysAndTheRunGoesOn) {
  BounceOptions cut;
  cut.headerRunsIntoEof = true;
  std::string cutBytes = samples::MakeBounce(5, cut).bytes;
  WriteBytes(kBounces + "\\cut.cnm", cutBytes);
  WriteBytes(kBounces + "\\good.cnm", samples::MakeBounce(6).bytes);

  Expect(RunRequeueProgram());
  EXPECT_EQ(FileNames(kBounces), Names{"cut.cnm"});
  EXPECT_EQ(ReadBytes(kBounces + "\\cut.cnm"), cutBytes);
  EXPECT_EQ(QueuedBases().size(), 1u);
}

TEST_F(RequeueRun, FolderFailureEndsTheRunWithOneLineNamingTheFile) {
  // A folder where the first pair is to be written: the bounce folder cannot
  // take the pair, which no later bounce would change.
  testsupport::MakeFolders(kBounces + "\\WWWWWW-000.q0");
  std::string bytes = samples::MakeBounce(9).bytes;
  WriteBytes(kBounces + "\\a.cnm", bytes);
  WriteBytes(kBounces + "\\b.cnm", samples::MakeBounce(10).bytes);

  testsupport::ProgramResult result = RunRequeueProgram();
  Expect(result, 1);
  EXPECT_NE(result.standardError.find("WWWWWW-000.q0: "), std::string::npos)
      << result.standardError;
  EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1);
  EXPECT_EQ(result.standardError.back(), '\n');
  EXPECT_EQ(ReadBytes(kBounces + "\\a.cnm"), bytes);
  EXPECT_EQ(FileNames(kBounces), (Names{"a.cnm", "b.cnm"}));
  EXPECT_EQ(FileNames(kQueue), Names{});
}

TEST_F(RequeueRun, SecondRunMeanwhileLeavesTheFolderAlone) {
  WriteBytes(kBounces + "\\a.cnm", samples::MakeBounce(10).bytes);
  {
    RunLock running;
    ASSERT_TRUE(running.TryAcquire(kBounces));
    Expect(RunRequeueProgram());
    EXPECT_EQ(FileNames(kBounces), Names{"a.cnm"});
    EXPECT_EQ(FileNames(kQueue), Names{});
  }
  Expect(RunRequeueProgram());
  EXPECT_EQ(FileNames(kBounces), Names{});
}

TEST_F(RequeueRun, MissingOrEmptyBounceFolderIsANormalRun) {
  Expect(RunRequeueProgram());
  testsupport::RemoveTree(kBounces);
  Expect(RunRequeueProgram());
  EXPECT_EQ(FileNames(kQueue), Names{});
}

}  // namespace
}  // namespace ndr
