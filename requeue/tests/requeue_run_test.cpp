// Runs the built ndr_Requeue against mail trees under the fixed P: paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform.h"
#include "run_lock.h"
#include "safe_rename.h"
#include "sample_mail.h"
#include "test_support.h"

namespace ndr {
namespace {

using samples::Bounce;
using samples::Marker;
using testsupport::FileNames;
using testsupport::ReadBytes;
using testsupport::WriteBytes;
using Names = std::vector<std::string>;

const std::string kMail = "P:\\Diverido\\Mail";
const std::string kBounces = kMail + "\\~Bounces";
const std::string kQueue = kMail + "\\Mailout";

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
  // A clean run: exit 0 and nothing reported.
  void ExpectClean() { ExpectReport(""); }
  // A report: exit 1 and one line of the program's, which holds the part.
  void ExpectReport(const std::string& part) {
    const testsupport::ProgramResult result = testsupport::RunProgram(NDR_REQUEUE_EXE);
    const std::string& line = result.standardError;
    EXPECT_EQ(result.exitCode, part.empty() ? 0 : 1);
    if (part.empty()) {
      EXPECT_EQ(line, "");
      return;
    }
    EXPECT_EQ(line.rfind("ndr_Requeue: ", 0), 0u) << line;
    EXPECT_NE(line.find(part), std::string::npos) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
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

// Each bounce's copy arrives, as the generator sent it, also from a bounce
// whose name could be taken for an option, a shell word or a path; what is
// no marked bounce stays, and so does everything outside the two folders; a
// missing bounce folder is a normal run.
TEST_F(RequeueRun, QueuesEveryMarkedBounceAndKeepsTheRest) {
  testsupport::BuildTree(kMail, {{"a.cnm", "decoy"},
                                 {"Mailout\\", ""},
                                 {"~Bounces\\Wait\\w.cnm", samples::MakeBounce(4).bytes},
                                 {"~Bounces\\keep\\victim.cnm", "victim"}});
  std::vector<Bounce> marked;
  for (int i = 0; i < 5; ++i) {
    marked.push_back(samples::MakeBounce(
        100 + i, {.marker = samples::kAllMarkers[i],
                  .lineEnd = i == 3 ? samples::LineEnd::kCr : samples::LineEnd::kCrLf,
                  .eightBitSubject = i == 2,
                  .lastLineUnended = i == 4}));
    WriteBytes(kBounces + "\\M" + std::to_string(i) + ".CNM", marked.back().bytes);
  }
  for (const std::string& name : testsupport::OddNames()) {
    marked.push_back(samples::MakeBounce(200 + marked.size()));
    WriteBytes(FsPath(kBounces, name), marked.back().bytes);
  }
  const std::vector<testsupport::TreeEntry> kept{
      {"cut.cnm", samples::MakeBounce(1, {.headerRunsIntoEof = true}).bytes},
      {"empty.cnm", ""},
      // One single line: no copy recognised.
      {"lf.cnm", samples::MakeBounce(2, {.lineEnd = samples::LineEnd::kLf}).bytes},
      {"none.cnm", samples::MakeBounce(1, {.marker = Marker::kNone}).bytes},
      {"other.txt", samples::MakeBounce(3).bytes}};
  for (const auto& [name, bytes] : kept) {
    WriteBytes(kBounces + "\\" + name, bytes);
  }

  ExpectClean();

  Names names;
  for (const auto& [name, bytes] : kept) {
    EXPECT_EQ(ReadBytes(kBounces + "\\" + name), bytes) << name;
    names.push_back(name);
  }
  EXPECT_EQ(FileNames(kBounces), names);
  EXPECT_EQ(FileNames(kBounces + "\\Wait"), Names{"w.cnm"});
  std::set<std::string> bodies;
  std::string heads;
  const Names bases = QueuedBases();
  EXPECT_EQ(bases.size(), marked.size());
  for (const std::string& base : bases) {
    EXPECT_NE(base.substr(0, 6), "wwwwww");  // never a placeholder's name
    bodies.insert(ReadBytes(kQueue + "\\" + base + ".q1"));
    heads += ReadBytes(kQueue + "\\" + base + ".q0");
  }
  for (const Bounce& bounce : marked) {
    EXPECT_TRUE(bodies.count(CrLfLines(bounce.sentBody))) << bounce.sentSubject;
    EXPECT_NE(heads.find("\r\nSubject: " + bounce.sentSubject + "\r\n"), std::string::npos);
  }

  EXPECT_EQ(ReadBytes(kMail + "\\a.cnm"), "decoy");
  EXPECT_EQ(ReadBytes(kBounces + "\\keep\\victim.cnm"), "victim");

  testsupport::RemoveTree(kBounces);
  ExpectClean();
}

// A queue folder that is missing or takes no file, or a folder where the
// first pair is to be written (no later bounce would change that): reported,
// and nothing is rebuilt, so the bounces wait unchanged for the next run.
TEST_F(RequeueRun, FolderThatCannotTakeAPairIsReported) {
  const std::string first = samples::MakeBounce(7).bytes, second = samples::MakeBounce(8).bytes;
  WriteBytes(kBounces + "\\a.cnm", first);
  WriteBytes(kBounces + "\\b.cnm", second);
  auto expectUnchanged = [&](const std::string& reported) {
    ExpectReport(reported);
    EXPECT_EQ(ReadBytes(kBounces + "\\a.cnm"), first);
    EXPECT_EQ(ReadBytes(kBounces + "\\b.cnm"), second);
    EXPECT_EQ(FileNames(kQueue), Names{});
  };
  testsupport::RemoveTree(kQueue);
  expectUnchanged("cannot use the queue folder " + kQueue + ": ");
  testsupport::MakeFolders(kQueue);
#ifndef _WIN32  // a Windows folder's read-only attribute does not stop a new file
  if (testsupport::SetUndeletable(kQueue, true)) {
    expectUnchanged("cannot use the queue folder " + kQueue + ": ");
    testsupport::SetUndeletable(kQueue, false);
  }
#endif
  testsupport::MakeFolders(kBounces + "\\WWWWWW-000.q0");
  expectUnchanged("WWWWWW-000.q0: ");
  testsupport::RemoveTree(kBounces + "\\WWWWWW-000.q0");
  ExpectClean();
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
    ExpectReport("cannot delete " + kBounces + "\\stuck.cnm: ");
    EXPECT_EQ(FileNames(kBounces), Names{"stuck.cnm"});
    EXPECT_EQ(QueuedBases().size(), 2u);
  }
  testsupport::SetUndeletable(kBounces + "\\stuck.cnm", false);
  EXPECT_EQ(ReadBytes(kBounces + "\\stuck.cnm"), stuck);
}

TEST_F(RequeueRun, LeftoverPlaceholdersAreDiscarded) {
  WriteBytes(kBounces + "\\wwwwww.q0", "RELI_MAILOUT\r\nhalf");
  WriteBytes(kBounces + "\\WWWWWW-012.q1", "staged");
  WriteBytes(kBounces + "\\wwwwww-1.q0", "not ours");
  WriteBytes(kBounces + "\\WWWWWW.Q1", "half");
  WriteBytes(kBounces + "\\wwwwww.q2", "not a placeholder");
  WriteBytes(kBounces + "\\none.cnm", samples::MakeBounce(1, {.marker = Marker::kNone}).bytes);

  ExpectClean();
  EXPECT_EQ(FileNames(kBounces), (Names{"none.cnm", "wwwwww-1.q0", "wwwwww.q2"}));
  EXPECT_EQ(FileNames(kQueue), Names{});
}

TEST_F(RequeueRun, SecondRunMeanwhileLeavesTheFolderAlone) {
  WriteBytes(kBounces + "\\a.cnm", samples::MakeBounce(10).bytes);
  {
    RunLock running;
    ASSERT_TRUE(running.TryAcquire(kBounces));
    ExpectClean();
    EXPECT_EQ(FileNames(kBounces), Names{"a.cnm"});
    EXPECT_EQ(FileNames(kQueue), Names{});
  }
  ExpectClean();
  EXPECT_EQ(FileNames(kBounces), Names{});
}

}  // namespace
}  // namespace ndr
