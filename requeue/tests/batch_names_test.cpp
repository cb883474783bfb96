// Both batch programs on bounces whose names are no paths: each program
// reaches exactly the listed entry, and nothing outside its folders changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform.h"
#include "sample_mail.h"
#include "test_support.h"

namespace ndr {
namespace {

using testsupport::FileNames;
using testsupport::OddNames;
using testsupport::ReadBytes;
using Names = std::vector<std::string>;

const std::string kMail = "P:\\Diverido\\Mail";
const std::string kBounces = kMail + "\\~Bounces";
const std::string kQueue = kMail + "\\Mailout";
const std::string kMailbox = "P:\\Pmail\\Mail\\_Bounces";

// Files where a name taken for a path would lead.
const std::vector<testsupport::TreeEntry> kDecoys = {{"a.cnm", "decoy"},
                                                     {"~Bounces\\keep\\victim.cnm", "victim"},
                                                     {"Mailout\\", ""},
                                                     {"~Bounces\\Local\\", ""}};

void ExpectDecoysKept() {
  EXPECT_EQ(ReadBytes(kMail + "\\a.cnm"), "decoy");
  EXPECT_EQ(ReadBytes(kBounces + "\\keep\\victim.cnm"), "victim");
}

TEST(BatchNames, RequeueQueuesAndDeletesExactlyTheListedBounce) {
  testsupport::BuildTree(kMail, kDecoys);
  std::vector<std::string> sent;
  for (const std::string& name : OddNames()) {
    const samples::Bounce bounce = samples::MakeBounce(sent.size() + 1);
    testsupport::WriteBytes(FsPath(kBounces, name), bounce.bytes);
    sent.push_back(bounce.sentSubject);
  }
  const testsupport::ProgramResult result = testsupport::RunProgram(NDR_REQUEUE_EXE);
  EXPECT_EQ(result.exitCode, 0) << result.standardError;
  EXPECT_EQ(FileNames(kBounces), Names{});  // every bounce queued, none left
  EXPECT_EQ(FileNames(kQueue).size(), 2 * OddNames().size());
  std::string bodies;
  for (const std::string& name : FileNames(kQueue))
    bodies += ReadBytes(FsPath(kQueue, name));
  for (const std::string& subject : sent)
    EXPECT_NE(bodies.find(subject), std::string::npos) << subject;
  ExpectDecoysKept();
}

TEST(BatchNames, CarryMovesExactlyTheListedFile) {
  testsupport::BuildTree(kMail, kDecoys);
  testsupport::BuildTree("P:\\Pmail", {{"Mail\\_Bounces\\", ""}, {"Mail\\a.cnm", "mail decoy"}});
  for (const std::string& name : OddNames())
    testsupport::WriteBytes(FsPath(kMailbox, name), "message " + name);
  const testsupport::ProgramResult result = testsupport::RunProgram(NDR_CARRY_EXE);
  EXPECT_EQ(result.exitCode, 0) << result.standardError;
  EXPECT_EQ(FileNames(kMailbox), Names{});
  std::vector<std::string> arrived;
  for (const std::string& name : FileNames(kBounces + "\\Local"))
    arrived.push_back(ReadBytes(FsPath(kBounces + "\\Local", name)));
  std::vector<std::string> expected;
  for (const std::string& name : OddNames())
    expected.push_back("message " + name);
  std::sort(arrived.begin(), arrived.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(arrived, expected);
  EXPECT_EQ(ReadBytes("P:\\Pmail\\Mail\\a.cnm"), "mail decoy");
  ExpectDecoysKept();
}

}  // namespace
}  // namespace ndr
