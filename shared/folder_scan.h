// The file work of a folder scan at the speed of the disk: the folder is
// opened once, its files are listed without a further look at each, and each
// file is opened by its name within the folder (relative to the open folder
// where the platform allows), its start read into the caller's buffer and
// its length taken from the reads or the open file. Several threads may open
// and read entries of one open folder at once; the listing itself belongs to
// one. Part of the platform layer (folder_scan.cpp and its _posix and _win32
// halves): every call passes the seam of os_seam.h, from whichever thread
// makes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform.h"

namespace ndr {

// One entry as the folder's listing gives it.
struct ListedEntry {
  std::string name;
  bool sizeListed = false;  // the listing gave the length (Windows does)
  std::uint64_t listedSize = 0;
  // The listing called it an ordinary file: it is opened and read without a
  // further look at it, which costs as much as a sixth of the scan's file
  // work, unless the reads leave its length open.
  bool listedOrdinary = false;
};

class ScanFolder {
 public:
  // folder as the programs write it (a drive path on POSIX is mapped).
  explicit ScanFolder(const std::string& folder);
  ~ScanFolder();
  ScanFolder(const ScanFolder&) = delete;
  ScanFolder& operator=(const ScanFolder&) = delete;

  // The next entry that may be a file, in the platform's order; the dot
  // entries and what the listing already knows to be a folder are skipped.
  // False at the end, or when the folder could not be opened or read: then
  // Failed, by the rule of FolderReader (a missing folder is no failure).
  bool Next(ListedEntry& entry);
  bool Failed() const { return failed_; }
  const OsError& Error() const { return error_; }

 private:
  friend class ScanFile;
  friend class ScanBatch;
  void Stop(const OsError& error);  // the listing ends, failed unless by the rule
  bool failed_ = false;
  OsError error_;
  std::string native_;         // the folder in the system's form, with a separator
  void* state_ = nullptr;      // DIR*, or the find handle and its record
  std::intptr_t handle_ = -1;  // POSIX: the folder's descriptor for openat
};

// The heads of several listed files opened and read at once. On Linux an
// io_uring takes the opens (with the closes of the files batched before) in
// one system call and the reads in a second, where the plain calls cost
// three a file: on a machine whose system calls are dear, most of the work.
// Elsewhere, or where the system refuses rings, Start batches nothing and
// each file is opened and read on its own. Each open, read and close still
// passes the seam, in turn: the hook sees every call before it is made.
// One batch belongs to one thread.
class ScanBatch {
 public:
  static constexpr std::size_t kMostFiles = 8;
  static constexpr std::size_t kHeadBytes = 16 * 1024;  // of each file, read at once

  ScanBatch();
  ~ScanBatch();  // closes the files it still holds
  ScanBatch(const ScanBatch&) = delete;
  ScanBatch& operator=(const ScanBatch&) = delete;

  // Closes the files of the last batch, then opens those of entries that
  // the listing called ordinary and reads their heads; ScanFile::Open takes
  // each from here. entries stay in place until they are opened. False when
  // nothing was batched.
  bool Start(const ScanFolder& folder, std::span<const ListedEntry* const> entries);

 private:
  friend class ScanFile;
  struct Head {
    const ListedEntry* entry = nullptr;
    std::intptr_t file = -1;  // open, and held by the batch
    int openError = 0;        // the open failed (or was refused) with this
    bool readRan = false;     // the read was made, well or not
    std::ptrdiff_t got = -1;  // its count; -1 when it failed
    int readError = 0;
    const char* bytes = nullptr;
  };
  struct Ring;
  // What Start did with entry, nullptr when it did not take it; once only,
  // since a later entry may come to stand where this one stood.
  const Head* Take(const ListedEntry& entry);
  bool Ready();
  bool OpenHeads(const ScanFolder& folder, std::span<const ListedEntry* const> entries);
  bool ReadHeads();
  void CloseHeld();
  bool Fail();  // the kernel failed the ring: no more batches

  std::unique_ptr<Ring> ring_;  // null when the system has none to give
  bool refused_ = false;        // the system refused a ring: no more tries
  std::unique_ptr<Head[]> heads_;
  std::unique_ptr<char[]> bytes_;  // kHeadBytes for each head
  std::size_t count_ = 0;          // heads_ of the last Start
  std::string paths_[kMostFiles];  // the whole paths, for the seam's report
};

// One entry of a ScanFolder opened for reading.
class ScanFile {
 public:
  enum class Kind {
    Ordinary,     // open: an ordinary file (Read, then Settle)
    NotOrdinary,  // open or seen, but hidden, a system file or special: not to be read
    Unreadable,   // there (Size known) but could not be opened
    NotAFile,     // a folder after all (a link to one), or a link to nothing
    Gone,         // no longer there
  };

  ScanFile() = default;
  ~ScanFile();
  ScanFile(const ScanFile&) = delete;
  ScanFile& operator=(const ScanFile&) = delete;

  // Opens the entry in folder, or takes it as batch opened and read it.
  // Whatever the kind but Ordinary, Size() is the length where the file
  // system told it, else 0.
  Kind Open(const ScanFolder& folder, const ListedEntry& entry, ScanBatch* batch = nullptr);
  // Reads up to capacity bytes at the current position; the count, 0 at the
  // end of the file, -1 on a read error.
  std::ptrdiff_t Read(char* buffer, std::size_t capacity);
  // After the reads of an Ordinary file, before Close: the kind made sure,
  // and Size() with it. Where the reads reached the end of a file the
  // listing called ordinary, they tell its length; else the open file is
  // looked at, and what was read may turn out not to be an ordinary file's
  // (the entry was replaced after the listing): then the file is closed.
  Kind Settle();
  std::uint64_t Size() const { return size_; }
  void Close();

 private:
  void Reset();  // closes the last entry and forgets what was known of it
  // The entry is open as handle: a file the listing called ordinary is read
  // without a look at it, any other entry is looked at now.
  Kind Opened(std::intptr_t handle, bool listedOrdinary);
  Kind LookAtOpenFile();  // the kind and length from the open file
  void CountRead(std::ptrdiff_t got, std::size_t capacity);
  Kind Adopt(const ScanFolder& folder, const ListedEntry& entry, const ScanBatch::Head& head);
  // Reads at the position bytesRead_ with the plain call.
  std::ptrdiff_t ReadOn(char* buffer, std::size_t capacity);
  // Serves a read from the batched head; -2 when the head has none to give.
  std::ptrdiff_t ReadFromHead(char* buffer, std::size_t capacity);

  std::intptr_t handle_ = -1;
  std::uint64_t size_ = 0;
  Kind kind_ = Kind::Gone;
  bool settled_ = true;  // kind_ and size_ are final
  std::uint64_t bytesRead_ = 0;
  bool readToEnd_ = false;                 // a read returned less than asked: the file's end
  std::string path_;                       // the entry's whole path, kept for its buffer
  const ScanBatch::Head* head_ = nullptr;  // what a batch read of the open file
  bool batchCloses_ = false;               // handle_ belongs to a batch
};

}  // namespace ndr
