// The seam under the platform layer: injected failures and the kill point.
// Every call of the programs failed in turn is the fault runs' work.
#include "os_seam.h"

#include <gtest/gtest.h>

#include "platform.h"
#include "test_support.h"
#include "text_file.h"

namespace ndr {
namespace {

using testsupport::FileNames;
using testsupport::ReadBytes;
using Names = std::vector<std::string>;

const std::string kRoot = "P:\\seam-tests";

TEST(OsSeam, AnInjectedFailureSetsTheSystemsCodeAndTouchesNothing) {
  testsupport::BuildTree(kRoot, {{"a.cnm", "a"}});
  for (OsFault fault : kAllFaults) {
    OsCallScript script;
    script.failAt = 1;
    script.fault = fault;
    ScopedOsCallHook armed(script);
    OsError error;
    EXPECT_FALSE(RemoveFile(FsPath(kRoot, "a.cnm"), &error));
    EXPECT_EQ(error.code, OsFaultCode(fault));
    EXPECT_EQ(IsNoSuchFile(error), fault == OsFault::kNoSuchFile);
    EXPECT_EQ(IsNameTaken(error), fault == OsFault::kNameExists);
  }
  EXPECT_EQ(CurrentOsCallHook(), nullptr);
  EXPECT_EQ(ReadBytes(kRoot + "\\a.cnm"), "a");
}

// Frozen at the kill point: nothing after it reaches the disk, even what
// destructors would flush.
TEST(OsSeam, AFrozenDiskKeepsWhatTheKillLeft) {
  testsupport::BuildTree(kRoot, {});
  OsCallScript script;
  script.killAfter = 1;  // right after the file was created
  script.killMode = OsCallScript::KillMode::kFreezeDisk;
  {
    ScopedOsCallHook armed(script);
    LineWriter writer;
    ASSERT_TRUE(writer.Open(FsPath(kRoot, "a.txt")));
    EXPECT_TRUE(writer.WriteLine("buffered, never written"));
  }
  EXPECT_TRUE(script.Killed());
  EXPECT_EQ(FileNames(kRoot), Names{"a.txt"});
  EXPECT_EQ(ReadBytes(kRoot + "\\a.txt"), "");
}

// A real kill in another process, after each call in turn: whatever was
// written before the kill point is on disk, nothing after it.
TEST(OsSeam, EndsTheProcessRightAfterTheChosenCall) {
  const std::string killed = kRoot + "\\killed";
  const std::vector<std::string> expected[] = {
      {"a.txt=first;second", "b.txt=first;second"},  // never killed
      {"a.txt="},                                    // after creating a.txt
      {"a.txt=first;"},                              // after its first write
      {"a.txt=first;second"},                        // after its second write
      {"a.txt=first;second"},                        // after its close
      {"a.txt=first;second", "b.txt="},              // after creating b.txt
  };
  for (std::uint64_t n = 0; n <= 5; ++n) {
    testsupport::BuildTree(killed, {});
    testsupport::ProgramResult result =
        testsupport::RunProgram(NDR_TEST_HELPER, {"kill", std::to_string(n)});
    EXPECT_EQ(result.exitCode, n == 0 ? 0 : kKilledExitStatus) << n;
    std::vector<std::string> seen;
    for (const std::string& name : FileNames(killed)) {
      seen.push_back(name + "=" + ReadBytes(killed + "\\" + name));
    }
    EXPECT_EQ(seen, expected[n]) << n;
  }
}

}  // namespace
}  // namespace ndr
