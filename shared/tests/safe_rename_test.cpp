#include "safe_rename.h"

#include <gtest/gtest.h>

#include <set>

#include "platform.h"
#include "test_support.h"

namespace ndr {
namespace {

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

void Build(const std::vector<testsupport::TreeEntry>& from,
           const std::vector<testsupport::TreeEntry>& to) {
  std::vector<testsupport::TreeEntry> all{{"from\\", ""}, {"to\\", ""}};
  for (const auto& [name, bytes] : from) {
    all.push_back({"from\\" + name, bytes});
  }
  for (const auto& [name, bytes] : to) {
    all.push_back({"to\\" + name, bytes});
  }
  testsupport::BuildTree(kRoot, all);
  RestartCollisionNames();
}

// A taken name, whatever entry takes it (a folder would make the same move
// fail on every run), gets a collision name; nothing is ever replaced.
TEST(SafeMove, MovesUnderTheLowerCasedNameOrACollisionName) {
  Names draws = FirstCollisionNames(3);
  Build({{"ABC.CNM", "new"}, {"README", "r"}, {"wwwwww.cnm", "w"}, {"x.cnm", "x"}},
        {{"abc.cnm", "old"}, {"readme", "old"}, {"x.cnm\\", ""}, {draws[2] + ".cnm\\", ""}});
  const char* expected[][2] = {{"ABC.CNM", ""},
                               {"README", ""},                // a bare collision name, no extension
                               {"wwwwww.cnm", "wwwwww.cnm"},  // the reserved base binds pairs only
                               {"x.cnm", ""}};
  const std::string drawn[] = {draws[0] + ".cnm", draws[1], "wwwwww.cnm", ""};
  for (int i = 0; i < 4; ++i) {
    std::string newName;
    EXPECT_TRUE(SafeRename(kFrom, kTo, expected[i][0], &newName)) << expected[i][0];
    if (!drawn[i].empty()) {
      EXPECT_EQ(newName, drawn[i]);
    } else {  // draws[2] was a folder: the next draw
      EXPECT_EQ(FileBase(newName).substr(0, 4), "~col");
      EXPECT_EQ(ReadBytes(kTo + "\\" + newName), "x");
    }
  }
  EXPECT_EQ(FileNames(kFrom), Names{});
  EXPECT_EQ(ReadBytes(kTo + "\\abc.cnm"), "old");
  EXPECT_EQ(ReadBytes(kTo + "\\" + draws[0] + ".cnm"), "new");
  EXPECT_EQ(ReadBytes(kTo + "\\readme"), "old");
}

// Nothing moves without both folders, the file, a plain name, or a free
// name within the draw limit; in its own folder the file's name is taken.
TEST(SafeMove, MovesNothingItCannotMoveSafely) {
  const Names draws = FirstCollisionNames(5);
  std::vector<testsupport::TreeEntry> taken{{"a.cnm", ""}};
  for (int i = 0; i < 4; ++i) {
    taken.push_back({draws[i] + ".cnm", ""});
  }
  Build({{"a.cnm", "a"}}, taken);
  EXPECT_FALSE(SafeRename(kRoot + "\\none", kTo, "a.cnm"));
  EXPECT_FALSE(SafeRename(kFrom, kRoot + "\\none", "a.cnm"));
  EXPECT_FALSE(SafeRename(kFrom, kTo, "b.cnm"));
  EXPECT_FALSE(SafeRename(kFrom, kTo, ""));
  EXPECT_FALSE(SafeRename(kFrom, kTo, "..\\from\\a.cnm"));  // names only, no paths
  MySafeRename(kFrom, kRoot + "\\none", "a.cnm");
  RestartCollisionNames();
  EXPECT_FALSE(SafeRename(kFrom, kTo, "a.cnm", nullptr, 4));
  EXPECT_EQ(FileNames(kFrom), Names{"a.cnm"});
  RestartCollisionNames();
  EXPECT_TRUE(SafeRename(kFrom, kFrom, "a.cnm"));
  EXPECT_EQ(FileNames(kFrom), Names{draws[0] + ".cnm"});
  RestartCollisionNames();
  EXPECT_TRUE(SafeRename(kFrom, kTo, draws[0] + ".cnm", nullptr, 5));
  EXPECT_EQ(ReadBytes(kTo + "\\" + draws[4] + ".cnm"), "a");
}

// A ".q0" takes its ".q1" along (found in any case: the move derives that
// name itself) under one base that is free for both halves and is never the
// reserved one; a listed name names its one entry; only an exact ".q0"
// makes a pair.
TEST(SafeMove, APairMovesTogetherUnderOneFreeBase) {
  Build({{"WWWWWW.q0", "head"},
         {"WWWWWW.q1", "body"},
         {"abc.q0", "h"},
         {"ABC.Q1", "b"},
         {"solo.q0", "s"},
         {"x.y.q0", "1"},
         {"x.y.q1", "2"},
         {"p.q1", "3"},
         {"p.q0", "4"}},
        {{"abc.q1", "other"}});
  Names draws = FirstCollisionNames(2);
  std::string reserved, taken;
  EXPECT_TRUE(SafeRename(kFrom, kTo, "WWWWWW.q0", &reserved));
  EXPECT_TRUE(SafeRename(kFrom, kTo, "abc.q0", &taken));
  EXPECT_EQ(reserved, draws[0] + ".q0");
  EXPECT_EQ(taken, draws[1] + ".q0");
  EXPECT_EQ(ReadBytes(kTo + "\\" + draws[0] + ".q1"), "body");
  EXPECT_EQ(ReadBytes(kTo + "\\" + draws[1] + ".q1"), "b");
  EXPECT_EQ(ReadBytes(kTo + "\\abc.q1"), "other");
  for (const char* name : {"solo.q0", "x.y.q0", "p.q1"}) {
    EXPECT_TRUE(SafeRename(kFrom, kTo, name));
  }
  EXPECT_EQ(FileNames(kFrom), (Names{"p.q0", "x.y.q1"}));
  const Names to = FileNames(kTo);
  EXPECT_EQ(std::set<std::string>(to.begin(), to.end()),
            (std::set<std::string>{"abc.q1", draws[0] + ".q0", draws[0] + ".q1", draws[1] + ".q0",
                                   draws[1] + ".q1", "p.q1", "solo.q0", "x.y.q0"}));
#ifndef _WIN32
  // Where case tells names apart, a vanished ABC.CNM never moves abc.CNM.
  Build({{"abc.CNM", "other"}}, {});
  EXPECT_FALSE(SafeRename(kFrom, kTo, "ABC.CNM"));
  EXPECT_EQ(FileNames(kFrom), Names{"abc.CNM"});
#endif
}

}  // namespace
}  // namespace ndr
