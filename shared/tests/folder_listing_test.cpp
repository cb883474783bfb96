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
  const std::pair<std::string_view, std::string_view> cases[] = {
      {std::string_view("abc\0x y\0", 8), "abc"},
      {std::string_view("\0abc", 4), ""},
      {"  abc   ", "  abc"},
      {"abc \t", "abc \t"},  // only spaces are trailing padding
      {"    ", ""},
      {"", ""},
      {std::string_view("a b \0\0", 6), "a b "}};  // spaces before the NUL are kept
  for (const auto& [raw, trimmed] : cases) {
    EXPECT_EQ(RTrimNull(raw), trimmed) << raw;
  }
}

TEST(WildcardMatches, FollowsWindowsRules) {
  const struct {
    const char *pattern, *name;
    bool matches;
  } cases[] = {
      {"*.cnm", "ABC.CNM", true},       {"*.cnm", ".cnm", true},
      {"*.cnm", "a.b.cnm", true},       {"*.cnm", "abc.cnmx", false},
      {"*.cnm", "abc.cn", false},       {"*.*", "README", true},  // as if it ended in a dot
      {"*.", "README", true},           {"*.", "a.txt", false},
      {"wwwwww.q?", "WWWWWW.Q1", true}, {"wwwwww.q?", "wwwwww.q", false},
      {"a*b*c", "aXXbYYbZc", true},     {"a*b*c", "aXXbYYbZ", false},
      {"\xe9*", "\xe9t\xe9.cnm", true},  // bytes above 127 compare as they are
      {"\xc9*", "\xe9t\xe9.cnm", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(WildcardMatches(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
  }
}

// Files only, with their sizes; a missing folder gives none; the caller may
// remove each file as it comes.
TEST(ListFolder, ListsMatchingFilesWithSizesAndSkipsFolders) {
  std::vector<testsupport::TreeEntry> tree{{"ONE.CNM", "12345"},
                                           {"two.cnm", ""},
                                           {"x.cnm\\", ""},
                                           {"x.cnm\\inner.cnm", "y"},
                                           {"README", "zz"}};
  for (int i = 0; i < 50; ++i) {
    tree.push_back({"m" + std::to_string(i) + ".txt", "x"});
  }
  BuildTree(kRoot, tree);
  std::map<std::string, std::uint64_t> seen;
  ListFolder(kRoot, "*.cnm", [&](const FindEntry& entry, const std::string& name) {
    seen[name] = EntrySize(entry);
  });
  EXPECT_EQ(seen, (std::map<std::string, std::uint64_t>{{"ONE.CNM", 5}, {"two.cnm", 0}}));

  int calls = 0;
  ListFolder(kRoot + "\\nowhere", "*.*", [&](const FindEntry&, const std::string&) { ++calls; });
  ListFolder(kRoot, "*.*", [&](const FindEntry&, const std::string& name) {
    ++calls;
    EXPECT_TRUE(RemoveFile(kRoot + "\\" + name));
  });
  EXPECT_EQ(calls, 53);
  EXPECT_TRUE(testsupport::FileNames(kRoot).empty());
}

}  // namespace
}  // namespace ndr
