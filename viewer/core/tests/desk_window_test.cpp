// The folder choices, the extra folder and the programs the window starts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "desk.h"
#include "desk_test_support.h"
#include "fake_toolkit.h"
#include "grid.h"

namespace ndr {
namespace {

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() : desk_(toolkit_, grid_) {}
  void Start() {
    desk_.SelectStartupChoices();
    desk_.FinishStartup();
  }

  test::FakeToolkit toolkit_;
  Grid grid_;
  Desk desk_;
};

TEST_F(WindowTest, StartUpLoadsTheBounceFolderOnce) {
  desk_.SelectStartupChoices();
  EXPECT_EQ(desk_.CurrentFolder(), "P:\\Diverido\\Mail\\~Bounces");
  EXPECT_EQ(toolkit_.scans, 0);
  desk_.FinishStartup();
  EXPECT_EQ(toolkit_.scans, 1);
  EXPECT_TRUE(desk_.StartupDone());
  EXPECT_EQ(desk_.SelectedOption(ControlId::Option1), 1);
  EXPECT_EQ(desk_.SelectedOption(ControlId::Option2), 6);
  EXPECT_EQ(desk_.SelectedOption(ControlId::Option3), 1);
}

TEST_F(WindowTest, EachChoiceRecomposesAndReloads) {
  Start();
  desk_.Option3_Click(2);
  desk_.Option1_Click(2);
  EXPECT_EQ(desk_.CurrentFolder(), "P:\\Zizaruz2\\Mail\\~Bounces\\Wait");
  desk_.Option3_Click(1);
  EXPECT_EQ(desk_.CurrentFolder(), "P:\\Zizaruz2\\Mail\\~Bounces");
  EXPECT_EQ(toolkit_.scans, 4);
  desk_.cmd_GO_Click();
  EXPECT_EQ(toolkit_.scans, 5);

  // Indices the groups do not have change nothing.
  desk_.Option1_Click(3);
  desk_.Option2_Click(1);
  desk_.Option3_Click(0);
  EXPECT_EQ(desk_.CurrentFolder(), "P:\\Zizaruz2\\Mail\\~Bounces");
  EXPECT_EQ(toolkit_.scans, 5);
}

TEST_F(WindowTest, ExtraFolderTypedIn) {
  Start();
  desk_.Frame3_DblClick();
  EXPECT_TRUE(desk_.DirBoxVisible());
  EXPECT_EQ(desk_.DirBoxText(), "\\Local");

  // Joined as typed; no reload while entry 4 is not the shown subfolder.
  desk_.txt_DIR_Change("Foo");
  const int eventsBefore = toolkit_.doEvents;
  desk_.txt_DIR_LostFocus();
  EXPECT_EQ(toolkit_.doEvents, eventsBefore + 1);
  EXPECT_FALSE(desk_.DirBoxVisible());
  EXPECT_EQ(desk_.Option3Caption(4), "Foo");
  EXPECT_EQ(desk_.Option3ExtraToolTip(), "Foo");
  EXPECT_EQ(toolkit_.scans, 1);

  desk_.Option3_Click(4);
  EXPECT_EQ(desk_.CurrentFolder(), "P:\\Diverido\\Mail\\~BouncesFoo");
  desk_.Frame3_DblClick();
  desk_.txt_DIR_Change("\\Errors");
  desk_.txt_DIR_LostFocus();
  EXPECT_EQ(desk_.CurrentFolder(), "P:\\Diverido\\Mail\\~Bounces\\Errors");
  EXPECT_EQ(toolkit_.scans, 3);
}

TEST_F(WindowTest, ExtraFolderFromTheDialog) {
  Start();
  desk_.Option3_Click(4);
  desk_.Frame3_DblClick();

  toolkit_.dialogAnswer = "P:\\Diverido\\Mail\\~Bounces\\Local\\Sub\\x.cnm";
  desk_.txt_DIR_DblClick();
  ASSERT_EQ(toolkit_.dialogs.size(), 1u);
  const FileDialogRequest& request = toolkit_.dialogs[0];
  EXPECT_EQ(request.fileName, "");
  EXPECT_EQ(request.initialFolder, "P:\\Diverido\\Mail\\~Bounces");
  EXPECT_EQ(desk_.Option3Caption(4), "\\Local");
  EXPECT_FALSE(desk_.DirBoxVisible());
  EXPECT_EQ(toolkit_.scans, 3);  // entry 4 is shown: reloaded

  // A file in the bounce folder itself, a cancelled dialog and a file outside
  // the bounce folder all leave the box open and empty, the caption as it was.
  for (const std::string answer :
       {"P:\\Diverido\\Mail\\~Bounces\\x.cnm", "", "P:\\Pmail\\Mail\\_Bounces\\Inbox\\y.cnm"}) {
    desk_.Frame3_DblClick();
    toolkit_.dialogAnswer = answer;
    desk_.txt_DIR_DblClick();
    EXPECT_TRUE(desk_.DirBoxVisible()) << answer;
    EXPECT_EQ(desk_.DirBoxText(), "") << answer;
    EXPECT_EQ(desk_.Option3Caption(4), "\\Local") << answer;
  }
  // The drive letter's case does not matter.
  toolkit_.dialogAnswer = "p:\\diverido\\mail\\~bounces\\Wait\\z.cnm";
  desk_.txt_DIR_DblClick();
  EXPECT_EQ(desk_.Option3Caption(4), "\\Wait");
}

TEST_F(WindowTest, BatchProgramsStartAndTheGridReloads) {
  Start();
  toolkit_.startSucceeds = false;  // a failure changes nothing
  desk_.MnuSApps_Click(1);
  ASSERT_EQ(toolkit_.started.size(), 1u);
  EXPECT_EQ(toolkit_.started[0].commandLine, "ndr_Requeue.exe P:\\Diverido\\Mail\\~Bounces");
  EXPECT_EQ(toolkit_.started[0].argv,
            (std::vector<std::string>{"ndr_Requeue", NativePath("P:\\Diverido\\Mail\\~Bounces")}));
  EXPECT_EQ(toolkit_.scans, 2);

  // A program beside the viewer is preferred to one on the PATH.
#ifdef _WIN32
  const std::string beside = OwnProgramFolder() + "\\ndr_Carry";
#else
  const std::string beside = OwnProgramFolder() + "/ndr_Carry";
#endif
  test::WriteBytes(beside, "#");
  desk_.Option3_Click(2);
  desk_.MnuSApps_Click(2);
  std::filesystem::remove(beside);
  EXPECT_EQ(toolkit_.started[1].commandLine, "ndr_Carry.exe P:\\Diverido\\Mail\\~Bounces\\Wait");
  EXPECT_EQ(toolkit_.started[1].argv.at(0), beside);
  EXPECT_EQ(toolkit_.scans, 4);
}

}  // namespace
}  // namespace ndr
