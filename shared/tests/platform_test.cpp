#include "platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ndr_config.h"
#include "test_support.h"

namespace ndr {
namespace {

const std::string kRoot = "P:\\platform-tests";

TEST(NativePath, MapsDrivePathsUnderTheDrivesFolder) {
#ifdef _WIN32
  EXPECT_EQ(NativePath("P:\\Diverido\\Mail"), "P:\\Diverido\\Mail");
#else
  const std::string drives = NDR_DRIVES;
  EXPECT_EQ(NativePath("P:\\Diverido\\Mail\\~Bounces"), drives + "/p:/Diverido/Mail/~Bounces");
  EXPECT_EQ(NativePath("p:\\x"), drives + "/p:/x");
  EXPECT_EQ(NativePath("P:"), drives + "/p:");
  EXPECT_EQ(NativePath("P:x"), drives + "/p:/x");
  EXPECT_EQ(NativePath("relative\\a.cnm"), "relative/a.cnm");
  EXPECT_EQ(NativePath("/tmp/a"), "/tmp/a");
  EXPECT_EQ(NativePath("1:\\a"), "1:/a");  // not a drive letter
#endif
}

TEST(FileTests, TellFilesFoldersAndHiddenFilesApart) {
  testsupport::BuildTree(kRoot, {{"a.cnm", "12345"}, {"sub\\", ""}, {".hidden.cnm", "x"}});
  EXPECT_TRUE(OrdinaryFileExists(kRoot + "\\a.cnm"));
  EXPECT_FALSE(OrdinaryFileExists(kRoot + "\\sub"));
  EXPECT_FALSE(OrdinaryFileExists(kRoot + "\\missing.cnm"));
  EXPECT_TRUE(FolderExists(kRoot + "\\sub"));
  EXPECT_FALSE(FolderExists(kRoot + "\\a.cnm"));
  EXPECT_TRUE(PathExists(kRoot + "\\sub"));
#ifndef _WIN32
  EXPECT_FALSE(OrdinaryFileExists(kRoot + "\\.hidden.cnm"));
#endif
  std::uint64_t length = 0;
  EXPECT_TRUE(FileLength(kRoot + "\\a.cnm", length));
  EXPECT_EQ(length, 5u);
  OsError error;
  EXPECT_FALSE(FileLength(kRoot + "\\missing.cnm", length, &error));
  EXPECT_NE(error.code, 0);
  EXPECT_FALSE(RemoveFile(kRoot + "\\missing.cnm", &error));
  EXPECT_TRUE(CreateFolder(kRoot + "\\new"));
  EXPECT_FALSE(CreateFolder(kRoot + "\\new", &error));
}

// The started program runs on its own; the caller only learns that it began.
TEST(StartProgram, StartsWithoutWaitingAndReportsAMissingProgram) {
  testsupport::BuildTree(kRoot, {});
  ProgramLaunch launch;
  launch.commandLine = "no-such-program-here.exe";
  launch.argv = {"/no/such/program"};
  OsError error;
  EXPECT_FALSE(StartProgram(launch, &error));
  EXPECT_NE(error.code, 0);

  launch.commandLine = "\"" + std::string(NDR_SHARED_HELPER) + "\" marker";
  launch.argv = {NDR_SHARED_HELPER, "marker"};
#ifdef _WIN32
  if (launch.commandLine[1] == '/') {  // a build path seen through Wine's drive Z:
    launch.commandLine = "\"Z:" + std::string(NDR_SHARED_HELPER) + "\" marker";
  }
#endif
  ASSERT_TRUE(StartProgram(launch, &error)) << error.Describe();
  bool seen = false;
  for (int i = 0; i < 200 && !seen; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    seen = testsupport::FileExists(kRoot + "\\marker");
  }
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace ndr
