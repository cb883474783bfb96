#include "folder_listing.h"

#include <gtest/gtest.h>

#include <map>

#include "platform.h"
#include "test_support.h"

namespace ndr {
namespace {

using testsupport::BuildTree;

const std::string kRoot = "P:\\listing-tests";

TEST(RTrimNull, CutsAtTheFirstNulOrDropsTrailingSpaces) {
  EXPECT_EQ(RTrimNull(std::string_view("abc\0x y\0", 8)), "abc");
  EXPECT_EQ(RTrimNull(std::string_view("\0abc", 4)), "");
  EXPECT_EQ(RTrimNull("  abc   "), "  abc");
  EXPECT_EQ(RTrimNull("abc \t"), "abc \t");  // only spaces are trailing padding
  EXPECT_EQ(RTrimNull("    "), "");
  EXPECT_EQ(RTrimNull(""), "");
  // A full fixed-length buffer: spaces before the NUL are kept.
  EXPECT_EQ(RTrimNull(std::string_view("a b \0\0", 6)), "a b ");
}

TEST(WildcardMatches, FollowsWindowsRules) {
  EXPECT_TRUE(WildcardMatches("*.cnm", "ABC.CNM"));
  EXPECT_TRUE(WildcardMatches("*.cnm", ".cnm"));
  EXPECT_TRUE(WildcardMatches("*.cnm", "a.b.cnm"));
  EXPECT_FALSE(WildcardMatches("*.cnm", "abc.cnmx"));
  EXPECT_FALSE(WildcardMatches("*.cnm", "abc.cn"));
  EXPECT_TRUE(WildcardMatches("*.*", "README"));  // as if it ended in a dot
  EXPECT_TRUE(WildcardMatches("*.", "README"));
  EXPECT_FALSE(WildcardMatches("*.", "a.txt"));
  EXPECT_TRUE(WildcardMatches("wwwwww.q?", "WWWWWW.Q1"));
  EXPECT_FALSE(WildcardMatches("wwwwww.q?", "wwwwww.q"));
  EXPECT_TRUE(WildcardMatches("a*b*c", "aXXbYYbZc"));
  EXPECT_FALSE(WildcardMatches("a*b*c", "aXXbYYbZ"));
  // Bytes above 127 compare as they are.
  EXPECT_TRUE(WildcardMatches("\xe9*", "\xe9t\xe9.cnm"));
  EXPECT_FALSE(WildcardMatches("\xc9*", "\xe9t\xe9.cnm"));
}

TEST(ListFolder, ListsMatchingFilesWithSizesAndSkipsFolders) {
  BuildTree(kRoot, {{"ONE.CNM", "12345"},
                    {"two.cnm", ""},
                    {"three.txt", "x"},
                    {"x.cnm\\", ""},
                    {"x.cnm\\inner.cnm", "y"},
                    {"README", "zz"}});
  std::map<std::string, std::uint64_t> seen;
  ListFolder(kRoot, "*.cnm", [&](const FindEntry& entry, const std::string& name) {
    EXPECT_EQ(entry.dwFileAttributes & kAttributeDirectory, 0u);
    EXPECT_EQ(name, entry.cFileName);
    seen[name] = EntrySize(entry);
    EXPECT_EQ(EntryIsEmpty(entry), EntrySize(entry) == 0);
  });
  EXPECT_EQ(seen, (std::map<std::string, std::uint64_t>{{"ONE.CNM", 5}, {"two.cnm", 0}}));

  int all = 0;
  ListFolder(kRoot, "*.*", [&](const FindEntry&, const std::string&) { ++all; });
  EXPECT_EQ(all, 4);
}

TEST(ListFolder, MissingOrEmptyFolderGivesNoCall) {
  BuildTree(kRoot, {{"a.txt", "1"}});
  int calls = 0;
  auto count = [&](const FindEntry&, const std::string&) { ++calls; };
  ListFolder(kRoot + "\\nowhere", "*.*", count);
  ListFolder(kRoot, "*.cnm", count);
  EXPECT_EQ(calls, 0);
}

TEST(ListFolder, CallerMayRemoveFilesWhileListing) {
  std::vector<testsupport::TreeEntry> files;
  for (int i = 0; i < 50; ++i) {
    files.push_back({"m" + std::to_string(i) + ".cnm", "x"});
  }
  BuildTree(kRoot, files);
  int calls = 0;
  ListFolder(kRoot, "*.cnm", [&](const FindEntry&, const std::string& name) {
    ++calls;
    EXPECT_TRUE(RemoveFile(kRoot + "\\" + name));
  });
  EXPECT_EQ(calls, 50);
  EXPECT_TRUE(testsupport::FileNames(kRoot).empty());
}

}  // namespace
}  // namespace ndr
