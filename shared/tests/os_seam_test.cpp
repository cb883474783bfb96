// The seam under the platform layer: counting, injected failures and the
// kill point, on the shared utilities themselves.
#include "os_seam.h"

#include <gtest/gtest.h>

#include <set>

#include "folder_listing.h"
#include "platform.h"
#include "safe_rename.h"
#include "test_support.h"
#include "text_file.h"

namespace ndr {
namespace {

using testsupport::FileNames;
using testsupport::ReadBytes;
using Names = std::vector<std::string>;

const std::string kRoot = "P:\\seam-tests";
const std::string kFrom = kRoot + "\\from";
const std::string kTo = kRoot + "\\to";

bool WriteLine(const std::string& name) {
  LineWriter writer;
  return writer.Open(FsPath(kFrom, name)) && writer.WriteLine("hello") && writer.Close();
}

// Writes a file through the line writer and reads it back through the reader.
bool WriteAndReadBack(const std::string& name) {
  if (!WriteLine(name)) {
    return false;
  }
  LineReader reader;
  std::string line;
  return reader.Open(FsPath(kFrom, name)) && reader.ReadLine(line, 100) && line == "hello";
}

TEST(OsSeam, CountsEveryCallOnlyWhileArmed) {
  testsupport::BuildTree(kRoot, {{"from\\", ""}});
  OsCallScript script;
  {
    ScopedOsCallHook armed(script);
    ASSERT_TRUE(WriteAndReadBack("a.txt"));
  }
  // open, one write (the buffer), close; open, two reads (the line, the end), close.
  EXPECT_EQ(script.CallsOf(OsCall::kOpenWrite), 1u);
  EXPECT_EQ(script.CallsOf(OsCall::kWrite), 1u);
  EXPECT_EQ(script.CallsOf(OsCall::kOpenRead), 1u);
  EXPECT_EQ(script.CallsOf(OsCall::kClose), 2u);
  EXPECT_GE(script.CallsOf(OsCall::kRead), 1u);
  const std::uint64_t calls = script.Calls();
  EXPECT_TRUE(WriteAndReadBack("b.txt"));  // unarmed: not counted
  EXPECT_EQ(script.Calls(), calls);
  EXPECT_EQ(CurrentOsCallHook(), nullptr);
}

// Every call of a write (open, the buffer's write, close) fails in turn,
// with every error: the writer reports each one, and a later clean run works.
TEST(OsSeam, EachCallFailsInTurnWithEachError) {
  testsupport::BuildTree(kRoot, {{"from\\", ""}});
  OsCallScript counting;
  {
    ScopedOsCallHook armed(counting);
    ASSERT_TRUE(WriteLine("count.txt"));
  }
  EXPECT_EQ(counting.Calls(), 3u);
  for (std::uint64_t n = 1; n <= counting.Calls(); ++n) {
    for (OsFault fault : kAllFaults) {
      OsCallScript script;
      script.failAt = n;
      script.fault = fault;
      bool ok;
      {
        ScopedOsCallHook armed(script);
        ok = WriteLine("f.txt");
      }
      EXPECT_TRUE(script.Injected());
      EXPECT_FALSE(ok) << "call " << n << " " << OsFaultName(fault);
      EXPECT_TRUE(WriteAndReadBack("f.txt"));
    }
  }
}

TEST(OsSeam, AnInjectedFailureSetsTheSystemsCodeAndTouchesNothing) {
  testsupport::BuildTree(kRoot, {{"from\\a.cnm", "a"}, {"to\\", ""}});
  for (OsFault fault : kAllFaults) {
    OsCallScript script;
    script.failAt = 1;
    script.fault = fault;
    ScopedOsCallHook armed(script);
    OsError error;
    EXPECT_FALSE(RemoveFile(FsPath(kFrom, "a.cnm"), &error));
    EXPECT_EQ(error.code, OsFaultCode(fault));
    EXPECT_EQ(IsNoSuchFile(error), fault == OsFault::kNoSuchFile);
    EXPECT_EQ(IsNameTaken(error), fault == OsFault::kNameExists);
  }
  EXPECT_EQ(ReadBytes(kFrom + "\\a.cnm"), "a");
}

// The pair move fails at each of its calls with each error: the pair is
// never split in the target (no ".q0" without its ".q1"), and no file is
// lost or doubled.
TEST(OsSeam, APairMoveFailingAnywhereKeepsThePairWhole) {
  const std::vector<testsupport::TreeEntry> tree{
      {"from\\WWWWWW.q0", "head"}, {"from\\WWWWWW.q1", "body"}, {"to\\", ""}};
  testsupport::BuildTree(kRoot, tree);
  OsCallScript counting;
  {
    ScopedOsCallHook armed(counting);
    ASSERT_TRUE(SafeRename(kFrom, kTo, "WWWWWW.q0"));
  }
  int runs = 0;
  for (std::uint64_t n = 1; n <= counting.Calls(); ++n) {
    for (OsFault fault : kAllFaults) {
      testsupport::BuildTree(kRoot, tree);
      RestartCollisionNames();
      OsCallScript script;
      script.failAt = n;
      script.fault = fault;
      bool moved;
      {
        ScopedOsCallHook armed(script);
        moved = SafeRename(kFrom, kTo, "WWWWWW.q0");
      }
      ++runs;
      const Names from = FileNames(kFrom), to = FileNames(kTo);
      if (moved) {
        ASSERT_EQ(to.size(), 2u) << n << " " << OsFaultName(fault);
        EXPECT_EQ(ReadBytes(kTo + "\\" + to[0]), "head");
        EXPECT_EQ(ReadBytes(kTo + "\\" + to[1]), "body");
        EXPECT_EQ(from, Names{});
      } else {
        EXPECT_EQ(from, (Names{"WWWWWW.q0", "WWWWWW.q1"})) << n << " " << OsFaultName(fault);
        EXPECT_EQ(to, Names{}) << n << " " << OsFaultName(fault);
      }
    }
  }
  EXPECT_EQ(runs, static_cast<int>(counting.Calls()) * 5);
}

// Frozen at the kill point: nothing after it reaches the disk, even what
// destructors would flush.
TEST(OsSeam, AFrozenDiskKeepsWhatTheKillLeft) {
  testsupport::BuildTree(kRoot, {{"from\\", ""}});
  OsCallScript script;
  script.killAfter = 1;  // right after the file was created
  script.killMode = OsCallScript::KillMode::kFreezeDisk;
  {
    ScopedOsCallHook armed(script);
    LineWriter writer;
    ASSERT_TRUE(writer.Open(FsPath(kFrom, "a.txt")));
    EXPECT_TRUE(writer.WriteLine("buffered, never written"));
  }
  EXPECT_TRUE(script.Killed());
  EXPECT_EQ(FileNames(kFrom), Names{"a.txt"});
  EXPECT_EQ(ReadBytes(kFrom + "\\a.txt"), "");
}

// A real kill in another process, after each call in turn: whatever was
// written before the kill point is on disk, nothing after it.
TEST(OsSeam, EndsTheProcessRightAfterTheChosenCall) {
  const std::vector<std::string> expected[] = {
      {},                                // killed after nothing (a clean run)
      {"a.txt="},                        // after creating a.txt
      {"a.txt=first;"},                  // after its first write
      {"a.txt=first;second"},            // after its second write
      {"a.txt=first;second"},            // after its close
      {"a.txt=first;second", "b.txt="},  // after creating b.txt
  };
  for (std::uint64_t n = 1; n <= 5; ++n) {
    testsupport::BuildTree(kRoot + "\\killed", {});
    testsupport::ProgramResult result =
        testsupport::RunProgram(NDR_SEAM_KILL_HELPER, {std::to_string(n)});
    EXPECT_EQ(result.exitCode, kKilledExitStatus) << n;
    std::vector<std::string> seen;
    for (const std::string& name : FileNames(kRoot + "\\killed")) {
      seen.push_back(name + "=" + ReadBytes(kRoot + "\\killed\\" + name));
    }
    EXPECT_EQ(seen, expected[n]) << n;
  }
  testsupport::BuildTree(kRoot + "\\killed", {});
  EXPECT_EQ(testsupport::RunProgram(NDR_SEAM_KILL_HELPER, {"0"}).exitCode, 0);
  EXPECT_EQ(FileNames(kRoot + "\\killed"), (Names{"a.txt", "b.txt"}));
}

}  // namespace
}  // namespace ndr
