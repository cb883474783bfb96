// The actions on selected messages, the folder choices and the programs the
// window starts, on real files of the bounce folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desk.h"
#include "fake_toolkit.h"
#include "grid.h"

namespace ndr {
namespace {

using Names = std::vector<std::string>;
using testsupport::FileNames;
const std::string kBounces = "P:\\Diverido\\Mail\\~Bounces";

class ActionsTest : public ::testing::Test {
 protected:
  ActionsTest() : desk_(toolkit_, grid_) { desk_.SelectStartupChoices(); }
  ~ActionsTest() override { testsupport::RemoveTree("P:\\Diverido"); }

  // Lays the bounce folder (a name ending in "\" is a subfolder), loads the
  // grid and sorts it by name, so that row i holds the i-th name in order.
  void Load(const Names& names) {
    std::vector<testsupport::TreeEntry> entries;
    for (const auto& name : names)
      entries.emplace_back(name, name.back() == '\\' ? "" : test::Bounce(name));
    testsupport::BuildTree(kBounces, entries);
    desk_.FinishStartup();
    SortByName();
  }
  void SortByName() {
    grid_.SetMouseCell(0, 1);
    desk_.MSFlexGrid1_MouseDown(1, 0, 0, 0);
  }
  Names Rows() const {
    Names names;
    for (std::int32_t r = 1; r < grid_.Rows(); ++r)
      names.emplace_back(grid_.TextMatrix(r, 1));
    return names;
  }
  void SelectRows(std::int32_t anchor, std::int32_t other) { grid_.Select(anchor, 3, other, 5); }
  std::string Selection() const {
    return std::to_string(grid_.Row()) + "," + std::to_string(grid_.Col()) + "-" +
           std::to_string(grid_.RowSel()) + "," + std::to_string(grid_.ColSel());
  }

  test::FakeToolkit toolkit_;
  Grid grid_;
  Desk desk_;
};

TEST_F(ActionsTest, DeleteTakesTheSelectedDataRowsOnly) {
  Load({"a.cnm", "b.cnm", "c.cnm", "d.cnm", "e.cnm", "f.cnm"});
  SelectRows(0, 0);  // the header row alone: nothing to delete
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(FileNames(kBounces).size(), 6u);
  EXPECT_EQ(Selection(), "0,0-0,0");
  SelectRows(5, 2);  // anchor below
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(FileNames(kBounces), (Names{"a.cnm", "f.cnm"}));
  EXPECT_EQ(Rows(), (Names{"a.cnm", "f.cnm"}));
  EXPECT_EQ(grid_.TextMatrix(0, 1), "Name:+");  // marks and order stay
  EXPECT_EQ(Selection(), "0,0-0,0");

  // From the header row down: the first data row on. Other keys are the
  // grid's; the Delete key's release does what the menu does.
  SelectRows(0, 1);
  desk_.MSFlexGrid1_KeyUp(45, 0);
  EXPECT_EQ(FileNames(kBounces).size(), 2u);
  desk_.MSFlexGrid1_KeyUp(46, 0);
  EXPECT_EQ(Rows(), Names{"f.cnm"});
  EXPECT_EQ(FileNames(kBounces), Names{"f.cnm"});
}

TEST_F(ActionsTest, DeletingQueuePairs) {
  Load({"abc.q0", "abc.q1", "def.Q0", "def.q1", "ghi.q1", "ghi.q0"});
  // Rows: abc.q0 abc.q1 def.Q0 def.q1 ghi.q0 ghi.q1
  SelectRows(1, 1);
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(FileNames(kBounces), (Names{"def.Q0", "def.q1", "ghi.q0", "ghi.q1"}));
  // The partner's own row has lost its file, yet was not selected: it stays.
  EXPECT_EQ(Rows().front(), "abc.q1");

  SelectRows(2, 2);  // def.Q0
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(FileNames(kBounces), (Names{"ghi.q0", "ghi.q1"}));

  SelectRows(5, 5);  // ghi.q1 alone
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(FileNames(kBounces), Names{"ghi.q0"});
  EXPECT_EQ(Rows(), (Names{"abc.q1", "def.q1", "ghi.q0"}));
}

TEST_F(ActionsTest, RowsWhoseFileStaysStayListed) {
  Load({"a.cnm", "b.cnm", "c.cnm"});
  // b.cnm becomes a folder that no file deletion can remove.
  testsupport::RemoveTree(kBounces + "\\b.cnm");
  testsupport::MakeFolders(kBounces + "\\b.cnm\\inside");
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(Rows(), Names{"b.cnm"});
  EXPECT_TRUE(FileNames(kBounces).empty());

  // No Errors folder: nothing moves, so every row stays.
  testsupport::WriteBytes(kBounces + "\\d.cnm", "x\r\n");
  desk_.LoadFolder();
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBErrore_Click();
  EXPECT_EQ(Rows().size(), 1u);
  EXPECT_EQ(FileNames(kBounces), Names{"d.cnm"});
  EXPECT_EQ(Selection(), "0,0-0,0");
}

TEST_F(ActionsTest, DeletingEveryRowLeavesTheEmptyGrid) {
  Load({"a.cnm", "b.cnm"});
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBFlag_Click();
  desk_.MnuPOPBDelete_Click();
  EXPECT_TRUE(FileNames(kBounces).empty());
  ASSERT_EQ(grid_.Rows(), 2);
  EXPECT_EQ(grid_.TextMatrix(1, 0), "001");
  EXPECT_EQ(grid_.CellPictureAt(1, 3), kNoPicture);
  EXPECT_EQ(grid_.TextMatrix(0, 1), "Name: ");  // a fresh grid: no mark
}

TEST_F(ActionsTest, ThePlaceholderRowNamesNoFile) {
  Load({"Wait\\"});
  for (auto action :
       {&Desk::MnuPOPBDelete_Click, &Desk::MnuPOPBHold_Click, &Desk::MnuPOPBRelease_Click}) {
    SelectRows(1, 1);
    (desk_.*action)();
    EXPECT_EQ(FileNames(kBounces + "\\Wait").size(), 0u);
    EXPECT_EQ(grid_.Rows(), 2);
    EXPECT_EQ(grid_.TextMatrix(1, 0), "001");
  }
  testsupport::WriteBytes(kBounces + "\\Wait\\w.cnm", "x");  // both folders still there
  SelectRows(1, 1);
  desk_.MnuPOPBMagic1_Click();
  ASSERT_EQ(toolkit_.started.size(), 1u);
  EXPECT_EQ(toolkit_.started[0].commandLine, "EditPad.exe " + kBounces + "\\");
}

TEST_F(ActionsTest, MovesGoToTheirQueues) {
  Load({"Errors\\", "Wait\\", "Local\\", "A.cnm", "b.cnm", "c.q0", "c.q1", "d.cnm"});
  // Rows: A.cnm b.cnm c.q0 c.q1 d.cnm
  SelectRows(1, 1);
  desk_.MnuPOPBErrore_Click();
  EXPECT_EQ(FileNames(kBounces + "\\Errors"), Names{"a.cnm"});  // lower-cased
  SelectRows(2, 2);  // c.q0 takes its partner along; the c.q1 row stays
  desk_.MnuPOPBHold_Click();
  EXPECT_EQ(FileNames(kBounces + "\\Wait"), (Names{"c.q0", "c.q1"}));
  EXPECT_EQ(Rows(), (Names{"b.cnm", "c.q1", "d.cnm"}));
  SelectRows(1, 1);
  desk_.MnuPOPBMove4_Click();
  EXPECT_EQ(FileNames(kBounces + "\\Local"), Names{"b.cnm"});

  // Release from the wait queue back into the bounce folder.
  desk_.Option3_Click(2);
  SortByName();  // the .q0 row first: a .q1 row moved first would go alone
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBRelease_Click();
  EXPECT_TRUE(FileNames(kBounces + "\\Wait").empty());
  EXPECT_EQ(FileNames(kBounces), (Names{"c.q0", "c.q1", "d.cnm"}));
}

// Moved alone, a body would leave its head behind, and the head would later
// arrive under a name of its own, without it.
TEST_F(ActionsTest, ABodyOnlyMovesWithItsHead) {
  Load({"Wait\\", "c.q0", "c.q1"});
  SelectRows(2, 2);  // the body's row alone
  desk_.MnuPOPBHold_Click();
  EXPECT_EQ(FileNames(kBounces), (Names{"c.q0", "c.q1"}));
  EXPECT_EQ(Rows(), (Names{"c.q0", "c.q1"}));
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBHold_Click();
  EXPECT_EQ(FileNames(kBounces + "\\Wait"), (Names{"c.q0", "c.q1"}));
}

TEST_F(ActionsTest, UnFlagClearsOnlyItsOwnMark) {
  Load({"a.cnm", "b.cnm", "c.cnm", "d.cnm"});
  constexpr PictureHandle kOther = 77;
  grid_.Select(4, 3, 4, 3);
  grid_.SetCellPicture(kOther);
  SelectRows(3, 0);  // takes in the header row
  desk_.MnuPOPBFlag_Click();
  EXPECT_EQ(Selection(), "1,3-3,5");  // the range now starts at the first data row
  SelectRows(2, 4);
  desk_.MnuPOPBUnFlag_Click();
  EXPECT_EQ(grid_.CellPictureAt(1, 3), test::FakeToolkit::kFlag);
  EXPECT_EQ(grid_.CellPictureAt(3, 3), kNoPicture);
  EXPECT_EQ(grid_.CellPictureAt(4, 3), kOther);
  EXPECT_EQ(Selection(), "2,3-4,5");
}

TEST_F(ActionsTest, ViewersStartTheEditorPerFile) {
  Load({"abc.q0", "abc.q1", "x.cnm"});
  desk_.MnuPOPBSelectAll_Click();
  toolkit_.startSucceeds = false;  // no editor: the next row is still handled
  desk_.MnuPOPBMagic2_Click();
  Names lines;
  for (const auto& launch : toolkit_.started)
    lines.push_back(launch.commandLine);
  EXPECT_EQ(lines,
            (Names{"EditPad.exe " + kBounces + "\\abc.q0", "EditPad.exe " + kBounces + "\\abc.q1",
                   "EditPad.exe " + kBounces + "\\abc.q1", "EditPad.exe " + kBounces + "\\x.cnm"}));
  EXPECT_EQ(toolkit_.started[0].argv.at(1), NativePath(kBounces + "\\abc.q0"));
}

TEST_F(ActionsTest, EachChoiceComposesTheFolder) {
  Load({});
  desk_.Option3_Click(2);
  desk_.Option1_Click(2);
  EXPECT_EQ(desk_.CurrentFolder(), "P:\\Zizaruz2\\Mail\\~Bounces\\Wait");
  desk_.Option3_Click(1);
  EXPECT_EQ(desk_.CurrentFolder(), "P:\\Zizaruz2\\Mail\\~Bounces");
  // Indices the groups do not have change nothing.
  const int scans = toolkit_.scans;
  desk_.Option1_Click(3);
  desk_.Option2_Click(1);
  desk_.Option3_Click(0);
  EXPECT_EQ(desk_.CurrentFolder(), "P:\\Zizaruz2\\Mail\\~Bounces");
  EXPECT_EQ(toolkit_.scans, scans);
}

// A file chosen in the dialog names the extra folder by its first subfolder
// below the bounce folder; one outside it leaves the box open and empty.
TEST_F(ActionsTest, TheDialogTakesTheFilesSubfolder) {
  Load({});
  const struct {
    std::string answer, caption;
    bool boxOpen;
  } cases[] = {{kBounces + "\\Local\\Sub\\x.cnm", "\\Local", false},
               {"P:\\Pmail\\Mail\\_Bounces\\Inbox\\y.cnm", "\\Local", true},
               {"p:\\diverido\\mail\\~bounces\\Wait\\z.cnm", "\\Wait", false}};
  for (const auto& c : cases) {
    desk_.Frame3_DblClick();
    desk_.txt_DIR_Change("typed");
    toolkit_.dialogAnswer = c.answer;
    desk_.txt_DIR_DblClick();
    EXPECT_EQ(desk_.Option3Caption(4), c.caption) << c.answer;
    EXPECT_EQ(desk_.DirBoxVisible(), c.boxOpen) << c.answer;
    EXPECT_EQ(desk_.DirBoxText(), c.boxOpen ? "" : c.caption) << c.answer;
  }
}

TEST_F(ActionsTest, BatchProgramsStartOnTheFolderShownAndTheGridReloads) {
  Load({});
  toolkit_.startSucceeds = false;  // a failure changes nothing
  desk_.MnuSApps_Click(1);
  ASSERT_EQ(toolkit_.started.size(), 1u);
  EXPECT_EQ(toolkit_.started[0].commandLine, "ndr_Requeue.exe " + kBounces);
  EXPECT_EQ(toolkit_.started[0].argv, (Names{"ndr_Requeue", NativePath(kBounces)}));
  EXPECT_EQ(toolkit_.scans, 2);

  // A program beside the viewer is preferred to one on the PATH.
#ifdef _WIN32
  const std::string beside = OwnProgramFolder() + "\\ndr_Carry";
#else
  const std::string beside = OwnProgramFolder() + "/ndr_Carry";
#endif
  testsupport::WriteBytes(beside, "#");
  desk_.Option3_Click(2);
  desk_.MnuSApps_Click(2);
  testsupport::RemoveTree(beside);
  EXPECT_EQ(toolkit_.started[1].commandLine, "ndr_Carry.exe " + kBounces + "\\Wait");
  EXPECT_EQ(toolkit_.started[1].argv.at(0), beside);
  EXPECT_EQ(toolkit_.scans, 4);
}

}  // namespace
}  // namespace ndr
