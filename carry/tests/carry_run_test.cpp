// Runs the built ndr_Carry against mail trees under the fixed P: paths.
#include <gtest/gtest.h>

#include "platform.h"
#include "safe_rename.h"
#include "sample_mail.h"
#include "test_support.h"

namespace ndr {
namespace {

using testsupport::FileNames;
using testsupport::ReadBytes;
using testsupport::WriteBytes;
using Names = std::vector<std::string>;

const std::string kMailbox = "P:\\Pmail\\Mail\\_Bounces";
const std::string kLocal = "P:\\Diverido\\Mail\\~Bounces\\Local";

void ExpectCleanRun() {
  testsupport::ProgramResult result = testsupport::RunProgram(NDR_CARRY_EXE);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.standardError, "");
}

class CarryRun : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::BuildTree("P:\\Pmail", {{"Mail\\_Bounces\\", ""}});
    testsupport::BuildTree("P:\\Diverido", {{"Mail\\~Bounces\\Local\\", ""}});
  }
};

TEST_F(CarryRun, MovesNonEmptyMessagesUnderLowerCasedNames) {
  std::string upper = samples::MakeBounce(1).bytes;
  std::string lower = samples::MakeMessage(2);
  testsupport::BuildTree(kMailbox, {{"ABC.CNM", upper},
                                    {"def.cnm", lower},
                                    {"empty.cnm", ""},
                                    {"note.txt", "x"},
                                    {"x.cnm\\inner.cnm", "y"}});
  ExpectCleanRun();
  EXPECT_EQ(FileNames(kLocal), (Names{"abc.cnm", "def.cnm"}));
  EXPECT_EQ(ReadBytes(kLocal + "\\abc.cnm"), upper);
  EXPECT_EQ(ReadBytes(kLocal + "\\def.cnm"), lower);
  EXPECT_EQ(FileNames(kMailbox), (Names{"empty.cnm", "note.txt"}));
  EXPECT_EQ(FileNames(kMailbox + "\\x.cnm"), Names{"inner.cnm"});

  ExpectCleanRun();  // the empty file stays run after run
  EXPECT_EQ(FileNames(kMailbox), (Names{"empty.cnm", "note.txt"}));
}

TEST_F(CarryRun, TakenNamesGetCollisionNamesAndNothingIsReplaced) {
  WriteBytes(kLocal + "\\abc.cnm", "already here");
  WriteBytes(kMailbox + "\\abc.cnm", "first");
  ExpectCleanRun();
  WriteBytes(kMailbox + "\\ABC.cnm", "second");
  ExpectCleanRun();

  RestartCollisionNames();  // each run starts the same unseeded sequence
  std::string firstDraw = LowerCase(CollisionName());
  std::string secondDraw = LowerCase(CollisionName());
  EXPECT_EQ(ReadBytes(kLocal + "\\abc.cnm"), "already here");
  EXPECT_EQ(ReadBytes(kLocal + "\\" + firstDraw + ".cnm"), "first");
  // The second run draws the same first name, finds it taken, and goes on.
  EXPECT_EQ(ReadBytes(kLocal + "\\" + secondDraw + ".cnm"), "second");
  EXPECT_EQ(FileNames(kLocal).size(), 3u);
  EXPECT_EQ(FileNames(kMailbox), Names{});
}

TEST_F(CarryRun, MissingFoldersMoveNothingAndEndNormally) {
  testsupport::RemoveTree(kLocal);
  WriteBytes(kMailbox + "\\a.cnm", "a");
  ExpectCleanRun();
  EXPECT_EQ(FileNames(kMailbox), Names{"a.cnm"});

  testsupport::RemoveTree("P:\\Pmail");
  ExpectCleanRun();
}

}  // namespace
}  // namespace ndr
