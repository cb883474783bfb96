// The folder scan's file work on POSIX systems.
#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "folder_scan.h"
#include "folder_scan_posix.h"
#include "os_call_site.h"
#include "platform.h"

namespace ndr {

using detail::OsCallSite;

ScanFolder::ScanFolder(const std::string& folder) : native_(NativePath(FsPath(folder))) {
  OsCallSite site(OsCall::kListOpen, native_);
  DIR* dir = site.Refused() ? nullptr : ::opendir(native_.c_str());
  if (site.Done(dir != nullptr)) {
    state_ = dir;
    handle_ = ::dirfd(dir);
  } else {
    Stop(LastOsError());
  }
  native_ += '/';
}

ScanFolder::~ScanFolder() {
  if (state_ != nullptr)
    ::closedir(static_cast<DIR*>(state_));
}

bool ScanFolder::Next(ListedEntry& entry) {
  if (state_ == nullptr)
    return false;
  OsCallSite site(OsCall::kListNext, handle_);
  if (site.Refused()) {
    Stop(LastOsError());
    return false;
  }
  OsError error;
  unsigned char type = 0;
  while (const char* text = detail::NextListed(state_, type, error)) {
    if (type == DT_DIR)
      continue;  // other types, links among them, are settled when opened
    entry.name.assign(text);
    entry.sizeListed = false;
    entry.listedSize = 0;
    entry.listedOrdinary = type == DT_REG;
    return site.Done(true);
  }
  Stop(error);
  site.Done(!failed_);
  return false;
}

namespace {

// What a look at the entry without opening it tells: for names that are not
// to be read, and for entries that could not be opened.
ScanFile::Kind KindWithoutOpening(int folderFd, const std::string& path, const char* name,
                                  bool hidden, std::uint64_t& size) {
  struct stat info;
  OsCallSite site(OsCall::kSize, path);
  if (site.Refused() || !site.Done(::fstatat(folderFd, name, &info, 0) == 0)) {
    // A link that leads nowhere is no file of the folder, as in its listing.
    const bool link = ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
    return link && S_ISLNK(info.st_mode) ? ScanFile::Kind::NotAFile : ScanFile::Kind::Gone;
  }
  if (S_ISDIR(info.st_mode))
    return ScanFile::Kind::NotAFile;
  size = static_cast<std::uint64_t>(info.st_size);
  return hidden || !S_ISREG(info.st_mode) ? ScanFile::Kind::NotOrdinary
                                          : ScanFile::Kind::Unreadable;
}

}  // namespace

ScanFile::Kind ScanFile::Open(const ScanFolder& folder, const ListedEntry& entry,
                              ScanBatch* batch) {
  Reset();
  const std::string& name = entry.name;
  if (folder.handle_ < 0 || !IsEntryName(name))
    return kind_ = Kind::Gone;
  if (const ScanBatch::Head* head = batch != nullptr ? batch->Take(entry) : nullptr)
    return Adopt(folder, entry, *head);
  const int folderFd = static_cast<int>(folder.handle_);
  // The whole path only for the seam's report; the open is relative.
  std::string& path = path_;
  path.assign(folder.native_).append(name);
  if (IsHiddenName(name))
    return kind_ = KindWithoutOpening(folderFd, path, name.c_str(), true, size_);
  OsCallSite site(OsCall::kOpenRead, path);
  const int fd = site.Refused() ? -1 : ::openat(folderFd, name.c_str(), detail::kScanOpenFlags);
  if (!site.Done(fd >= 0, fd))
    return kind_ = KindWithoutOpening(folderFd, path, name.c_str(), false, size_);
  return Opened(fd, entry.listedOrdinary);
}

// The batch made the open (and the first read): its outcome taken as the
// plain open's would be.
ScanFile::Kind ScanFile::Adopt(const ScanFolder& folder, const ListedEntry& entry,
                               const ScanBatch::Head& head) {
  if (head.file < 0) {
    detail::SetLastOsError(head.openError);
    path_.assign(folder.native_).append(entry.name);
    return kind_ = KindWithoutOpening(static_cast<int>(folder.handle_), path_, entry.name.c_str(),
                                      false, size_);
  }
  head_ = &head;
  batchCloses_ = true;
  return Opened(head.file, entry.listedOrdinary);
}

ScanFile::Kind ScanFile::LookAtOpenFile() {
  if (handle_ < 0)
    return Kind::Unreadable;
  OsCallSite sizeSite(OsCall::kSize, handle_);
  struct stat info;
  if (sizeSite.Refused() || !sizeSite.Done(::fstat(static_cast<int>(handle_), &info) == 0)) {
    Close();
    return Kind::Unreadable;
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
  if (S_ISREG(info.st_mode))
    return Kind::Ordinary;
  const bool folderAfterAll = S_ISDIR(info.st_mode);
  Close();
  return folderAfterAll ? Kind::NotAFile : Kind::NotOrdinary;
}

std::ptrdiff_t ScanFile::Read(char* buffer, std::size_t capacity) {
  if (handle_ < 0)
    return -1;
  const std::ptrdiff_t fromHead = ReadFromHead(buffer, capacity);
  if (fromHead != -2)
    return fromHead;
  const std::ptrdiff_t got = ReadOn(buffer, capacity);
  CountRead(got, capacity);
  return got;
}

// Positioned, so that a head read by the batch, which leaves the position
// as it was, is read on from its end.
std::ptrdiff_t ScanFile::ReadOn(char* buffer, std::size_t capacity) {
  OsCallSite site(OsCall::kRead, handle_, capacity);
  if (site.Refused())
    return -1;
  ssize_t got;
  do {
    got = ::pread(static_cast<int>(handle_), buffer, capacity, static_cast<off_t>(bytesRead_));
  } while (got < 0 && errno == EINTR);
  site.Done(got >= 0);
  return got;
}

// The head as a plain read from the file's start would give it: a short
// count only at the file's end, so a read beyond a whole head reads on.
std::ptrdiff_t ScanFile::ReadFromHead(char* buffer, std::size_t capacity) {
  const ScanBatch::Head* head = head_;
  if (head == nullptr || !head->readRan || bytesRead_ > 0)
    return -2;  // no batched read (it was called off): the plain read makes it
  head_ = nullptr;
  if (head->got < 0) {
    detail::SetLastOsError(head->readError);
    return -1;
  }
  const auto got = static_cast<std::size_t>(head->got);
  std::size_t served = std::min(capacity, got);
  std::memcpy(buffer, head->bytes, served);
  if (served < capacity && got == ScanBatch::kHeadBytes) {
    bytesRead_ = served;
    const std::ptrdiff_t more = ReadOn(buffer + served, capacity - served);
    bytesRead_ = 0;
    if (more < 0)
      return -1;
    served += static_cast<std::size_t>(more);
  }
  const auto count = static_cast<std::ptrdiff_t>(served);
  CountRead(count, capacity);
  return count;
}

void ScanFile::Close() {
  head_ = nullptr;
  if (batchCloses_) {
    batchCloses_ = false;  // the batch closes it with its next
    handle_ = -1;
    return;
  }
  if (handle_ >= 0) {
    OsCallSite site(OsCall::kClose, handle_);
    if (!site.Refused())
      site.Done(::close(static_cast<int>(handle_)) == 0);
  }
  handle_ = -1;
}

}  // namespace ndr

#endif  // !_WIN32
