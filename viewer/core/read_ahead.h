// The files of a folder scan read ahead of the thread that makes the rows: a
// few reader threads read the heads of the next listed files into records,
// while the calling thread lists the folder and takes the records back in
// exactly the listing order. At most `depth` records wait at any time, so
// memory stays the same for 100 or 100,000 files.
//
// How many readers pay depends on the disk more than on the processors: a
// cached file is work for a processor, and readers beyond their number only
// take turns; a file the disk must fetch leaves its reader waiting, and a
// disk answers many waiting reads at once (a deep queue, a network drive).
// So the scan starts with one reader per processor and adds readers while
// most reads wait on the disk.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "folder_scan.h"
#include "message_reader.h"

namespace ndr {

// The machine's processor count, at least 2: the files are mostly waited for,
// not computed, so a second reader pays even on one processor.
int DefaultReaderCount();
// The most readers a scan grows to: past this a disk answers no faster.
constexpr int kMostReaders = 16;

class ReadAhead {
 public:
  struct Entry {
    ListedEntry listed;
    EntryOutcome outcome = EntryOutcome::NotAFile;
    MessageInfo info;  // FileName: the folder, "\" and name
    bool done = false;
  };

  // readers: threads beside the caller at the start; with 0 the caller reads
  // every file itself, one after the other. Readers are added, up to
  // mostReaders, while most reads wait on the disk.
  ReadAhead(const std::string& folder, int readers, std::size_t depth, int mostReaders = 0);
  // Stops the readers (each ends the file it is reading) and waits for them.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The next listed entry, read; nullptr after the last. The entry stays
  // valid until the next call.
  Entry* Next();

 private:
  Entry& Slot(std::uint64_t index) { return slots_[index % slots_.size()]; }
  Entry* NextAlone();
  void ListMore(std::unique_lock<std::mutex>& lock);
  void Read(Entry& entry, EntryReader& reader);
  // Reads the entry; whether it waited for the disk, for CountRead, while
  // counting (readers may be added). lastLong: the thread's last read was.
  bool ReadCountingWaits(Entry& entry, EntryReader& reader, bool counting, bool& lastLong);
  bool ReadAheadOf(std::uint64_t first, std::uint64_t count, EntryReader& reader, bool counting,
                   bool& lastLong);
  // Under the lock, after each read: whether most of the last reads waited.
  void CountRead(bool waited);
  void StartReader();
  void ReaderLoop();

  ScanFolder folder_;
  EntryReader ownReader_;  // the caller's, for the entries no reader took
  bool ownLastLong_ = false;
  std::string prefix_;  // the folder and its backslash
  std::vector<Entry> slots_;
  // Entry numbers in listing order: [head_, claimed_) are being read or
  // done, [claimed_, listed_) wait for a reader.
  std::uint64_t head_ = 0, claimed_ = 0, listed_ = 0;
  bool handedOut_ = false;  // Slot(head_) is with the caller
  bool listingDone_ = false, stopping_ = false;
  std::mutex mutex_;
  std::condition_variable work_;  // readers: entries listed, or stop
  std::condition_variable read_;  // the caller: Slot(head_) is done
  std::vector<std::thread> readers_;
  std::size_t mostReaders_;
  int readsCounted_ = 0, readsWaited_ = 0;  // of the reads since the last verdict
  bool diskBound_ = false;                  // the last verdict: add a reader
};

}  // namespace ndr
