#include "read_ahead.h"

#include <algorithm>
#include <system_error>

#include "thread_priority.h"

namespace ndr {

namespace {

// A read of a cached file's head takes a few microseconds of a processor's
// time; one that took this long and gave up its processor on the way waited
// for the disk (or, rarely, for a lock: so it takes most of a run of reads
// to add a reader).
constexpr std::chrono::microseconds kDiskWait{40};
constexpr int kReadsPerVerdict = 32;
// The most entries a reader takes at once: as many as one batch opens.
constexpr std::uint64_t kMostClaimed = ScanBatch::kMostFiles;

}  // namespace

int DefaultReaderCount() {
  return std::max(2, static_cast<int>(std::thread::hardware_concurrency()));
}

ReadAhead::ReadAhead(const std::string& folder, int readers, std::size_t depth, int mostReaders)
    : folder_(folder),
      prefix_(folder + "\\"),
      slots_(std::max<std::size_t>(depth, 1)),
      mostReaders_(static_cast<std::size_t>(readers > 0 ? std::max(readers, mostReaders) : 0)) {
  for (int i = 0; i < readers; ++i)
    StartReader();
}

void ReadAhead::StartReader() {
  try {
    readers_.emplace_back([this] { ReaderLoop(); });
  } catch (const std::system_error&) {
    mostReaders_ = readers_.size();  // no more; the caller reads what none takes
  }
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  for (std::thread& reader : readers_)
    reader.join();
}

void ReadAhead::Read(Entry& entry, EntryReader& reader) {
  entry.info.FileName.assign(prefix_);
  entry.info.FileName.append(entry.listed.name);
  entry.outcome = reader.Read(folder_, entry.listed, entry.info);
}

// Every read is timed: a reader whose plain reads wait on the disk takes its
// next files one at a time. A batch is timed as a whole, against as many
// reads; the reader goes on batching, the disk answering a batch's reads
// together. The thread's wait count costs a system call, as much as the read
// of a cached file: it is asked only while readers may still be added
// (counting), and only after a long read or batch, when the disk may be the
// one being waited for; so the first long one of a run only starts the
// counting. work() returns false when it did nothing.
namespace {
template <typename Work>
bool TimeCountingWaits(Work&& work, std::chrono::nanoseconds longest, bool counting,
                       bool& lastLong) {
  constexpr std::int64_t kNotAsked = -2;
  const std::int64_t waitsBefore = counting && lastLong ? ThisThreadWaitCount() : kNotAsked;
  const auto start = std::chrono::steady_clock::now();
  if (!work())
    return false;
  lastLong = std::chrono::steady_clock::now() - start > longest;
  if (!lastLong || waitsBefore == kNotAsked)
    return false;
  // A long read that never gave up its processor was kept from one: readers
  // take turns on a busy machine, and more of them would only take more.
  return waitsBefore < 0 || ThisThreadWaitCount() > waitsBefore;
}
}  // namespace

bool ReadAhead::ReadCountingWaits(Entry& entry, EntryReader& reader, bool counting,
                                  bool& lastLong) {
  const auto read = [&] {
    Read(entry, reader);
    return true;
  };
  return TimeCountingWaits(read, kDiskWait, counting, lastLong);
}

// Opens and reads the claimed entries at once (EntryReader::ReadAheadOf);
// whether that waited on the disk, as ReadCountingWaits tells of one read.
bool ReadAhead::ReadAheadOf(std::uint64_t first, std::uint64_t count, EntryReader& reader,
                            bool counting, bool& lastLong) {
  const ListedEntry* entries[kMostClaimed];
  for (std::uint64_t i = 0; i < count; ++i)
    entries[i] = &Slot(first + i).listed;
  const auto batch = [&] { return reader.ReadAheadOf(folder_, std::span(entries, count)); };
  return TimeCountingWaits(batch, kDiskWait * static_cast<int>(count), counting, lastLong);
}

void ReadAhead::CountRead(bool waited) {
  readsWaited_ += waited ? 1 : 0;
  if (++readsCounted_ < kReadsPerVerdict)
    return;
  diskBound_ = readsWaited_ * 2 > readsCounted_;
  readsCounted_ = readsWaited_ = 0;
}

// Lists into the free slots; called and returns under the lock. Only the
// caller's thread lists, and readers touch no slot at or behind listed_, so
// the listing runs unlocked; the new entries are published under the lock.
// Listing waits until a quarter of the slots are free, so that it unlocks
// once per batch, not per file.
void ReadAhead::ListMore(std::unique_lock<std::mutex>& lock) {
  if (listingDone_ || listed_ - head_ > slots_.size() - std::max<std::size_t>(slots_.size() / 4, 1))
    return;
  const std::uint64_t from = listed_, limit = head_ + slots_.size();
  std::uint64_t to = from;
  lock.unlock();  // head_ moves only on this thread
  while (to < limit) {
    Entry& entry = Slot(to);
    if (!folder_.Next(entry.listed))
      break;
    entry.done = false;
    ++to;
  }
  lock.lock();
  listed_ = to;
  listingDone_ = to < limit;
  if (to > from)
    work_.notify_all();
}

// Without readers nothing is shared: one slot, listed and read in turn,
// without the lock.
ReadAhead::Entry* ReadAhead::NextAlone() {
  Entry& entry = slots_[0];
  if (!folder_.Next(entry.listed))
    return nullptr;
  Read(entry, ownReader_);
  return &entry;
}

ReadAhead::Entry* ReadAhead::Next() {
  if (readers_.empty())
    return NextAlone();
  // One lock for the whole step: the readers take it twice per file too,
  // and every taking passes it between the processors.
  std::unique_lock<std::mutex> lock(mutex_);
  if (handedOut_) {
    ++head_;
    handedOut_ = false;
    // Only this thread starts readers (and the destructor joins them); a new
    // one waits for the lock like the others.
    if (diskBound_ && readers_.size() < mostReaders_)
      StartReader();
    diskBound_ = false;  // one reader per verdict
  }
  ListMore(lock);
  if (head_ == listed_)
    return nullptr;  // listed to the end, all taken
  // While the next entry is not read, this thread reads the next one that no
  // reader has taken (the next entry itself when none has) rather than wait:
  // a thread that sleeps and wakes for every file costs more than the file.
  Entry& entry = Slot(head_);
  while (!entry.done) {
    if (claimed_ == listed_) {
      read_.wait(lock, [&] { return entry.done; });
      break;
    }
    Entry& other = Slot(claimed_++);
    const bool counting = readers_.size() < mostReaders_;
    lock.unlock();
    const bool waited = ReadCountingWaits(other, ownReader_, counting, ownLastLong_);
    lock.lock();
    other.done = true;
    CountRead(waited);
  }
  handedOut_ = true;
  return &entry;
}

void ReadAhead::ReaderLoop() {
  // The window's thread comes first: it adds the rows, paints and reads
  // whatever the readers have not taken, so a reader ahead of it must never
  // take its processor. On a slow drive the readers mostly wait and lose
  // nothing by this.
  MakeThisThreadBackground();
  EntryReader reader;
  bool lastLong = false, lastBatchLong = false;
  bool waited[kMostClaimed];
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [&] { return stopping_ || claimed_ < listed_ || listingDone_; });
    if (stopping_ || claimed_ == listed_)
      return;  // stopped, or nothing left to list and read
    // A few files at a time, while many wait, opened and read as one batch:
    // each taking of the lock moves it, and the counts beside it, between the
    // processors, and each system call costs. Never so many that the other
    // threads run dry; and where files are read one by one, after a read
    // that waited on the disk, one at a time, so that the window's thread
    // never waits for a row of disk reads.
    const std::uint64_t first = claimed_;
    const std::uint64_t share = (listed_ - claimed_) / (readers_.size() + 1);
    const std::uint64_t count = lastLong ? 1 : std::clamp<std::uint64_t>(share, 1, kMostClaimed);
    claimed_ += count;
    const bool counting = readers_.size() < mostReaders_;
    lock.unlock();
    const bool batchWaited =
        count > 1 && ReadAheadOf(first, count, reader, counting, lastBatchLong);
    for (std::uint64_t i = 0; i < count; ++i)
      waited[i] = ReadCountingWaits(Slot(first + i), reader, counting, lastLong) || batchWaited;
    lock.lock();
    for (std::uint64_t i = 0; i < count; ++i) {
      Slot(first + i).done = true;
      CountRead(waited[i]);
    }
    if (head_ >= first && head_ < first + count)
      read_.notify_one();
  }
}

}  // namespace ndr
