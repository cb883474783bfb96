// The actions on selected messages, on real files of the bounce folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "desk.h"
#include "desk_test_support.h"
#include "fake_toolkit.h"
#include "grid.h"

namespace ndr {
namespace {

const std::string kBounces = "P:\\Diverido\\Mail\\~Bounces";

class ActionsTest : public ::testing::Test {
 protected:
  ActionsTest() : desk_(toolkit_, grid_) {
    test::FreshFolder("P:\\Diverido");
    test::FreshFolder(kBounces);
    desk_.SelectStartupChoices();
  }
  ~ActionsTest() override { std::filesystem::remove_all(test::Native("P:\\Diverido")); }

  // Writes the files, loads the grid and sorts it by name, so that row i
  // holds the i-th name in order.
  void Load(const std::vector<std::string>& names) {
    for (const auto& name : names)
      test::WriteBytes(kBounces + "\\" + name, test::Bounce(name));
    desk_.FinishStartup();
    SortByName();
  }
  void SortByName() {
    grid_.SetMouseCell(0, 1);
    desk_.MSFlexGrid1_MouseDown(1, 0, 0, 0);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (std::int32_t r = 1; r < grid_.Rows(); ++r)
      names.emplace_back(grid_.TextMatrix(r, 1));
    return names;
  }
  static std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> files;
    if (!std::filesystem::exists(test::Native(folder)))
      return files;
    for (const auto& entry : std::filesystem::directory_iterator(test::Native(folder))) {
      if (entry.is_regular_file())
        files.insert(entry.path().filename().string());
    }
    return files;
  }
  void SelectRows(std::int32_t anchor, std::int32_t other) {
    grid_.SetRow(anchor);
    grid_.SetCol(3);
    grid_.SetRowSel(other);
    grid_.SetColSel(5);
  }
  void ExpectHeaderCornerSelected() const {
    EXPECT_EQ(grid_.Row(), 0);
    EXPECT_EQ(grid_.Col(), 0);
    EXPECT_EQ(grid_.RowSel(), 0);
    EXPECT_EQ(grid_.ColSel(), 0);
  }

  test::FakeToolkit toolkit_;
  Grid grid_;
  Desk desk_;
};

TEST_F(ActionsTest, DeleteActsOnTheSelectionFromTheTopDown) {
  Load({"a.cnm", "b.cnm", "c.cnm", "d.cnm", "e.cnm", "f.cnm"});
  SelectRows(5, 2);  // anchor below
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(FilesIn(kBounces), (std::set<std::string>{"a.cnm", "f.cnm"}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.cnm", "f.cnm"}));
  EXPECT_EQ(grid_.TextMatrix(0, 1), "Name:+");  // marks and order stay
  ExpectHeaderCornerSelected();

  // A selection that takes in the header row starts at the first data row;
  // releasing the Delete key does what the menu does.
  SelectRows(0, 1);
  desk_.MSFlexGrid1_KeyUp(46, 0);
  EXPECT_EQ(Names(), std::vector<std::string>{"f.cnm"});
  desk_.MSFlexGrid1_KeyUp(45, 0);  // other keys are the grid's
  EXPECT_EQ(FilesIn(kBounces).size(), 1u);
}

TEST_F(ActionsTest, DeletingQueuePairs) {
  Load({"abc.q0", "abc.q1", "def.Q0", "def.q1", "ghi.q1", "ghi.q0"});
  // Rows: abc.q0 abc.q1 def.Q0 def.q1 ghi.q0 ghi.q1
  SelectRows(1, 1);
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(FilesIn(kBounces), (std::set<std::string>{"def.Q0", "def.q1", "ghi.q0", "ghi.q1"}));
  // The partner's own row has lost its file, yet was not selected: it stays.
  EXPECT_EQ(Names().front(), "abc.q1");

  SelectRows(2, 2);  // def.Q0
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(FilesIn(kBounces), (std::set<std::string>{"ghi.q0", "ghi.q1"}));

  SelectRows(5, 5);  // ghi.q1 alone
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(FilesIn(kBounces), std::set<std::string>{"ghi.q0"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"abc.q1", "def.q1", "ghi.q0"}));
}

TEST_F(ActionsTest, RowsWhoseFileStaysStayListed) {
  Load({"a.cnm", "b.cnm", "c.cnm"});
  // b.cnm becomes a folder that no file deletion can remove.
  std::filesystem::remove(test::Native(kBounces + "\\b.cnm"));
  std::filesystem::create_directories(test::Native(kBounces + "\\b.cnm\\inside"));
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(Names(), std::vector<std::string>{"b.cnm"});
  EXPECT_TRUE(FilesIn(kBounces).empty());

  // No Errors folder: nothing moves, so every row stays.
  test::WriteBytes(kBounces + "\\d.cnm", "x\r\n");
  desk_.LoadFolder();
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBErrore_Click();
  EXPECT_EQ(Names().size(), 1u);
  EXPECT_EQ(FilesIn(kBounces), std::set<std::string>{"d.cnm"});
  ExpectHeaderCornerSelected();
}

TEST_F(ActionsTest, DeletingEveryRowLeavesTheEmptyGrid) {
  Load({"a.cnm", "b.cnm"});
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBFlag_Click();
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(grid_.CellPictureAt(1, 3), kNoPicture);
  ASSERT_EQ(grid_.Rows(), 2);
  EXPECT_EQ(grid_.TextMatrix(1, 0), "001");
  EXPECT_EQ(grid_.TextMatrix(0, 1), "Name: ");  // a fresh grid: no mark
  EXPECT_TRUE(FilesIn(kBounces).empty());
  ExpectHeaderCornerSelected();
}

TEST_F(ActionsTest, ThePlaceholderRowNamesNoFile) {
  std::filesystem::create_directories(test::Native(kBounces + "\\Wait"));
  Load({});
  for (auto action :
       {&Desk::MnuPOPBDelete_Click, &Desk::MnuPOPBHold_Click, &Desk::MnuPOPBRelease_Click}) {
    SelectRows(1, 1);
    (desk_.*action)();
    EXPECT_TRUE(std::filesystem::is_directory(test::Native(kBounces + "\\Wait")));
    EXPECT_EQ(grid_.Rows(), 2);
    EXPECT_EQ(grid_.TextMatrix(1, 0), "001");
  }
  EXPECT_TRUE(std::filesystem::is_directory(test::Native(kBounces)));
  SelectRows(1, 1);
  desk_.MnuPOPBMagic1_Click();
  ASSERT_EQ(toolkit_.started.size(), 1u);
  EXPECT_EQ(toolkit_.started[0].commandLine, "EditPad.exe " + kBounces + "\\");
}

TEST_F(ActionsTest, AnEmptyRangeOnlyMovesTheSelection) {
  Load({"a.cnm"});
  SelectRows(0, 0);
  desk_.MnuPOPBDelete_Click();
  EXPECT_EQ(FilesIn(kBounces).size(), 1u);
  EXPECT_EQ(Names().size(), 1u);
  ExpectHeaderCornerSelected();
}

TEST_F(ActionsTest, MovesGoToTheirQueues) {
  for (const char* sub : {"\\Errors", "\\Wait", "\\Local", "\\Other"}) {
    std::filesystem::create_directories(test::Native(kBounces + sub));
  }
  Load({"A.cnm", "b.cnm", "c.q0", "c.q1", "d.cnm", "e.cnm"});
  // Rows: A.cnm b.cnm c.q0 c.q1 d.cnm e.cnm
  SelectRows(1, 1);
  desk_.MnuPOPBErrore_Click();
  EXPECT_EQ(FilesIn(kBounces + "\\Errors"), std::set<std::string>{"a.cnm"});  // lower-cased
  SelectRows(2, 2);  // c.q0 takes its partner along; the c.q1 row stays
  desk_.MnuPOPBHold_Click();
  EXPECT_EQ(FilesIn(kBounces + "\\Wait"), (std::set<std::string>{"c.q0", "c.q1"}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.cnm", "c.q1", "d.cnm", "e.cnm"}));

  SelectRows(1, 1);
  desk_.MnuPOPBMove4_Click();
  EXPECT_EQ(FilesIn(kBounces + "\\Local"), std::set<std::string>{"b.cnm"});

  // A changed extra folder counts for Move4 at once, without a reload while
  // another subfolder is shown.
  desk_.Option3_Click(3);
  desk_.Frame3_DblClick();
  desk_.txt_DIR_Change("\\Other");
  desk_.txt_DIR_LostFocus();
  EXPECT_EQ(desk_.CurrentFolder(), kBounces + "\\Errors");
  EXPECT_EQ(Names(), std::vector<std::string>{"a.cnm"});
  desk_.Option3_Click(1);
  SortByName();
  SelectRows(1, 1);  // d.cnm
  desk_.MnuPOPBMove4_Click();
  EXPECT_EQ(FilesIn(kBounces + "\\Other"), std::set<std::string>{"d.cnm"});

  // Release from the wait queue back into the bounce folder.
  desk_.Option3_Click(2);
  SortByName();  // the .q0 row first: a .q1 row moved first would go alone
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBRelease_Click();
  EXPECT_TRUE(FilesIn(kBounces + "\\Wait").empty());
  EXPECT_EQ(FilesIn(kBounces), (std::set<std::string>{"c.q0", "c.q1", "e.cnm"}));
}

// Moved alone, a body would leave its head behind, and the head would later
// arrive under a name of its own, without it.
TEST_F(ActionsTest, ABodyOnlyMovesWithItsHead) {
  std::filesystem::create_directories(test::Native(kBounces + "\\Wait"));
  Load({"c.q0", "c.q1"});
  SelectRows(2, 2);  // the body's row alone
  desk_.MnuPOPBHold_Click();
  EXPECT_EQ(FilesIn(kBounces), (std::set<std::string>{"c.q0", "c.q1"}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"c.q0", "c.q1"}));
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBHold_Click();
  EXPECT_EQ(FilesIn(kBounces + "\\Wait"), (std::set<std::string>{"c.q0", "c.q1"}));
}

TEST_F(ActionsTest, FlagMarksAndRestoresTheSelection) {
  Load({"a.cnm", "b.cnm", "c.cnm", "d.cnm"});
  constexpr PictureHandle kOther = 77;
  grid_.SetRow(4);
  grid_.SetCol(3);
  grid_.SetCellPicture(kOther);
  SelectRows(3, 0);  // takes in the header row
  desk_.MnuPOPBFlag_Click();
  desk_.MnuPOPBFlag_Click();  // flagging twice changes nothing
  for (std::int32_t r = 1; r <= 3; ++r) {
    EXPECT_EQ(grid_.CellPictureAt(r, 3), test::FakeToolkit::kFlag);
    EXPECT_EQ(grid_.CellPictureAlignmentAt(r, 3), 7);
  }
  EXPECT_EQ(grid_.Row(), 1);  // the range now starts at the first data row
  EXPECT_EQ(grid_.RowSel(), 3);
  EXPECT_EQ(grid_.Col(), 3);
  EXPECT_EQ(grid_.ColSel(), 5);

  SelectRows(2, 4);
  desk_.MnuPOPBUnFlag_Click();
  EXPECT_EQ(grid_.CellPictureAt(1, 3), test::FakeToolkit::kFlag);
  EXPECT_EQ(grid_.CellPictureAt(2, 3), kNoPicture);
  EXPECT_EQ(grid_.CellPictureAt(3, 3), kNoPicture);
  EXPECT_EQ(grid_.CellPictureAt(4, 3), kOther);  // not our mark: stays
  EXPECT_EQ(grid_.Row(), 2);
  EXPECT_EQ(grid_.RowSel(), 4);
  EXPECT_EQ(FilesIn(kBounces).size(), 4u);
}

TEST_F(ActionsTest, ViewersStartTheEditorPerFile) {
  Load({"abc.q0", "abc.q1", "x.cnm"});
  desk_.MnuPOPBSelectAll_Click();
  desk_.MnuPOPBMagic2_Click();
  std::vector<std::string> lines;
  for (const auto& launch : toolkit_.started)
    lines.push_back(launch.commandLine);
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                "EditPad.exe " + kBounces + "\\abc.q0", "EditPad.exe " + kBounces + "\\abc.q1",
                "EditPad.exe " + kBounces + "\\abc.q1", "EditPad.exe " + kBounces + "\\x.cnm"}));
  const auto& argv = toolkit_.started[0].argv;
  ASSERT_EQ(argv.size(), 2u);
  EXPECT_EQ(argv[1], NativePath(kBounces + "\\abc.q0"));

  toolkit_.started.clear();
  toolkit_.startSucceeds = false;  // no editor: the next row is still handled
  desk_.MnuPOPBMagic1_Click();
  EXPECT_EQ(toolkit_.started.size(), 3u);
}

}  // namespace
}  // namespace ndr
