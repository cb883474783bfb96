// The folder scan: which files become rows, what a row holds, the counters
// and how the window is kept alive meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "desk.h"
#include "desk_test_support.h"
#include "fake_toolkit.h"
#include "grid.h"
#include "number_format.h"
#include "os_seam.h"
#include "sample_mail.h"

namespace ndr {
namespace {

class ScanTest : public ::testing::Test {
 protected:
  ScanTest() : desk_(toolkit_, grid_) { desk_.ShowFolder(folder_.Path()); }

  void Write(const std::string& name, const std::string& bytes) {
    test::WriteBytes(folder_.Path() + "\\" + name, bytes);
  }
  // Rows by file name, each as its cells.
  std::map<std::string, std::vector<std::string>> RowsByName() const {
    std::map<std::string, std::vector<std::string>> rows;
    for (std::int32_t r = 1; r < grid_.Rows(); ++r) {
      std::vector<std::string> cells;
      for (std::int32_t c = 0; c < grid_.Cols(); ++c)
        cells.emplace_back(grid_.TextMatrix(r, c));
      rows[std::string(grid_.TextMatrix(r, 1))] = cells;
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
  EXPECT_EQ(desk_.BoxText(ControlId::txt_Info1), "5");
  EXPECT_EQ(desk_.BoxText(ControlId::txt_Info3), "1");
  const auto total = bounce.size() + 12 + 6 + 16;  // the hidden file adds nothing
  EXPECT_EQ(desk_.BoxText(ControlId::txt_Info2), FormatByteTotal(static_cast<std::int64_t>(total)));

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
    desk_.ShowFolder(folder);
    desk_.LoadFolder();
    EXPECT_EQ(grid_.Rows(), 2) << folder;
    EXPECT_EQ(grid_.TextMatrix(1, 0), "001");
    EXPECT_EQ(grid_.TextMatrix(1, 1), "");
    EXPECT_EQ(desk_.BoxText(ControlId::txt_Info1), "0");
    EXPECT_EQ(desk_.BoxText(ControlId::txt_Info2), "0");
    EXPECT_EQ(desk_.BoxText(ControlId::txt_Info3), "0");
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
  EXPECT_EQ(desk_.BoxText(ControlId::txt_Info1), "1");
}

TEST_F(ScanTest, WidthUnitRoundsHalfToEven) {
  // 8.25 pt x 15 = 123.75 gives 124; the ties 16.5 and 49.5 give 16 and 50.
  for (auto [twips, unit] : {std::pair{15.0, 124}, {2.0, 16}, {6.0, 50}}) {
    toolkit_.twipsPerPixel = twips;
    desk_.ResetGrid();
    EXPECT_EQ(grid_.ColWidth(0), unit * 3) << twips;
    EXPECT_EQ(grid_.ColWidth(7), unit * 25) << twips;
  }
  EXPECT_EQ(grid_.TextMatrix(0, 0), "N\xC2\xB0 ");
}

TEST(CounterPatterns, GroupAsThePatternsSay) {
  EXPECT_EQ(FormatCount(0), "0");
  EXPECT_EQ(FormatCount(999), "999");  // no leading blank
  EXPECT_EQ(FormatCount(1234), "1 234");
  EXPECT_EQ(FormatCount(1234567), "1234 567");
  EXPECT_EQ(FormatByteTotal(123456), "123 456");
  EXPECT_EQ(FormatByteTotal(1234567), "1 234 567");
  EXPECT_EQ(FormatByteTotal(5'000'000'000), "5000 000 000");  // sizes beyond 32 bits
  EXPECT_EQ(FormatZeroPadded(1, 3).View(), "001");
  EXPECT_EQ(FormatZeroPadded(32767, 3).View(), "32767");
}

TEST_F(ScanTest, WindowStaysBusyAndCountersAdvanceBetweenEvents) {
  for (int i = 0; i < 6; ++i)
    Write("m" + std::to_string(i) + ".cnm", test::Bounce("s"));
  Write("z.cnm", "");
  desk_.SetScanEventsInterval({});  // every file is due for an event run
  std::vector<std::string> seen;
  std::vector<bool> busy;
  toolkit_.onDoEvents = [&] {
    seen.push_back(desk_.BoxText(ControlId::txt_Info1) + "/" + desk_.BoxText(ControlId::txt_Info3));
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

// --- Reading ahead ---------------------------------------------------------

// A scan as the window sees it: the grid, the counters, and what they showed
// at each event run.
struct ScanResult {
  std::vector<std::vector<std::string>> cells;
  std::string counters;
  std::vector<std::string> atEvents;
  int scans = 0;
};

// A drive seen through the platform's seam: calls back with the name of
// every file the scan opens, from whichever thread opens it, and lets the
// callback fail that open.
class OpenWatch : public OsCallHook {
 public:
  explicit OpenWatch(std::function<OsFault(const std::string& name)> onOpen)
      : onOpen_(std::move(onOpen)), scope_(*this) {}
  OsFault Before(const OsCallInfo& info) override {
    if (info.call != OsCall::kOpenRead)
      return OsFault::kNone;
    const std::size_t slash = info.path.find_last_of("\\/");
    return onOpen_(std::string(info.path.substr(slash == std::string_view::npos ? 0 : slash + 1)));
  }
  void After(const OsCallInfo&, bool) override {}

 private:
  std::function<OsFault(const std::string&)> onOpen_;
  ScopedOsCallHook scope_;
};

// Where two scans' grids first differ, for the failure message.
std::string FirstDifference(const ScanResult& a, const ScanResult& b) {
  for (std::size_t r = 0; r < std::min(a.cells.size(), b.cells.size()); ++r) {
    for (std::size_t c = 0; c < a.cells[r].size(); ++c) {
      if (a.cells[r][c] != b.cells[r][c])
        return " row " + std::to_string(r) + " col " + std::to_string(c) + ": [" + a.cells[r][c] +
               "] [" + b.cells[r][c] + "]";
    }
  }
  return " rows " + std::to_string(a.cells.size()) + " and " + std::to_string(b.cells.size());
}

class ReadAheadTest : public ScanTest {
 protected:
  std::string Counters() const {
    return desk_.BoxText(ControlId::txt_Info1) + "|" + desk_.BoxText(ControlId::txt_Info2) + "|" +
           desk_.BoxText(ControlId::txt_Info3);
  }

  ScanResult Scan(int readers) {
    ScanResult result;
    desk_.SetScanReaders(readers);
    desk_.SetScanEventsInterval({});  // every entry runs events
    toolkit_.scans = 0;
    toolkit_.onDoEvents = [&] {
      result.atEvents.push_back(Counters() + "|" + std::to_string(grid_.Rows()));
    };
    desk_.LoadFolder();
    toolkit_.onDoEvents = nullptr;
    for (std::int32_t r = 0; r < grid_.Rows(); ++r) {
      std::vector<std::string> row;
      for (std::int32_t c = 0; c < grid_.Cols(); ++c)
        row.emplace_back(grid_.TextMatrix(r, c));
      result.cells.push_back(row);
    }
    result.counters = Counters();
    result.scans = toolkit_.scans;
    return result;
  }

  // Every kind of file the samples make, and the odd entries a folder holds.
  void WriteMixedFolder(int bounces) {
    for (int i = 0; i < bounces; ++i) {
      const auto seed = static_cast<std::uint64_t>(i);
      Write(
          "b" + std::to_string(i) + ".cnm",
          samples::MakeBounce(seed, samples::MixedBounceOptions(seed, 1500 + 97 * (i % 50))).bytes);
    }
    const samples::QueuePair pair = samples::MakeQueuePair(7);
    Write("wwwwww.q0", pair.q0);
    Write("wwwwww.q1", pair.q1);
    Write("plain.txt", samples::MakeMessage(3));
    Write("empty.cnm", "");
    Write("Жук café.cnm", test::Bounce("a name beyond the code page"));
    Write("unreadable.cnm", test::Bounce("never read"));
    Write("vanishing.cnm", test::Bounce("gone before it is read"));
    test::WriteHidden(folder_.Path(), test::Bounce("hidden"));
    // A long head: 200 lines of 300 bytes, read in several pieces.
    std::string longHead = "Subject: long\r\n";
    for (int i = 0; i < 200; ++i)
      longHead += "X-Pad: " + std::string(291, 'p') + "\r\n";
    Write("long.cnm", longHead);
    std::filesystem::create_directories(test::Native(folder_.Path() + "\\folder.cnm"));
  }

  // The unreadable file refuses to open; the vanishing one goes just before.
  std::function<OsFault(const std::string&)> FaultyDrive() {
    const std::string folder = folder_.Path();
    return [folder](const std::string& name) {
      if (name == "vanishing.cnm") {
        std::error_code ignored;
        std::filesystem::remove(test::Native(folder + "\\" + name), ignored);
      }
      return name == "unreadable.cnm" ? OsFault::kAccessDenied : OsFault::kNone;
    };
  }
  void Rewrite(const std::string& name) { Write(name, test::Bounce("gone before it is read")); }
};

TEST_F(ReadAheadTest, ReadersGiveTheSerialScanRowForRowAndEventForEvent) {
  WriteMixedFolder(700);  // more than the records read ahead: the ring wraps
  OpenWatch drive(FaultyDrive());
  const ScanResult serial = Scan(0);
  for (int readers : {1, 2, 5}) {
    Rewrite("vanishing.cnm");
    const ScanResult overlapped = Scan(readers);
    EXPECT_EQ(overlapped.scans, 1);
    EXPECT_EQ(overlapped.counters, serial.counters) << readers;
    EXPECT_TRUE(overlapped.cells == serial.cells) << readers << FirstDifference(serial, overlapped);
    EXPECT_TRUE(overlapped.atEvents == serial.atEvents) << readers;
  }

  // What the odd entries gave: the folder and the empty file are no rows,
  // the unreadable file shows its size only, the vanished one nothing.
  const auto rows = RowsByName();
  EXPECT_EQ(rows.size(), 700u + 8u);
  EXPECT_EQ(rows.count("folder.cnm"), 0u);
  EXPECT_EQ(rows.count("empty.cnm"), 0u);
  EXPECT_EQ(desk_.BoxText(ControlId::txt_Info3), "1");
  EXPECT_EQ(rows.at("unreadable.cnm")[2], std::to_string(test::Bounce("never read").size()));
  EXPECT_EQ(rows.at("unreadable.cnm")[3], "");
  EXPECT_EQ(rows.at("vanishing.cnm")[2], "0");
  EXPECT_EQ(rows.at("Жук café.cnm")[3], "a name beyond the code page");
  EXPECT_EQ(rows.at("long.cnm")[3], "long");
  EXPECT_EQ(rows.at("long.cnm")[10], "71");
}

// A file the listing called ordinary is read without a look at it; when it
// was replaced in between, the reads must not make a row or a length of what
// took its place.
TEST_F(ReadAheadTest, EntriesReplacedAfterTheListingAreTakenForWhatTheyBecame) {
  const std::string shortBounce = test::Bounce("short now");
  std::string longHead = "Subject: long\r\n";
  for (int i = 0; i < 200; ++i)
    longHead += "X-Pad: " + std::string(291, 'p') + "\r\n";  // beyond what is read
  const std::string folder = folder_.Path();
  const auto replace = [&](const std::string& name) {
    const auto path = test::Native(folder + "\\" + name);
    std::error_code ignored;
    if (name == "to-folder.cnm") {
      std::filesystem::remove(path, ignored);
      std::filesystem::create_directory(path, ignored);
    } else if (name == "to-empty.cnm") {
      test::WriteBytes(folder + "\\" + name, "");
    } else if (name == "to-short.cnm") {
      test::WriteBytes(folder + "\\" + name, shortBounce);
    }
    return OsFault::kNone;
  };
  for (int readers : {0, 2}) {
    for (const char* name : {"to-folder.cnm", "to-empty.cnm", "to-short.cnm"}) {
      std::error_code ignored;
      std::filesystem::remove_all(test::Native(folder + "\\" + name), ignored);
      Write(name, test::Bounce(std::string("was ") + name) + std::string(3000, 'x'));
    }
    Write("long.cnm", longHead);
    OpenWatch drive(replace);
    desk_.SetScanReaders(readers);
    desk_.LoadFolder();
    const auto rows = RowsByName();
    EXPECT_EQ(rows.count("to-folder.cnm"), 0u) << readers;
#ifdef _WIN32
    // Windows judges emptiness by the length the listing gave: a row.
    EXPECT_EQ(rows.at("to-empty.cnm")[2], "0") << readers;
#else
    EXPECT_EQ(rows.count("to-empty.cnm"), 0u) << readers;
    EXPECT_EQ(desk_.BoxText(ControlId::txt_Info3), "1") << readers;
#endif
    EXPECT_EQ(rows.at("to-short.cnm")[2], std::to_string(shortBounce.size())) << readers;
    EXPECT_EQ(rows.at("to-short.cnm")[3], "short now") << readers;
    EXPECT_EQ(rows.at("long.cnm")[2], std::to_string(longHead.size())) << readers;
  }
}

// A folder of the size the viewer is made for. Under the sanitizers and Wine
// making 100,000 files takes minutes; the bound does not depend on the count
// beyond the read-ahead's depth, which 2,000 files pass many times over.
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kLargeFolder = 2000;
#else
constexpr int kLargeFolder = 100000;
#endif

#ifdef __linux__
constexpr int kLowestNice = 19;
// The calling thread's nice value: Linux keeps one per thread.
int ThreadNice() {
  return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}
#else
constexpr int kLowestNice = 0;
int ThreadNice() {
  return 0;  // not looked at: the system's priorities are not nice values
}
#endif

TEST_F(ReadAheadTest, EachFileIsOpenedOnceAndReadersStayABoundedWayAhead) {
  constexpr int kFiles = kLargeFolder;
  for (int i = 0; i < kFiles; ++i)
    Write("m" + std::to_string(i) + ".cnm", test::Bounce(std::to_string(i)));
  std::mutex mutex;
  std::multiset<std::string> opened;
  std::set<std::thread::id> threads;
  std::map<std::thread::id, int> niceOf;
  std::atomic<int> opens{0}, rows{0}, mostAhead{0};
  const int windowNice = ThreadNice();
  OpenWatch drive([&](const std::string& name) {
    const int opening = ++opens;
    const int ahead = opening - rows.load();
    if (opening <= 1000)  // a disk the first files wait on: readers join
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    int most = mostAhead.load();
    while (ahead > most && !mostAhead.compare_exchange_weak(most, ahead)) {
    }
    std::lock_guard<std::mutex> lock(mutex);
    opened.insert(name);
    threads.insert(std::this_thread::get_id());
    niceOf[std::this_thread::get_id()] = ThreadNice();
    return OsFault::kNone;
  });
  desk_.SetScanReaders(2);
  desk_.SetScanEventsInterval({});
  toolkit_.onDoEvents = [&] { rows = grid_.Rows() - 2; };

  desk_.LoadFolder();

  EXPECT_EQ(desk_.BoxText(ControlId::txt_Info1), FormatCount(kFiles));
  EXPECT_EQ(opened.size(), std::size_t{kFiles});
  for (const std::string& name : opened)
    ASSERT_EQ(opened.count(name), 1u) << name;
  // However large the folder, no more records wait than the read-ahead holds
  // (and one in the hands of each reader).
  EXPECT_LE(mostAhead.load(), 256 + kMostReaders + 1);
  EXPECT_GT(mostAhead.load(), 1);      // the readers did read ahead
  EXPECT_GT(threads.size(), 1u + 2u);  // more readers than the two it started with
  // The readers yield to the window's thread, which keeps its own priority.
  EXPECT_EQ(ThreadNice(), windowNice);
  EXPECT_EQ(niceOf[std::this_thread::get_id()], windowNice);
  for (const auto& [thread, nice] : niceOf) {
    if (thread != std::this_thread::get_id() && windowNice < kLowestNice) {
      EXPECT_GT(nice, windowNice);
    }
  }

  // Without readers, every file is read on the window's own thread.
  threads.clear();
  desk_.SetScanReaders(0);
  desk_.LoadFolder();
  EXPECT_EQ(threads, std::set<std::thread::id>{std::this_thread::get_id()});
}

TEST_F(ReadAheadTest, ClosingTheWindowEndsTheScanAndItsReaders) {
  for (int i = 0; i < 1000; ++i)
    Write("m" + std::to_string(i) + ".cnm", test::Bounce("s"));
  for (int readers : {0, 2}) {
    Desk closing(toolkit_, grid_);
    closing.ShowFolder(folder_.Path());
    closing.SetScanReaders(readers);
    closing.SetScanEventsInterval({});
    int events = 0;
    toolkit_.onDoEvents = [&] {
      if (++events == 50)
        closing.Form_Unload();
    };
    closing.LoadFolder();
    EXPECT_EQ(events, 50) << readers;  // no event run after the close
    EXPECT_FALSE(toolkit_.busy);
    closing.cmd_GO_Click();  // a closed window scans no more
    EXPECT_EQ(events, 50);
  }
}

// A quick double click on GO, or any command, while a scan lets events run,
// is dropped: one scan, every file once, no file touched.
TEST_F(ReadAheadTest, NoCommandRunsInsideAScan) {
  for (int i = 0; i < 40; ++i)
    Write("m" + std::to_string(i) + ".cnm", test::Bounce("s" + std::to_string(i)));
  desk_.ShowFolder(folder_.Path());  // Hold moves into its \\Wait
  desk_.LoadFolder();
  const std::string subfolder = folder_.Path() + "\\Wait";
  std::filesystem::create_directories(test::Native(subfolder));
  for (int readers : {0, 2}) {
    desk_.SetScanReaders(readers);
    desk_.SetScanEventsInterval({});
    toolkit_.scans = 0;
    int events = 0;
    toolkit_.onDoEvents = [&] {
      ++events;
      grid_.SetMouseCell(0, 3);
      desk_.MSFlexGrid1_MouseDown(1, 0, 0, 0);  // a sort by Subject
      desk_.cmd_GO_Click();
      desk_.Option3_Click(2);
      grid_.SetRow(1);
      grid_.SetCol(1);
      grid_.SetRowSel(grid_.Rows() - 1);
      desk_.cmd_DELETE_Click();
      desk_.cmd_HOLD_Click();
    };
    desk_.cmd_GO_Click();
    toolkit_.onDoEvents = nullptr;
    EXPECT_EQ(events, 41) << readers;  // after the reset, then after each file
    EXPECT_EQ(toolkit_.scans, 1);
    EXPECT_EQ(desk_.BoxText(ControlId::txt_Info1), "40");
    EXPECT_EQ(grid_.Rows(), 41);
    EXPECT_EQ(grid_.TextMatrix(0, 3), "Subject: ");  // not sorted
    EXPECT_EQ(desk_.SelectedOption(ControlId::Option3), 0);
    for (std::int32_t r = 1; r < grid_.Rows(); ++r)
      EXPECT_EQ(grid_.TextMatrix(r, 0), std::to_string(r));
    EXPECT_TRUE(std::filesystem::is_empty(test::Native(subfolder)));
    EXPECT_EQ(RowsByName().size(), 40u);
  }
  // Once the scan is over, commands run again.
  grid_.SetRow(1);
  grid_.SetCol(1);
  desk_.cmd_HOLD_Click();
  EXPECT_EQ(grid_.Rows(), 40);
}

}  // namespace
}  // namespace ndr
