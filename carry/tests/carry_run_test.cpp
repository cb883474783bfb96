// Runs the built ndr_Carry against mail trees under the fixed P: paths.
#include <gtest/gtest.h>

#include <set>

#include "platform.h"
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

// Names are no paths: each reaches exactly the listed file, also one that
// could be taken for an option, a shell word or a path, and nothing outside
// the two folders changes. Empty files, other files and folders stay, run
// after run; missing folders are no failure.
TEST(CarryRun, MovesEveryNonEmptyMessageUnderItsLowerCasedName) {
  testsupport::BuildTree("P:\\Pmail", {{"Mail\\_Bounces\\empty.cnm", ""},
                                       {"Mail\\_Bounces\\note.txt", "x"},
                                       {"Mail\\_Bounces\\x.cnm\\inner.cnm", "y"},
                                       {"Mail\\a.cnm", "decoy"}});
  testsupport::BuildTree("P:\\Diverido", {{"Mail\\~Bounces\\Local\\", ""},
                                          {"Mail\\~Bounces\\keep\\victim.cnm", "victim"}});
  Names names = testsupport::OddNames();
  names.push_back("Upper.CNM");
  std::multiset<std::string> expected, arrived;
  for (const std::string& name : names) {
    WriteBytes(FsPath(kMailbox, name), "message " + name);
    expected.insert("message " + name);
  }
  for (int run = 0; run < 2; ++run) {
    ExpectCleanRun();
    EXPECT_EQ(FileNames(kMailbox), (Names{"empty.cnm", "note.txt"}));
    EXPECT_EQ(FileNames(kMailbox + "\\x.cnm"), Names{"inner.cnm"});
  }
  EXPECT_EQ(ReadBytes(kLocal + "\\upper.cnm"), "message Upper.CNM");
  for (const std::string& name : FileNames(kLocal)) {
    arrived.insert(ReadBytes(FsPath(kLocal, name)));
  }
  EXPECT_EQ(arrived, expected);
  EXPECT_EQ(ReadBytes("P:\\Pmail\\Mail\\a.cnm"), "decoy");
  EXPECT_EQ(ReadBytes("P:\\Diverido\\Mail\\~Bounces\\keep\\victim.cnm"), "victim");

  // Missing folders move nothing and are a normal run.
  WriteBytes(FsPath(kMailbox, "a.cnm"), "a");
  testsupport::RemoveTree("P:\\Diverido");
  ExpectCleanRun();
  EXPECT_EQ(FileNames(kMailbox), (Names{"a.cnm", "empty.cnm", "note.txt"}));
  testsupport::RemoveTree("P:\\Pmail");
  ExpectCleanRun();
}

}  // namespace
}  // namespace ndr
