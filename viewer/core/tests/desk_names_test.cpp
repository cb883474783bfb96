// The viewer's actions on names that are no paths: each reaches exactly the
// listed entry, whatever its name holds, and nothing else on the drive
// changes; a row whose file has gone moves and deletes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "desk.h"
#include "fake_toolkit.h"
#include "grid.h"
#include "header_text.h"

namespace ndr {
namespace {

const std::string kRoot = "P:\\Diverido";
const std::string kBounces = kRoot + "\\Mail\\~Bounces";
const std::string kWait = kBounces + "\\Wait";

// Names a listing can give; on POSIX also one that climbs out of two folders.
std::vector<std::string> OddNames() {
  std::vector<std::string> names = testsupport::OddNames();
#ifndef _WIN32
  names.push_back("..\\..\\b");
#endif
  return names;
}

// Every file below the remailer folder, by native path, with its bytes;
// listed through the platform layer, which gives names as the programs see
// them (std::filesystem would recode 8-bit names on Windows).
using Snapshot = std::map<std::string, std::string>;
void AddFiles(const std::string& folder, Snapshot& files) {
  FolderReader reader;
  FindEntry entry;
  ASSERT_TRUE(reader.Open(folder));
  while (reader.Next(entry)) {
    if ((entry.dwFileAttributes & kAttributeDirectory) != 0) {
      AddFiles(folder + "\\" + entry.cFileName, files);
    } else {
      const FsPath path(folder, entry.cFileName);
      files[NativePath(path)] = testsupport::ReadBytes(path);
    }
  }
}
Snapshot TakeSnapshot() {
  Snapshot files;
  AddFiles(kRoot, files);
  return files;
}

// The files, with their bytes, of one snapshot that the other lacks.
Snapshot Missing(const Snapshot& from, const Snapshot& in) {
  Snapshot missing;
  std::set_difference(from.begin(), from.end(), in.begin(), in.end(),
                      std::inserter(missing, missing.end()));
  return missing;
}

class NamesTest : public ::testing::Test {
 protected:
  NamesTest() : desk_(toolkit_, grid_) {}
  ~NamesTest() override { testsupport::RemoveTree(kRoot); }

  // The bounce folder with its subfolders, decoys where a name taken for a
  // path would lead, and the odd names in \Wait, each file's subject its name.
  void LayTree() {
    testsupport::BuildTree(kRoot,
                           {{"Mail\\~Bounces\\a.cnm", test::Bounce("decoy a")},
                            {"Mail\\b", test::Bounce("decoy b")},
                            {"Mail\\~Bounces\\Wait\\keep\\victim.cnm", test::Bounce("victim")},
                            {"Mail\\~Bounces\\Errors\\", ""},
                            {"Mail\\~Bounces\\Local\\", ""}});
    for (const std::string& name : OddNames())
      testsupport::WriteBytes(FsPath(kWait, name), test::Bounce(name));
  }
  void ShowWait() {
    desk_.SelectStartupChoices();
    desk_.Option3_Click(2);
    desk_.FinishStartup();
  }
  std::int32_t RowOf(const std::string& name) const {
    for (std::int32_t r = 1; r < grid_.Rows(); ++r) {
      if (grid_.TextMatrix(r, 1) == name)
        return r;
    }
    return -1;
  }
  void Select(std::int32_t row) { grid_.Select(row, 1, row, 1); }

  test::FakeToolkit toolkit_;
  Grid grid_;
  Desk desk_;
};

// Each row shows its own file's header, and every action on a row reaches
// that file alone: deleted, or found again byte for byte in the target
// folder, and no other file of the drive changed.
TEST_F(NamesTest, EachActionReachesExactlyTheListedEntry) {
  struct Action {
    const char* label;
    void (Desk::*click)();
    std::string target;  // "" for Delete
  };
  const std::vector<Action> moves = {{"Delete", &Desk::MnuPOPBDelete_Click, ""},
                                     {"Errore", &Desk::MnuPOPBErrore_Click, kBounces + "\\Errors"},
                                     {"Hold", &Desk::MnuPOPBHold_Click, kWait},
                                     {"Move4", &Desk::MnuPOPBMove4_Click, kBounces + "\\Local"},
                                     {"Release", &Desk::MnuPOPBRelease_Click, kBounces}};
  for (const Action& action : moves) {
    for (const std::string& name : OddNames()) {
      SCOPED_TRACE(std::string(action.label) + " on " + name);
      LayTree();
      ShowWait();
      const std::int32_t row = RowOf(name);
      ASSERT_GT(row, 0);
      // The subject of this very file (shown as UTF-8); a hidden file (a dot
      // name) shows none.
      std::string subject;
      AppendDisplayText(name, subject);
      EXPECT_EQ(grid_.TextMatrix(row, 3), IsHiddenName(name) ? "" : subject);
      const Snapshot before = TakeSnapshot();
      Select(row);
      (desk_.*action.click)();
      const Snapshot after = TakeSnapshot(), gone = Missing(before, after),
                     added = Missing(after, before);
      EXPECT_EQ(RowOf(name), -1);
      ASSERT_EQ(gone.size(), 1u);
      EXPECT_EQ(gone.begin()->first, NativePath(FsPath(kWait, name)));
      if (action.target.empty()) {
        EXPECT_TRUE(added.empty());
        continue;
      }
      ASSERT_EQ(added.size(), 1u);
      const std::string& arrived = added.begin()->first;
      const std::string targetFolder = NativePath(action.target) + kNativeSeparator;
      EXPECT_EQ(arrived.substr(0, targetFolder.size()), targetFolder);
      EXPECT_EQ(arrived.find(kNativeSeparator, targetFolder.size()), std::string::npos);
      EXPECT_EQ(added.begin()->second, test::Bounce(name));
    }
  }
}

// The editor gets the one file as one argument that no program could take
// for an option; nothing on the drive changes.
TEST_F(NamesTest, TheEditorGetsExactlyTheListedFile) {
  LayTree();
  ShowWait();
  const Snapshot before = TakeSnapshot();
  for (const std::string& name : OddNames()) {
    SCOPED_TRACE(name);
    toolkit_.started.clear();
    Select(RowOf(name));
    desk_.MnuPOPBMagic1_Click();
    ASSERT_EQ(toolkit_.started.size(), 1u);
    const ProgramLaunch& launch = toolkit_.started[0];
    ASSERT_EQ(launch.argv.size(), 2u);
    EXPECT_EQ(launch.argv[1], NativePath(FsPath(kWait, name)));
#ifndef _WIN32
    EXPECT_EQ(launch.argv[1].front(), '/');  // never taken for an option
#endif
    const bool blank = name.find(' ') != std::string::npos;
    EXPECT_EQ(launch.commandLine, "EditPad.exe " + std::string(blank ? "\"" : "") + kWait + "\\" +
                                      name + (blank ? "\"" : ""));
  }
  EXPECT_EQ(TakeSnapshot(), before);
}

// A row whose file has gone since the scan acts on nothing: not on a file
// of another case, not on a decoy, and the row stays.
TEST_F(NamesTest, AVanishedFileMovesAndDeletesNothing) {
  testsupport::BuildTree(kRoot, {{"Mail\\~Bounces\\Errors\\", ""}});
  testsupport::WriteBytes(FsPath(kBounces, "GONE.CNM"), test::Bounce("gone"));
#ifndef _WIN32
  testsupport::WriteBytes(FsPath(kBounces, "gone.CNM"), test::Bounce("other"));
#endif
  desk_.SelectStartupChoices();
  desk_.FinishStartup();
  ASSERT_GT(RowOf("GONE.CNM"), 0);
  testsupport::RemoveTree(kRoot + "\\Mail\\~Bounces\\GONE.CNM");
  const Snapshot before = TakeSnapshot();
  for (auto click :
       {&Desk::MnuPOPBErrore_Click, &Desk::MnuPOPBRelease_Click, &Desk::MnuPOPBDelete_Click}) {
    Select(RowOf("GONE.CNM"));
    (desk_.*click)();
    EXPECT_GT(RowOf("GONE.CNM"), 0);
  }
  EXPECT_EQ(TakeSnapshot(), before);
}

}  // namespace
}  // namespace ndr
