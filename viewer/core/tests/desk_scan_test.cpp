// The folder scan: which files become rows, what a row holds, the counters,
// the readers that read ahead, and what the window may do meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif
#ifdef _WIN32
#include <windows.h>
#endif

#include "desk.h"
#include "fake_toolkit.h"
#include "grid.h"
#include "number_format.h"
#include "os_seam.h"
#include "sample_mail.h"
#include "wide_text.h"

namespace ndr {
namespace {

// A scan as the window sees it: the grid, the counters, and what they showed
// at each event run.
struct ScanResult {
  std::vector<std::vector<std::string>> cells;
  std::string counters;
  std::vector<std::string> atEvents;
};

// A head of 200 lines of 300 bytes, beyond what is read, in several pieces.
std::string LongHead() {
  std::string head = "Subject: long\r\n";
  for (int i = 0; i < 200; ++i)
    head += "X-Pad: " + std::string(291, 'p') + "\r\n";
  return head;
}

class ScanTest : public ::testing::Test {
 protected:
  ScanTest() : desk_(toolkit_, grid_) {
    testsupport::MakeFolders(folder_);
    desk_.ShowFolder(folder_);
  }
  ~ScanTest() override { testsupport::RemoveTree(folder_); }

  void Write(const std::string& name, const std::string& bytes) {
    testsupport::WriteBytes(folder_ + "\\" + name, bytes);
  }
  // A file the reader must not see: a dot name on POSIX, the hidden
  // attribute on Windows. Returns its name.
  std::string WriteHidden(const std::string& bytes) {
#ifdef _WIN32
    Write("secret.cnm", bytes);
    SetFileAttributesW(WideFromUtf8(NativePath(folder_ + "\\secret.cnm")).c_str(),
                       FILE_ATTRIBUTE_HIDDEN);
    return "secret.cnm";
#else
    Write(".secret.cnm", bytes);
    return ".secret.cnm";
#endif
  }
  std::vector<std::string> Cells(std::int32_t row) const {
    std::vector<std::string> cells;
    for (std::int32_t c = 0; c < grid_.Cols(); ++c)
      cells.emplace_back(grid_.TextMatrix(row, c));
    return cells;
  }
  // Rows by file name, each as its cells.
  std::map<std::string, std::vector<std::string>> RowsByName() const {
    std::map<std::string, std::vector<std::string>> rows;
    for (std::int32_t r = 1; r < grid_.Rows(); ++r)
      rows[std::string(grid_.TextMatrix(r, 1))] = Cells(r);
    return rows;
  }
  std::string Counters() const {
    return desk_.BoxText(ControlId::txt_Info1) + "|" + desk_.BoxText(ControlId::txt_Info2) + "|" +
           desk_.BoxText(ControlId::txt_Info3);
  }

  ScanResult Scan(int readers) {
    ScanResult result;
    desk_.SetScanReaders(readers);
    desk_.SetScanEventsInterval({});  // every entry runs events
    toolkit_.onDoEvents = [&] {
      result.atEvents.push_back(Counters() + "|" + std::to_string(grid_.Rows()));
    };
    desk_.LoadFolder();
    toolkit_.onDoEvents = nullptr;
    for (std::int32_t r = 0; r < grid_.Rows(); ++r)
      result.cells.push_back(Cells(r));
    result.counters = Counters();
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
    Write("abc.cnm", test::Bounce("Undeliverable", "Thu, 5 Feb 2004 10:15:00 +0100"));
    Write("empty.cnm", "");
    Write("Жук café.cnm", test::Bounce("a name beyond the code page"));
    Write("unreadable.cnm", test::Bounce("never read"));
    Write("vanishing.cnm", test::Bounce("gone before it is read"));
    hidden_ = WriteHidden(test::Bounce("hidden"));
    Write("long.cnm", LongHead());
    testsupport::MakeFolders(folder_ + "\\folder.cnm");
    Write("folder.cnm\\inner.cnm", test::Bounce("in a subfolder"));
  }

  // The unreadable file refuses to open; the vanishing one goes just before.
  std::function<OsFault(const std::string&)> FaultyDrive() {
    const std::string folder = folder_;
    return [folder](const std::string& name) {
      if (name == "vanishing.cnm")
        testsupport::RemoveTree(folder + "\\" + name);
      return name == "unreadable.cnm" ? OsFault::kAccessDenied : OsFault::kNone;
    };
  }

  const std::string folder_ = (std::filesystem::temp_directory_path() /
                               ("ndr-desk-" + std::to_string(std::random_device{}())))
                                  .string();
  std::string hidden_;
  test::FakeToolkit toolkit_;
  Grid grid_;
  Desk desk_;
};

TEST_F(ScanTest, EmptyAndMissingFoldersLeaveTheEmptyGrid) {
  for (const std::string& folder : {folder_, folder_ + "\\nowhere"}) {
    desk_.ShowFolder(folder);
    desk_.LoadFolder();
    EXPECT_EQ(grid_.Rows(), 2) << folder;
    EXPECT_EQ(grid_.TextMatrix(1, 0), "001");
    EXPECT_EQ(grid_.TextMatrix(1, 1), "");
    EXPECT_EQ(Counters(), "0|0|0");
  }
}

TEST_F(ScanTest, AReloadStartsAfresh) {
  Write("a.cnm", test::Bounce("one"));
  Write("b.cnm", test::Bounce("two"));
  desk_.LoadFolder();
  grid_.Select(1, 3, 1, 3);
  desk_.MnuPOPBFlag_Click();
  desk_.MnuPOPHSortD_Click();
  testsupport::RemoveTree(folder_ + "\\a.cnm");

  desk_.LoadFolder();

  ASSERT_EQ(grid_.Rows(), 2);
  EXPECT_EQ(Cells(1)[0] + " " + Cells(1)[1] + " " + Cells(0)[3], "1 b.cnm Subject: ");
  EXPECT_EQ(grid_.CellPictureAt(1, 3), kNoPicture);
  EXPECT_EQ(desk_.BoxText(ControlId::txt_Info1), "1");
}

TEST(CounterPatterns, GroupAsThePatternsSay) {
  EXPECT_EQ(FormatCount(999), "999");  // no leading blank
  EXPECT_EQ(FormatCount(1234567), "1234 567");
  EXPECT_EQ(FormatByteTotal(1234567), "1 234 567");
  EXPECT_EQ(FormatByteTotal(5'000'000'000), "5000 000 000");  // sizes beyond 32 bits
  EXPECT_EQ(FormatZeroPadded(32767, 3).View(), "32767");
}

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

TEST_F(ScanTest, ReadersGiveTheSerialScanRowForRowAndEventForEvent) {
  WriteMixedFolder(700);  // more than the records read ahead: the ring wraps
  OpenWatch drive(FaultyDrive());
  const ScanResult serial = Scan(0);
  for (int readers : {1, 2, 5}) {
    Write("vanishing.cnm", test::Bounce("gone before it is read"));
    const ScanResult overlapped = Scan(readers);
    EXPECT_EQ(overlapped.counters, serial.counters) << readers;
    ASSERT_EQ(overlapped.cells.size(), serial.cells.size()) << readers;
    for (std::size_t r = 0; r < serial.cells.size(); ++r)
      ASSERT_EQ(overlapped.cells[r], serial.cells[r]) << readers << " readers, row " << r;
    EXPECT_TRUE(overlapped.atEvents == serial.atEvents) << readers;
  }

  // What the odd entries gave: the folder and the empty file are no rows,
  // the unreadable file shows its size only, the vanished and the hidden one
  // nothing; a bounce shows its own and its returned message's header.
  const auto rows = RowsByName();
  EXPECT_EQ(rows.size(), 700u + 9u);
  EXPECT_EQ(rows.count("folder.cnm") + rows.count("inner.cnm") + rows.count("empty.cnm"), 0u);
  EXPECT_EQ(desk_.BoxText(ControlId::txt_Info3), "1");
  EXPECT_EQ(rows.at("unreadable.cnm")[2], std::to_string(test::Bounce("never read").size()));
  EXPECT_EQ(rows.at("unreadable.cnm")[3], "");
  EXPECT_EQ(rows.at("vanishing.cnm")[2], "0");
  EXPECT_EQ(rows.at(hidden_)[2], "0");
  EXPECT_EQ(rows.at("Жук café.cnm")[3], "a name beyond the code page");
  EXPECT_EQ(rows.at("long.cnm")[3], "long");
  EXPECT_EQ(rows.at("long.cnm")[10], "71");
  const std::string abc = test::Bounce("Undeliverable", "Thu, 5 Feb 2004 10:15:00 +0100");
  EXPECT_EQ(
      std::vector<std::string>(rows.at("abc.cnm").begin() + 2, rows.at("abc.cnm").end() - 1),
      (std::vector<std::string>{std::to_string(abc.size()), "Undeliverable", "~2004/02/05 09:15:00",
                                "MAILER-DAEMON@mx.example.net", "remailer@example.com",
                                "alice@example.org", "Re: hello", "~1899/12/30 00:00:00", "11"}));
  std::int64_t total = 0;
  for (const auto& [name, cells] : rows)
    total += std::stoll(cells[2]);
  EXPECT_EQ(desk_.BoxText(ControlId::txt_Info2), FormatByteTotal(total));
  for (std::int32_t r = 1; r < grid_.Rows(); ++r)
    ASSERT_EQ(grid_.TextMatrix(r, 0), std::to_string(r));  // in listing order
}

// A file the listing called ordinary is read without a look at it; when it
// was replaced in between, the reads must not make a row or a length of what
// took its place.
TEST_F(ScanTest, EntriesReplacedAfterTheListingAreTakenForWhatTheyBecame) {
  const std::string shortBounce = test::Bounce("short now"), longHead = LongHead();
  const auto replace = [&](const std::string& name) {
    const std::string path = folder_ + "\\" + name;
    if (name == "to-folder.cnm") {
      testsupport::RemoveTree(path);
      testsupport::MakeFolders(path);
    } else if (name == "to-empty.cnm" || name == "to-short.cnm") {
      testsupport::WriteBytes(path, name == "to-empty.cnm" ? "" : shortBounce);
    }
    return OsFault::kNone;
  };
  for (int readers : {0, 2}) {
    for (const char* name : {"to-folder.cnm", "to-empty.cnm", "to-short.cnm"}) {
      testsupport::RemoveTree(folder_ + "\\" + name);
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

TEST_F(ScanTest, EachFileIsOpenedOnceAndReadersStayABoundedWayAhead) {
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

TEST_F(ScanTest, ClosingTheWindowEndsTheScanAndItsReaders) {
  for (int i = 0; i < 1000; ++i)
    Write("m" + std::to_string(i) + ".cnm", test::Bounce("s"));
  for (int readers : {0, 2}) {
    Desk closing(toolkit_, grid_);
    closing.ShowFolder(folder_);
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
TEST_F(ScanTest, NoCommandRunsInsideAScan) {
  for (int i = 0; i < 40; ++i)
    Write("m" + std::to_string(i) + ".cnm", test::Bounce("s" + std::to_string(i)));
  desk_.LoadFolder();
  const std::string subfolder = folder_ + "\\Wait";  // where Hold would move
  testsupport::MakeFolders(subfolder);
  for (int readers : {0, 2}) {
    desk_.SetScanReaders(readers);
    desk_.SetScanEventsInterval({});
    toolkit_.scans = 0;
    int events = 0;
    toolkit_.onDoEvents = [&] {
      events += toolkit_.busy ? 1 : 0;
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
    EXPECT_EQ(events, 40) << readers;  // busy from the first file on
    EXPECT_EQ(toolkit_.scans, 1);
    EXPECT_EQ(grid_.TextMatrix(0, 3), "Subject: ");  // not sorted
    EXPECT_EQ(desk_.SelectedOption(ControlId::Option3), 0);
    EXPECT_TRUE(testsupport::FileNames(subfolder).empty());
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
