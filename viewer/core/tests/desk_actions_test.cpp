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
  // Selects rows anchor to other (Subject to From) and chooses an action.
  void OnRows(std::int32_t anchor, std::int32_t other, void (Desk::*action)()) {
    grid_.Select(anchor, 3, other, 5);
    (desk_.*action)();
  }
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
  OnRows(0, 0, &Desk::MnuPOPBDelete_Click);  // the header row alone: nothing to delete
  EXPECT_EQ(FileNames(kBounces).size(), 6u);
  EXPECT_EQ(Selection(), "0,0-0,0");
  OnRows(5, 2, &Desk::MnuPOPBDelete_Click);  // anchor below
  EXPECT_EQ(FileNames(kBounces), (Names{"a.cnm", "f.cnm"}));
  EXPECT_EQ(Rows(), (Names{"a.cnm", "f.cnm"}));
  EXPECT_EQ(grid_.TextMatrix(0, 1), "Name:+");  // marks and order stay
  EXPECT_EQ(Selection(), "0,0-0,0");

  // From the header row down: the first data row on. Deleting every row
  // leaves a fresh grid: the placeholder, no flag, no mark.
  OnRows(0, 1, &Desk::MnuPOPBDelete_Click);
  EXPECT_EQ(FileNames(kBounces), Names{"f.cnm"});
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBFlag_Click();
  desk_.MnuPOPBDelete_Click();
  EXPECT_TRUE(FileNames(kBounces).empty());
  ASSERT_EQ(grid_.Rows(), 2);
  EXPECT_EQ(grid_.TextMatrix(1, 0), "001");
  EXPECT_EQ(grid_.CellPictureAt(1, 3), kNoPicture);
  EXPECT_EQ(grid_.TextMatrix(0, 1), "Name: ");
}

TEST_F(ActionsTest, DeletingQueuePairs) {
  Load({"abc.q0", "abc.q1", "def.Q0", "def.q1", "ghi.q1", "ghi.q0"});
  // Rows: abc.q0 abc.q1 def.Q0 def.q1 ghi.q0 ghi.q1
  OnRows(1, 1, &Desk::MnuPOPBDelete_Click);
  EXPECT_EQ(FileNames(kBounces), (Names{"def.Q0", "def.q1", "ghi.q0", "ghi.q1"}));
  // The partner's own row has lost its file, yet was not selected: it stays.
  EXPECT_EQ(Rows().front(), "abc.q1");

  OnRows(2, 2, &Desk::MnuPOPBDelete_Click);  // def.Q0
  EXPECT_EQ(FileNames(kBounces), (Names{"ghi.q0", "ghi.q1"}));

  OnRows(5, 5, &Desk::MnuPOPBDelete_Click);  // ghi.q1 alone
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

TEST_F(ActionsTest, ThePlaceholderRowNamesNoFile) {
  Load({"Wait\\"});
  for (auto action :
       {&Desk::MnuPOPBDelete_Click, &Desk::MnuPOPBHold_Click, &Desk::MnuPOPBRelease_Click}) {
    OnRows(1, 1, action);
    EXPECT_EQ(FileNames(kBounces + "\\Wait").size(), 0u);
    EXPECT_EQ(grid_.Rows(), 2);
    EXPECT_EQ(grid_.TextMatrix(1, 0), "001");
  }
  testsupport::WriteBytes(kBounces + "\\Wait\\w.cnm", "x");  // both folders still there
  OnRows(1, 1, &Desk::MnuPOPBMagic1_Click);
  ASSERT_EQ(toolkit_.started.size(), 1u);
  EXPECT_EQ(toolkit_.started[0].commandLine, "EditPad.exe " + kBounces + "\\");
}

// A queue file takes its partner along; a body moved alone would leave its
// head behind, and the head would later arrive under a name of its own.
TEST_F(ActionsTest, MovesGoToTheirQueuesInPairs) {
  Load({"Errors\\", "Wait\\", "A.cnm", "c.q0", "c.q1", "d.cnm"});
  OnRows(1, 1, &Desk::MnuPOPBErrore_Click);
  EXPECT_EQ(FileNames(kBounces + "\\Errors"), Names{"a.cnm"});  // lower-cased
  OnRows(2, 2, &Desk::MnuPOPBHold_Click);  // the body's row alone: nothing moves
  EXPECT_TRUE(FileNames(kBounces + "\\Wait").empty());
  OnRows(1, 1, &Desk::MnuPOPBHold_Click);  // c.q0 takes its partner along; the c.q1 row stays
  EXPECT_EQ(FileNames(kBounces + "\\Wait"), (Names{"c.q0", "c.q1"}));
  EXPECT_EQ(Rows(), (Names{"c.q1", "d.cnm"}));

  desk_.Option3_Click(2);
  SortByName();  // the .q0 row first: a .q1 row moved first would go alone
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBRelease_Click();
  EXPECT_TRUE(FileNames(kBounces + "\\Wait").empty());
  EXPECT_EQ(FileNames(kBounces), (Names{"c.q0", "c.q1", "d.cnm"}));
}

TEST_F(ActionsTest, UnFlagClearsOnlyItsOwnMark) {
  Load({"a.cnm", "b.cnm", "c.cnm", "d.cnm"});
  constexpr PictureHandle kOther = 77;
  grid_.Select(4, 3, 4, 3);
  grid_.SetCellPicture(kOther);
  OnRows(3, 0, &Desk::MnuPOPBFlag_Click);  // takes in the header row
  EXPECT_EQ(Selection(), "1,3-3,5");       // the range now starts at the first data row
  OnRows(2, 4, &Desk::MnuPOPBUnFlag_Click);
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
