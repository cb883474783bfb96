// The file work of a folder scan at the speed of the disk: the folder is
// opened once, its files are listed without a further look at each, and each
// file is opened by its name within the folder (relative to the open folder
// where the platform allows), its length taken from the open file and its
// start read into the caller's buffer. Several threads may open and read
// entries of one open folder at once; the listing itself belongs to one.
// Part of the platform layer (folder_scan_posix.cpp, folder_scan_win32.cpp):
// every call passes the seam of os_seam.h, from whichever thread makes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ndr {

class ScanFolder {
 public:
  // folder as the programs write it (a drive path on POSIX is mapped).
  explicit ScanFolder(const std::string& folder);
  ~ScanFolder();
  ScanFolder(const ScanFolder&) = delete;
  ScanFolder& operator=(const ScanFolder&) = delete;

  // The next entry that may be a file, in the platform's order; the dot
  // entries and what the listing already knows to be a folder are skipped.
  // sizeListed tells whether the listing gave the length (Windows does; on
  // POSIX only the open file tells). False at the end, or when the folder
  // could not be opened.
  bool Next(std::string& name, bool& sizeListed, std::uint64_t& listedSize);

 private:
  friend class ScanFile;
  std::string native_;         // the folder in the system's form, with a separator
  void* state_ = nullptr;      // DIR*, or the find handle and its record
  std::intptr_t handle_ = -1;  // POSIX: the folder's descriptor for openat
};

// One entry of a ScanFolder opened for reading.
class ScanFile {
 public:
  enum class Kind {
    Ordinary,     // open: an ordinary file (Size, then Read)
    NotOrdinary,  // open or seen, but hidden, a system file or special: not to be read
    Unreadable,   // there (Size known) but could not be opened
    NotAFile,     // a folder after all (a link to one), or a link to nothing
    Gone,         // no longer there
  };

  ScanFile() = default;
  ~ScanFile();
  ScanFile(const ScanFile&) = delete;
  ScanFile& operator=(const ScanFile&) = delete;

  // Opens name in folder. Whatever the kind, Size() is the length where the
  // file system told it, else 0.
  Kind Open(const ScanFolder& folder, const std::string& name);
  std::uint64_t Size() const { return size_; }
  // Reads up to capacity bytes at the current position; the count, 0 at the
  // end of the file, -1 on a read error.
  std::ptrdiff_t Read(char* buffer, std::size_t capacity);
  void Close();

 private:
  std::intptr_t handle_ = -1;
  std::uint64_t size_ = 0;
  std::string path_;  // the entry's whole path, kept for its buffer
};

}  // namespace ndr
