// The folder scan: which files become rows, what a row holds, the counters
// and how the window is kept alive meanwhile.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "desk.h"
#include "desk_test_support.h"
#include "fake_toolkit.h"
#include "grid.h"
#include "number_format.h"

namespace ndr {
namespace {

class ScanTest : public ::testing::Test {
 protected:
  ScanTest() : desk_(toolkit_, grid_) { desk_.CurrentFolder = folder_.Path(); }

  void Write(const std::string& name, const std::string& bytes) {
    test::WriteBytes(folder_.Path() + "\\" + name, bytes);
  }
  // Rows by file name, each as its cells.
  std::map<std::string, std::vector<std::string>> RowsByName() const {
    std::map<std::string, std::vector<std::string>> rows;
    for (std::int32_t r = 1; r < grid_.Rows(); ++r) {
      std::vector<std::string> cells;
      for (std::int32_t c = 0; c < grid_.Cols(); ++c)
        cells.push_back(grid_.TextMatrix(r, c));
      rows[grid_.TextMatrix(r, 1)] = cells;
    }
    return rows;
  }

  test::TempFolder folder_;
  test::FakeToolkit toolkit_;
  Grid grid_;
  Desk desk_;
};

TEST_F(ScanTest, ListsEveryNonEmptyFileAndCountsTheEmptyOnes) {
  const std::string bounce = test::Bounce("Undeliverable", "Thu, 5 Feb 2004 10:15:00 +0100");
  Write("abc.cnm", bounce);
  Write("wxyz.q0", "X-Queue: 1\r\n");
  Write("wxyz.q1", "body\r\n");
  Write("empty.cnm", "");
  Write("notes.txt", "no header at all");
  std::filesystem::create_directories(test::Native(folder_.Path() + "\\Sub"));
  Write("Sub\\inner.cnm", bounce);  // not listed: it is in a subfolder
  const std::string hidden = test::WriteHidden(folder_.Path(), bounce);

  desk_.LoadFolder();

  const auto rows = RowsByName();
  ASSERT_EQ(rows.size(), 5u);  // no placeholder row left behind
  EXPECT_EQ(grid_.Rows(), 6);
  for (const char* name : {"abc.cnm", "wxyz.q0", "wxyz.q1", "notes.txt"}) {
    EXPECT_TRUE(rows.count(name)) << name;
  }
  EXPECT_EQ(desk_.txt_Info1, "5");
  EXPECT_EQ(desk_.txt_Info3, "1");
  const auto total = bounce.size() + 12 + 6 + 16;  // the hidden file adds nothing
  EXPECT_EQ(desk_.txt_Info2, FormatByteTotal(static_cast<std::int64_t>(total)));

  const auto& abc = rows.at("abc.cnm");
  EXPECT_EQ(abc[2], std::to_string(bounce.size()));
  EXPECT_EQ(abc[3], "Undeliverable");
  EXPECT_EQ(abc[4], "~2004/02/05 09:15:00");  // shown in UTC
  EXPECT_EQ(abc[5], "MAILER-DAEMON@mx.example.net");
  EXPECT_EQ(abc[7], "alice@example.org");
  EXPECT_EQ(abc[8], "Re: hello");
  EXPECT_EQ(abc[9], "~1899/12/30 00:00:00");
  EXPECT_EQ(abc[10], "11");

  // A file the reader cannot see is still a row, with nothing but its name.
  const auto& secret = rows.at(hidden);
  EXPECT_EQ(secret[2], "0");
  EXPECT_EQ(secret[3], "");
  EXPECT_EQ(secret[4], "~1899/12/30 00:00:00");
  EXPECT_EQ(secret[10], "0");

  // Column 0 numbers the rows in listing order.
  for (std::int32_t r = 1; r < grid_.Rows(); ++r)
    EXPECT_EQ(grid_.TextMatrix(r, 0), std::to_string(r));
}

TEST_F(ScanTest, EmptyAndMissingFoldersLeaveTheEmptyGrid) {
  for (const std::string& folder : {folder_.Path(), folder_.Path() + "\\nowhere"}) {
    desk_.CurrentFolder = folder;
    desk_.txt_Info1 = "stale";
    desk_.LoadFolder();
    EXPECT_EQ(grid_.Rows(), 2) << folder;
    EXPECT_EQ(grid_.TextMatrix(1, 0), "001");
    EXPECT_EQ(grid_.TextMatrix(1, 1), "");
    EXPECT_EQ(desk_.txt_Info1, "0");
    EXPECT_EQ(desk_.txt_Info2, "0");
    EXPECT_EQ(desk_.txt_Info3, "0");
  }
}

TEST_F(ScanTest, AReloadStartsAfresh) {
  Write("a.cnm", test::Bounce("one"));
  Write("b.cnm", test::Bounce("two"));
  desk_.LoadFolder();
  grid_.SetRow(1);
  grid_.SetCol(3);
  desk_.MnuPOPBFlag_Click();
  desk_.MnuPOPHSortD_Click();
  std::filesystem::remove(test::Native(folder_.Path() + "\\a.cnm"));

  desk_.LoadFolder();

  ASSERT_EQ(grid_.Rows(), 2);
  EXPECT_EQ(grid_.TextMatrix(1, 1), "b.cnm");
  EXPECT_EQ(grid_.TextMatrix(1, 0), "1");
  EXPECT_EQ(grid_.CellPictureAt(1, 3), kNoPicture);
  EXPECT_EQ(grid_.TextMatrix(0, 3), "Subject: ");
  EXPECT_EQ(desk_.txt_Info1, "1");
}

TEST_F(ScanTest, WidthUnitRoundsHalfToEven) {
  // 8.25 pt x 15 = 123.75 gives 124; the ties 16.5 and 49.5 give 16 and 50.
  for (auto [twips, unit] : {std::pair{15.0, 124}, {2.0, 16}, {6.0, 50}}) {
    toolkit_.twipsPerPixel = twips;
    desk_.ResetGrid();
    EXPECT_EQ(grid_.ColWidth(0), unit * 3) << twips;
    EXPECT_EQ(grid_.ColWidth(7), unit * 25) << twips;
  }
  EXPECT_EQ(grid_.TextMatrix(0, 0), "N\xB0 ");
}

TEST(CounterPatterns, GroupAsThePatternsSay) {
  EXPECT_EQ(FormatCount(0), "0");
  EXPECT_EQ(FormatCount(999), "999");  // no leading blank
  EXPECT_EQ(FormatCount(1234), "1 234");
  EXPECT_EQ(FormatCount(1234567), "1234 567");
  EXPECT_EQ(FormatByteTotal(123456), "123 456");
  EXPECT_EQ(FormatByteTotal(1234567), "1 234 567");
  EXPECT_EQ(FormatByteTotal(5'000'000'000), "5000 000 000");  // sizes beyond 32 bits
  EXPECT_EQ(FormatZeroPadded(1, 3), "001");
  EXPECT_EQ(FormatZeroPadded(32767, 3), "32767");
}

TEST_F(ScanTest, WindowStaysBusyAndCountersAdvanceBetweenEvents) {
  for (int i = 0; i < 6; ++i)
    Write("m" + std::to_string(i) + ".cnm", test::Bounce("s"));
  Write("z.cnm", "");
  desk_.scanEventsInterval = {};  // every file is due for an event run
  std::vector<std::string> seen;
  std::vector<bool> busy;
  toolkit_.onDoEvents = [&] {
    seen.push_back(desk_.txt_Info1 + "/" + desk_.txt_Info3);
    busy.push_back(toolkit_.busy);
  };

  desk_.LoadFolder();

  ASSERT_EQ(seen.size(), 8u);  // once after the reset, then after each file
  EXPECT_EQ(seen.front(), "0/0");
  EXPECT_FALSE(busy.front());
  for (std::size_t i = 1; i < busy.size(); ++i)
    EXPECT_TRUE(busy[i]);
  EXPECT_EQ(seen.back(), "6/1");
  EXPECT_FALSE(toolkit_.busy);
}

TEST_F(ScanTest, QuickFilesDoNotEachRunEvents) {
  for (int i = 0; i < 300; ++i)
    Write("m" + std::to_string(i) + ".cnm", test::Bounce("s"));
  desk_.LoadFolder();
  EXPECT_EQ(desk_.txt_Info1, "300");
  EXPECT_LT(toolkit_.doEvents, 100);
}

}  // namespace
}  // namespace ndr
