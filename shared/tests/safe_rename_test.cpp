#include "safe_rename.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform.h"
#include "test_support.h"

namespace ndr {
namespace {

using testsupport::BuildTree;
using testsupport::FileNames;
using testsupport::ReadBytes;
using Names = std::vector<std::string>;

const std::string kRoot = "P:\\safe-rename-tests";
const std::string kFrom = kRoot + "\\from";
const std::string kTo = kRoot + "\\to";

// The first collision names of a fresh run, lower-cased.
Names FirstCollisionNames(int count) {
  RestartCollisionNames();
  Names names;
  for (int i = 0; i < count; ++i) {
    names.push_back(LowerCase(CollisionName()));
  }
  RestartCollisionNames();
  return names;
}

class SafeMove : public ::testing::Test {
 protected:
  void SetUp() override { RestartCollisionNames(); }
  void Build(const std::vector<testsupport::TreeEntry>& from,
             const std::vector<testsupport::TreeEntry>& to) {
    std::vector<testsupport::TreeEntry> all{{"from\\", ""}, {"to\\", ""}};
    for (const auto& [name, bytes] : from) {
      all.push_back({"from\\" + name, bytes});
    }
    for (const auto& [name, bytes] : to) {
      all.push_back({"to\\" + name, bytes});
    }
    BuildTree(kRoot, all);
  }
};

TEST(FileNameSplit, SplitsAtTheFirstDotAndLowerCases) {
  EXPECT_EQ(FileBase("ABC123.Q0"), "abc123");
  EXPECT_EQ(FileExt("ABC123.Q0"), ".q0");
  EXPECT_EQ(FileBase("a.b.q0"), "a");
  EXPECT_EQ(FileExt("a.b.q0"), ".b.q0");
  EXPECT_EQ(FileBase("README"), "readme");
  EXPECT_EQ(FileExt("README"), "");
  EXPECT_EQ(FileBase(".cnm"), "");
  EXPECT_EQ(FileExt(".cnm"), ".cnm");
}

TEST(CollisionNames, AreUnseededAndDrawnFromTheAlphabet) {
  Names first = FirstCollisionNames(200);
  EXPECT_EQ(first, FirstCollisionNames(200));  // the same in every run
  for (const std::string& name : first) {
    ASSERT_EQ(name.size(), 8u);
    EXPECT_EQ(name.substr(0, 4), "~col");
    EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789", 4), std::string::npos);
  }
  EXPECT_NE(first[0], first[1]);
}

TEST_F(SafeMove, MovesUnderTheLowerCasedNameOrACollisionName) {
  Build({{"ABC.CNM", "new"}, {"README", "r"}, {"wwwwww.cnm", "w"}},
        {{"abc.cnm", "old"}, {"readme", "old"}});
  Names draws = FirstCollisionNames(2);
  std::string newName;
  EXPECT_TRUE(SafeRename(kFrom, kTo, "ABC.CNM", &newName));
  EXPECT_EQ(newName, draws[0] + ".cnm");
  EXPECT_TRUE(SafeRename(kFrom, kTo, "README", &newName));
  EXPECT_EQ(newName, draws[1]);  // bare collision name, no extension
  EXPECT_TRUE(SafeRename(kFrom, kTo, "wwwwww.cnm", &newName));
  EXPECT_EQ(newName, "wwwwww.cnm");  // the reserved base binds pairs only

  EXPECT_EQ(FileNames(kFrom), Names{});
  EXPECT_EQ(ReadBytes(kTo + "\\abc.cnm"), "old");
  EXPECT_EQ(ReadBytes(kTo + "\\" + draws[0] + ".cnm"), "new");
  EXPECT_EQ(ReadBytes(kTo + "\\readme"), "old");
}

// A listed name names its one entry; only the ".q1" partner, a name the
// move derives itself, is looked for in any case.
TEST_F(SafeMove, MovesTheEntryOfThatNameAndFindsThePartnerInAnyCase) {
  Build({{"MiXeD.Cnm", "m"}, {"Pair.Q0", "h"}, {"PAIR.Q1", "b"}}, {});
  EXPECT_TRUE(SafeRename(kFrom, kTo, "MiXeD.Cnm"));
  EXPECT_TRUE(SafeRename(kFrom, kTo, "Pair.Q0"));
  EXPECT_EQ(FileNames(kTo), (Names{"mixed.cnm", "pair.q0", "pair.q1"}));
  EXPECT_EQ(ReadBytes(kTo + "\\mixed.cnm"), "m");
  EXPECT_EQ(ReadBytes(kTo + "\\pair.q1"), "b");
#ifndef _WIN32
  // Where case tells names apart, a vanished ABC.CNM never moves abc.CNM.
  Build({{"abc.CNM", "other"}}, {});
  EXPECT_FALSE(SafeRename(kFrom, kTo, "ABC.CNM"));
  EXPECT_FALSE(SafeRename(kFrom, kTo, "abc.cnm"));
  EXPECT_EQ(FileNames(kFrom), Names{"abc.CNM"});
  EXPECT_EQ(FileNames(kTo), Names{});
#endif
}

TEST_F(SafeMove, NothingHappensWithoutFoldersOrFile) {
  Build({{"a.cnm", "a"}}, {});
  EXPECT_FALSE(SafeRename(kRoot + "\\none", kTo, "a.cnm"));
  EXPECT_FALSE(SafeRename(kFrom, kRoot + "\\none", "a.cnm"));
  EXPECT_FALSE(SafeRename(kFrom, kTo, "b.cnm"));
  EXPECT_FALSE(SafeRename(kFrom, kTo, ""));
  EXPECT_FALSE(SafeRename(kFrom, kTo, "..\\from\\a.cnm"));  // names only, no paths
  MySafeRename(kFrom, kRoot + "\\none", "a.cnm");
  EXPECT_EQ(FileNames(kFrom), Names{"a.cnm"});
  EXPECT_EQ(FileNames(kTo), Names{});
}

TEST_F(SafeMove, NeverReplacesAnExistingFile) {
  Build({{"a.cnm", "new"}}, {{"a.cnm", "old"}});
  OsError error;
  EXPECT_FALSE(MoveNoReplace(kFrom + "\\a.cnm", kTo + "\\a.cnm", &error));
  EXPECT_NE(error.code, 0);
  EXPECT_EQ(ReadBytes(kTo + "\\a.cnm"), "old");
  EXPECT_EQ(ReadBytes(kFrom + "\\a.cnm"), "new");
  EXPECT_TRUE(MoveNoReplace(kFrom + "\\a.cnm", kTo + "\\b.cnm"));
  EXPECT_EQ(ReadBytes(kTo + "\\b.cnm"), "new");
}

TEST_F(SafeMove, AnyEntryTakesAName) {
  // A folder or a hidden file under a drawn name would make the same move
  // fail on every run if only ordinary files counted.
  Names draws = FirstCollisionNames(2);
  Build({{"a.cnm", "a"}, {"WWWWWW.q0", "head"}, {"WWWWWW.q1", "body"}},
        {{"a.cnm\\", ""}, {draws[0] + ".cnm\\", ""}, {draws[1] + ".q1\\", ""}});
  std::string single, pair;
  ASSERT_TRUE(SafeRename(kFrom, kTo, "a.cnm", &single));
  ASSERT_TRUE(SafeRename(kFrom, kTo, "WWWWWW.q0", &pair));
  EXPECT_EQ(ReadBytes(kTo + "\\" + single), "a");
  EXPECT_EQ(FileBase(single).substr(0, 4), "~col");
  EXPECT_NE(FileBase(pair), draws[1]);
  EXPECT_EQ(ReadBytes(kTo + "\\" + FileBase(pair) + ".q1"), "body");
  EXPECT_EQ(FileNames(kFrom), Names{});
}

TEST_F(SafeMove, SameFolderCountsTheOwnNameAsTaken) {
  Build({{"a.cnm", "a"}}, {});
  Names draws = FirstCollisionNames(1);
  EXPECT_TRUE(SafeRename(kFrom, kFrom, "a.cnm"));
  EXPECT_EQ(FileNames(kFrom), Names{draws[0] + ".cnm"});
}

TEST_F(SafeMove, GivesUpAfterTheDrawLimit) {
  Names draws = FirstCollisionNames(4);
  std::vector<testsupport::TreeEntry> taken{{"a.cnm", ""}};
  for (const std::string& name : draws) {
    taken.push_back({name + ".cnm", ""});
  }
  Build({{"a.cnm", "a"}}, taken);
  EXPECT_FALSE(SafeRename(kFrom, kTo, "a.cnm", nullptr, 4));
  EXPECT_EQ(FileNames(kFrom), Names{"a.cnm"});

  RestartCollisionNames();
  std::string newName;
  EXPECT_TRUE(SafeRename(kFrom, kTo, "a.cnm", &newName, 5));
  EXPECT_EQ(newName.substr(0, 4), "~col");
  EXPECT_EQ(ReadBytes(kTo + "\\" + newName), "a");
}

TEST_F(SafeMove, PairMovesTogetherAndNeverKeepsTheReservedBase) {
  Build({{"WWWWWW.q0", "head"}, {"WWWWWW.q1", "body"}}, {});
  Names draws = FirstCollisionNames(1);
  std::string newName;
  EXPECT_TRUE(SafeRename(kFrom, kTo, "WWWWWW.q0", &newName));
  EXPECT_EQ(newName, draws[0] + ".q0");
  EXPECT_EQ(FileNames(kTo), (Names{draws[0] + ".q0", draws[0] + ".q1"}));
  EXPECT_EQ(ReadBytes(kTo + "\\" + draws[0] + ".q1"), "body");
  EXPECT_EQ(FileNames(kFrom), Names{});
}

TEST_F(SafeMove, PairBaseTakenForEitherHalfIsRejected) {
  Build({{"abc.q0", "h"}, {"abc.q1", "b"}}, {{"abc.q1", "other"}});
  Names draws = FirstCollisionNames(1);
  EXPECT_TRUE(SafeRename(kFrom, kTo, "abc.q0"));
  EXPECT_EQ(FileNames(kTo), (Names{"abc.q1", draws[0] + ".q0", draws[0] + ".q1"}));
  EXPECT_EQ(ReadBytes(kTo + "\\abc.q1"), "other");
}

TEST_F(SafeMove, PairWithoutBodyMovesItsHeadAlone) {
  Build({{"abc.q0", "h"}}, {});
  EXPECT_TRUE(SafeRename(kFrom, kTo, "abc.q0"));
  EXPECT_EQ(FileNames(kTo), Names{"abc.q0"});
}

#ifndef _WIN32
// Where no no-replace rename exists, a move is a link and an unlink; a kill
// between them leaves the file under both names, which the next move
// recognises and completes instead of moving the file a second time.
TEST_F(SafeMove, CutOffLinkMovesAreCompleted) {
  auto link = [](const std::string& from, const std::string& to) {
    std::filesystem::create_hard_link(NativePath(kFrom + "\\" + from), NativePath(kTo + "\\" + to));
  };
  Build({{"ABC.cnm", "a"}, {"x.q0", "head"}, {"x.q1", "body"}, {"y.q0", "h2"}},
        {{"abc.cnm", "other"}, {"~colbody.q1", "b2"}});
  link("ABC.cnm", "~colabcd.cnm");
  link("x.q1", "~colpair.q1");  // cut off after the body's link
  link("y.q0", "~colbody.q0");  // cut off after the head's link, the body gone before
  std::string single, pair, head;
  EXPECT_TRUE(SafeRename(kFrom, kTo, "ABC.cnm", &single));
  EXPECT_TRUE(SafeRename(kFrom, kTo, "x.q0", &pair));
  EXPECT_TRUE(SafeRename(kFrom, kTo, "y.q0", &head));
  EXPECT_EQ(single, "~colabcd.cnm");
  EXPECT_EQ(pair, "~colpair.q0");
  EXPECT_EQ(head, "~colbody.q0");
  EXPECT_EQ(FileNames(kFrom), Names{});
  EXPECT_EQ(FileNames(kTo), (Names{"abc.cnm", "~colabcd.cnm", "~colbody.q0", "~colbody.q1",
                                   "~colpair.q0", "~colpair.q1"}));
  EXPECT_EQ(ReadBytes(kTo + "\\~colpair.q0"), "head");
  EXPECT_EQ(ReadBytes(kTo + "\\abc.cnm"), "other");
}
#endif

TEST_F(SafeMove, OnlyAnExactQ0ExtensionMakesAPair) {
  Build({{"x.y.q0", "1"}, {"x.y.q1", "2"}, {"p.q1", "3"}, {"p.q0", "4"}}, {});
  EXPECT_TRUE(SafeRename(kFrom, kTo, "x.y.q0"));
  EXPECT_TRUE(SafeRename(kFrom, kTo, "p.q1"));
  EXPECT_EQ(FileNames(kTo), (Names{"p.q1", "x.y.q0"}));
  EXPECT_EQ(FileNames(kFrom), (Names{"p.q0", "x.y.q1"}));
}

}  // namespace
}  // namespace ndr
