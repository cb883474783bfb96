#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "folder_scan.h"
#include "os_seam.h"
#include "platform.h"
#include "test_support.h"

#ifdef __linux__
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#endif

namespace ndr {
namespace {

const std::string kRoot = "P:\\scan-batch-tests";

// What a scan learns of one entry: as HeadLines reads, a short count ends it.
struct Seen {
  ScanFile::Kind opened = ScanFile::Kind::Gone;
  ScanFile::Kind settled = ScanFile::Kind::Gone;
  std::uint64_t size = 0;
  std::string bytes;
  bool operator==(const Seen&) const = default;
};

Seen ReadEntry(const ScanFolder& folder, const ListedEntry& entry, ScanBatch* batch,
               std::size_t capacity) {
  ScanFile file;
  Seen seen;
  seen.opened = seen.settled = file.Open(folder, entry, batch);
  if (seen.opened == ScanFile::Kind::Ordinary) {
    std::vector<char> buffer(capacity);
    for (;;) {
      const std::ptrdiff_t got = file.Read(buffer.data(), capacity);
      if (got <= 0)
        break;
      seen.bytes.append(buffer.data(), static_cast<std::size_t>(got));
      if (static_cast<std::size_t>(got) < capacity)
        break;
    }
    seen.settled = file.Settle();
  }
  seen.size = file.Size();
  return seen;
}

std::vector<ListedEntry> ListAll(ScanFolder& folder) {
  std::vector<ListedEntry> entries;
  for (ListedEntry entry; folder.Next(entry);)
    entries.push_back(entry);
  return entries;
}

// Reads every entry in batches (as many as a batch takes) or, with no
// batch, each on its own.
std::map<std::string, Seen> ReadAll(const ScanFolder& folder,
                                    const std::vector<ListedEntry>& entries, bool batched,
                                    std::size_t capacity, bool* batchedAny = nullptr) {
  std::map<std::string, Seen> seen;
  ScanBatch batch;
  for (std::size_t at = 0; at < entries.size(); at += ScanBatch::kMostFiles) {
    const std::size_t count = std::min(ScanBatch::kMostFiles, entries.size() - at);
    std::vector<const ListedEntry*> some;
    for (std::size_t i = 0; i < count; ++i)
      some.push_back(&entries[at + i]);
    if (batched && batch.Start(folder, some) && batchedAny != nullptr)
      *batchedAny = true;
    for (const ListedEntry* entry : some)
      seen[entry->name] = ReadEntry(folder, *entry, batched ? &batch : nullptr, capacity);
  }
  return seen;
}

std::string Bytes(std::size_t size, char seed) {
  std::string bytes(size, ' ');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(seed + static_cast<char>(i % 53));
  return bytes;
}

class ScanBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::RemoveTree(kRoot);
    testsupport::MakeFolders(kRoot);
  }
  void TearDown() override { testsupport::RemoveTree(kRoot); }
  void Write(const std::string& name, const std::string& bytes) {
    testsupport::WriteBytes(FsPath(kRoot, name), bytes);
  }
};

// Whatever the read's size, a batched head gives the bytes, kinds and
// lengths that the plain calls give: around the head's own size, for
// empty, hidden and vanished entries, and one that became a folder.
TEST_F(ScanBatchTest, BatchedHeadsReadAsThePlainCallsDo) {
  const std::size_t head = ScanBatch::kHeadBytes;
  const std::size_t sizes[] = {0, 1, 100, head - 1, head, head + 1, 3 * head + 5};
  char seed = 'A';
  for (std::size_t size : sizes)
    Write("f" + std::to_string(size) + ".cnm", Bytes(size, seed++));
  Write(".hidden.cnm", "hidden");
  Write("vanishing.cnm", "gone before it is opened");
  Write("to-folder.cnm", "a folder before it is opened");
  ScanFolder folder(kRoot);
  const std::vector<ListedEntry> entries = ListAll(folder);
  testsupport::RemoveTree(kRoot + "\\vanishing.cnm");
  testsupport::RemoveTree(kRoot + "\\to-folder.cnm");
  testsupport::MakeFolders(kRoot + "\\to-folder.cnm");

  bool batchedAny = false;
  for (std::size_t capacity : {head, std::size_t{1000}, head + 3000, 4 * head}) {
    const auto plain = ReadAll(folder, entries, false, capacity);
    const auto batched = ReadAll(folder, entries, true, capacity, &batchedAny);
    for (const auto& [name, seen] : plain) {
      EXPECT_TRUE(batched.at(name) == seen) << name << " read " << capacity << " at a time";
    }
  }
  EXPECT_EQ(ReadAll(folder, entries, false, head).at("f16385.cnm").bytes, Bytes(head + 1, 'F'));
#ifdef __linux__
  if (!batchedAny)
    GTEST_SKIP() << "the system gives no io_uring: only the plain calls were tried";
#else
  EXPECT_FALSE(batchedAny);
#endif
}

// The seam sees every batched call and can fail it: an open or a read it
// fails gives what the plain call failed the same way gives.
class FailNamedFiles : public OsCallHook {
 public:
  OsFault Before(const OsCallInfo& info) override {
    const std::string_view path = info.path;
    if (info.call == OsCall::kOpenRead && path.ends_with("no-open.cnm"))
      return OsFault::kAccessDenied;
    if (info.call == OsCall::kRead && info.file == noRead_)
      return OsFault::kIoError;
    return OsFault::kNone;
  }
  void After(const OsCallInfo& info, bool succeeded) override {
    const std::string_view path = info.path;
    if (info.call == OsCall::kOpenRead && succeeded && path.ends_with("no-read.cnm"))
      noRead_ = info.file;
    if (info.call == OsCall::kOpenRead && succeeded)
      ++opened_;
    if (info.call == OsCall::kClose)
      ++closed_;
  }
  int Opened() const { return opened_; }
  int Closed() const { return closed_; }

 private:
  std::intptr_t noRead_ = -2;
  int opened_ = 0, closed_ = 0;
};

TEST_F(ScanBatchTest, TheSeamFailsBatchedCallsAsPlainOnesAndSeesEveryFileClosed) {
  for (const char* name : {"a.cnm", "no-open.cnm", "b.cnm", "no-read.cnm", "c.cnm"})
    Write(name, std::string("bytes of ") + name);
  ScanFolder folder(kRoot);
  const std::vector<ListedEntry> entries = ListAll(folder);
  FailNamedFiles plainDrive;
  std::map<std::string, Seen> plain;
  {
    ScopedOsCallHook scope(plainDrive);
    plain = ReadAll(folder, entries, false, ScanBatch::kHeadBytes);
  }
  FailNamedFiles batchDrive;
  std::map<std::string, Seen> batched;
  {
    ScopedOsCallHook scope(batchDrive);
    batched = ReadAll(folder, entries, true, ScanBatch::kHeadBytes);
  }
  EXPECT_EQ(plain.at("no-open.cnm").settled, ScanFile::Kind::Unreadable);
  EXPECT_EQ(plain.at("no-read.cnm").bytes, "");
  for (const auto& [name, seen] : plain)
    EXPECT_TRUE(batched.at(name) == seen) << name;
  EXPECT_EQ(batchDrive.Opened(), 4);
  EXPECT_EQ(batchDrive.Closed(), batchDrive.Opened());  // once the batch is gone
}

#ifdef __linux__
// A pipe put in a listed file's place, with a writer that never writes:
// the batched read is called off rather than waited for, and the entry is
// what it became.
TEST_F(ScanBatchTest, APipeInAFilesPlaceIsNotWaitedFor) {
  Write("pipe.cnm", "an ordinary file when listed");
  Write("after.cnm", "read after the pipe");
  ScanFolder folder(kRoot);
  const std::vector<ListedEntry> entries = ListAll(folder);
  const std::string pipe = NativePath(FsPath(kRoot, "pipe.cnm"));
  ASSERT_EQ(::unlink(pipe.c_str()), 0);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const int writer = ::open(pipe.c_str(), O_RDWR | O_NONBLOCK);  // holds it open
  ASSERT_GE(writer, 0);

  const auto seen = ReadAll(folder, entries, true, ScanBatch::kHeadBytes);
  ::close(writer);
  EXPECT_EQ(seen.at("pipe.cnm").settled, ScanFile::Kind::NotOrdinary);
  EXPECT_EQ(seen.at("after.cnm").bytes, "read after the pipe");
}

// However a batch ends, it leaves no descriptor open.
TEST_F(ScanBatchTest, NoDescriptorOutlivesTheBatch) {
  for (int i = 0; i < 20; ++i)
    Write("m" + std::to_string(i) + ".cnm", "x");
  const auto openCount = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
  };
  ScanFolder folder(kRoot);
  const std::vector<ListedEntry> entries = ListAll(folder);
  const auto before = openCount();
  {
    ScanBatch batch;
    std::vector<const ListedEntry*> some;
    for (std::size_t i = 0; i < ScanBatch::kMostFiles; ++i)
      some.push_back(&entries[i]);
    batch.Start(folder, some);
    ReadEntry(folder, entries[0], &batch, ScanBatch::kHeadBytes);  // one taken, the rest not
    some.assign(1, &entries[10]);
    batch.Start(folder, some);
  }
  EXPECT_EQ(openCount(), before);
}
#endif

}  // namespace
}  // namespace ndr
