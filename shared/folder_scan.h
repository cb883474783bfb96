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
  void Stop(const OsError& error);  // the listing ends, failed unless by the rule
  bool failed_ = false;
  OsError error_;
  std::string native_;         // the folder in the system's form, with a separator
  void* state_ = nullptr;      // DIR*, or the find handle and its record
  std::intptr_t handle_ = -1;  // POSIX: the folder's descriptor for openat
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

  // Opens the entry in folder. Whatever the kind but Ordinary, Size() is
  // the length where the file system told it, else 0.
  Kind Open(const ScanFolder& folder, const ListedEntry& entry);
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

  std::intptr_t handle_ = -1;
  std::uint64_t size_ = 0;
  Kind kind_ = Kind::Gone;
  bool settled_ = true;  // kind_ and size_ are final
  std::uint64_t bytesRead_ = 0;
  bool readToEnd_ = false;  // a read returned less than asked: the file's end
  std::string path_;        // the entry's whole path, kept for its buffer
};

}  // namespace ndr
