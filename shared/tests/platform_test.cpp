#include "platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "os_seam.h"
#include "test_support.h"
#include "text_file.h"
#include "wide_text.h"

namespace ndr {
namespace {

using testsupport::FileNames;
using testsupport::ReadBytes;
using Names = std::vector<std::string>;

const std::string kRoot = "P:\\platform-tests";

// Sets the drive root for one test and puts the test root back afterwards.
class DriveRootFor {
 public:
  explicit DriveRootFor(std::string root, std::string letters = {}) : saved_(DriveRoot()) {
    SetDriveRoot(std::move(root), std::move(letters));
  }
  ~DriveRootFor() { SetDriveRoot(saved_, "P"); }

 private:
  std::string saved_;
};

// Every UTF-16 text, a lone surrogate too, comes back unchanged; each byte
// that begins no UTF-8 sequence (overlong, cut short, past U+10FFFF) is U+FFFD.
TEST(WideText, ConvertsBothWaysWithoutLoss) {
  const struct {
    std::string utf8;
    std::wstring wide;
  } cases[] = {{"", L""},
               {"a b.cnm", L"a b.cnm"},
               {"Жук.cnm", {0x416, 0x443, 0x43A, L'.', L'c', L'n', L'm'}},
               {"\xF0\x9F\x90\x9E", {wchar_t(0xD83D), wchar_t(0xDC1E)}},
               {"\xED\xA0\xBDx", {wchar_t(0xD83D), L'x'}},
               {"x\xED\xB0\x9E", {L'x', wchar_t(0xDC1E)}}};
  for (const auto& [utf8, wide] : cases) {
    EXPECT_EQ(WideFromUtf8(utf8), wide) << utf8;
    EXPECT_EQ(Utf8FromWide(wide), utf8) << utf8;
  }
  for (const char* bad : {"\xE9", "\xC0\xAF", "\xE2\x82", "\xF4\x90\x80\x80", "\x80"})
    EXPECT_EQ(WideFromUtf8(bad), std::wstring(std::strlen(bad), wchar_t(0xFFFD))) << bad;
}

TEST(NativePath, MapsTheFolderAndAppendsTheNameAsItIs) {
#ifdef _WIN32
  {
    DriveRootFor none("");
    EXPECT_EQ(NativePath("P:\\Diverido\\Mail"), "P:\\Diverido\\Mail");
    EXPECT_EQ(NativePath(FsPath("P:\\Mail", "a b.cnm")), "P:\\Mail\\a b.cnm");
  }
  DriveRootFor root("C:\\t");
  EXPECT_EQ(NativePath("P:\\Diverido\\Mail"), "C:\\t\\p\\Diverido\\Mail");
  EXPECT_EQ(NativePath(FsPath("P:\\Mail", "x.cnm")), "C:\\t\\p\\Mail\\x.cnm");
  EXPECT_EQ(NativePath("relative\\a.cnm"), "relative\\a.cnm");
  DriveRootFor onlyP("C:\\t", "P");
  EXPECT_EQ(NativePath("p:\\x"), "C:\\t\\p\\x");
  EXPECT_EQ(NativePath("Z:\\build\\x"), "Z:\\build\\x");
#else
  DriveRootFor root("/t");
  EXPECT_EQ(NativePath("P:\\Diverido\\Mail\\~Bounces"), "/t/p:/Diverido/Mail/~Bounces");
  EXPECT_EQ(NativePath("p:\\x"), "/t/p:/x");
  EXPECT_EQ(NativePath("P:"), "/t/p:");
  EXPECT_EQ(NativePath("P:x"), "/t/p:/x");
  EXPECT_EQ(NativePath("relative\\a.cnm"), "relative/a.cnm");
  EXPECT_EQ(NativePath("/tmp/a"), "/tmp/a");
  EXPECT_EQ(NativePath("1:\\a"), "1:/a");  // not a drive letter
  // The name is one entry's: a backslash in it is a byte of the name.
  EXPECT_EQ(NativePath(FsPath("P:\\Wait", "..\\a.cnm")), "/t/p:/Wait/..\\a.cnm");
  EXPECT_EQ(NativePath(FsPath("P:\\Wait\\", "a")), "/t/p:/Wait/a");
#endif
}

// The names a listing can give, with a drive path folder: every file call
// reaches exactly that entry (also past 260 characters and outside the code
// page on Windows), and a name that could reach elsewhere is refused.
TEST(FsPath, EveryCallReachesExactlyTheNamedEntry) {
  const std::vector<std::string> names = testsupport::OddNames();
  const std::string folder = kRoot + "\\odd";
  testsupport::BuildTree(kRoot,
                         {{"a.cnm", "outside"}, {"keep\\victim.cnm", "victim"}, {"odd\\", ""}});
  for (const std::string& name : names) {
    testsupport::WriteBytes(FsPath(folder, name), name);
  }
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const FsPath path(folder, name);
    std::uint64_t length = 0;
    EXPECT_TRUE(PathExists(path));
    EXPECT_EQ(OrdinaryFileExists(path), !IsHiddenName(name));  // POSIX: a dot name is hidden
    ASSERT_TRUE(FileLength(path, length));
    EXPECT_EQ(length, name.size());
    OsFile file;
    ASSERT_TRUE(file.Open(path, OsFile::Mode::kRead));
    std::string bytes(512, '\0');
    bytes.resize(static_cast<std::size_t>(file.Read(bytes.data(), bytes.size())));
    EXPECT_EQ(bytes, name);
    file.Close();
    EXPECT_TRUE(MoveNoReplace(path, FsPath(folder, name + ".moved")));
    EXPECT_TRUE(RemoveFile(FsPath(folder, name + ".moved")));
    EXPECT_FALSE(PathExists(path));
  }
  EXPECT_EQ(testsupport::FileNames(folder), std::vector<std::string>{});
  EXPECT_EQ(testsupport::ReadBytes(kRoot + "\\a.cnm"), "outside");
  EXPECT_EQ(testsupport::ReadBytes(kRoot + "\\keep\\victim.cnm"), "victim");

  for (const char* bad : {"..", ".", "a/b"}) {
    OsError error;
    EXPECT_FALSE(RemoveFile(FsPath(kRoot + "\\odd", bad), &error)) << bad;
    EXPECT_TRUE(IsNoSuchFile(error)) << bad;
  }
  EXPECT_TRUE(FolderExists(kRoot + "\\odd"));
  EXPECT_FALSE(OrdinaryFileExists(kRoot + "\\odd"));
  EXPECT_FALSE(FolderExists(kRoot + "\\a.cnm"));
}

// The started program runs on its own; the caller only learns that it began.
// Its argument arrives as it was given, also outside the code page.
TEST(StartProgram, StartsWithoutWaitingAndReportsAMissingProgram) {
  testsupport::BuildTree(kRoot, {});
  ProgramLaunch launch{"no-such-program-here.exe", {"/no/such/program"}};
  OsError error;
  EXPECT_FALSE(StartProgram(launch, &error));
  EXPECT_NE(error.code, 0);

  launch = testsupport::LaunchOf(NDR_TEST_HELPER, {"start", "marker-Жук"});
  ASSERT_TRUE(StartProgram(launch, &error)) << error.Describe();
  bool seen = false;
  for (int i = 0; i < 200 && !seen; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    seen = testsupport::FileExists(FsPath(kRoot, "marker-Жук"));
  }
  EXPECT_TRUE(seen);
}

// The seam under the platform layer: injected failures and the kill point.
// Every call of the programs failed in turn is the fault runs' work.
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
