// What the folder scan decides alike on every platform.
#include "folder_scan.h"

namespace ndr {

void ScanFolder::Stop(const OsError& error) {
  error_ = error;
  failed_ = !IsEndOfListing(error) && !IsNoSuchFile(error);
}

ScanFile::~ScanFile() {
  Close();
}

void ScanFile::Reset() {
  Close();
  size_ = bytesRead_ = 0;
  readToEnd_ = false;
  settled_ = true;
}

ScanFile::Kind ScanFile::Opened(std::intptr_t handle, bool listedOrdinary) {
  handle_ = handle;
  if (listedOrdinary) {
    settled_ = false;  // Settle looks if the reads do not tell
    return kind_ = Kind::Ordinary;
  }
  return kind_ = LookAtOpenFile();
}

void ScanFile::CountRead(std::ptrdiff_t got, std::size_t capacity) {
  if (got < 0)
    return;  // an error tells nothing of the length: Settle looks
  bytesRead_ += static_cast<std::uint64_t>(got);
  if (static_cast<std::size_t>(got) < capacity)
    readToEnd_ = true;
}

ScanFile::Kind ScanFile::Settle() {
  if (settled_)
    return kind_;
  settled_ = true;
  // A read short of what was asked ends an ordinary file. Nothing read at
  // all may be an empty file as well as a folder or a pipe put in its place.
  if (readToEnd_ && bytesRead_ > 0) {
    size_ = bytesRead_;
    return kind_;
  }
  return kind_ = LookAtOpenFile();
}

}  // namespace ndr
