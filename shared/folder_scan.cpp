#include "folder_scan.h"

#include <string_view>
#include <utility>

#include "folder_listing.h"
#include "platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace ndr {

namespace {

ScanOpenHook& OpenHook() {
  static ScanOpenHook hook;
  return hook;
}

// False when the test seam refuses the open.
bool OpenAllowed(const std::string& name) {
  const ScanOpenHook& hook = OpenHook();
  return !hook || hook(name);
}

}  // namespace

void SetScanOpenHookForTesting(ScanOpenHook hook) {
  OpenHook() = std::move(hook);
}

ScanFile::~ScanFile() {
  Close();
}

#ifdef _WIN32

struct ScanFolder::FindData {
  WIN32_FIND_DATAA entry;
};

ScanFolder::ScanFolder(const std::string& folder) : folder_(folder), data_(new FindData) {
  HANDLE handle = FindFirstFileA((folder + "\\*.*").c_str(), &data_->entry);
  if (handle != INVALID_HANDLE_VALUE) {
    find_ = handle;
    first_ = true;
  }
}

ScanFolder::~ScanFolder() {
  if (find_ != nullptr)
    FindClose(static_cast<HANDLE>(find_));
  delete data_;
}

bool ScanFolder::Next(std::string& name, bool& sizeListed, std::uint64_t& listedSize) {
  if (find_ == nullptr)
    return false;
  for (;;) {
    if (!first_ && !FindNextFileA(static_cast<HANDLE>(find_), &data_->entry))
      return false;
    first_ = false;
    const WIN32_FIND_DATAA& entry = data_->entry;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      continue;
    name = RTrimNull(std::string_view(entry.cFileName, sizeof entry.cFileName));
    sizeListed = true;
    listedSize = (std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
    return true;
  }
}

namespace {

constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::uint64_t Join(DWORD high, DWORD low) {
  return (std::uint64_t{high} << 32) | low;
}

}  // namespace

ScanFile::Kind ScanFile::Open(const ScanFolder& folder, const std::string& name) {
  Close();
  const std::string path = folder.folder_ + "\\" + name;
  HANDLE handle = !OpenAllowed(name)
                      ? INVALID_HANDLE_VALUE
                      : CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info)) {
      size_ = Join(info.nFileSizeHigh, info.nFileSizeLow);
      if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(handle);
        return Kind::NotAFile;
      }
      if ((info.dwFileAttributes & kNotOrdinary) != 0) {
        CloseHandle(handle);
        return Kind::NotOrdinary;
      }
      handle_ = handle;
      return Kind::Ordinary;
    }
    CloseHandle(handle);
  }
  // Not opened (locked by another program, say): what the folder tells.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    return Kind::Gone;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return Kind::NotAFile;
  size_ = Join(data.nFileSizeHigh, data.nFileSizeLow);
  return (data.dwFileAttributes & kNotOrdinary) != 0 ? Kind::NotOrdinary : Kind::Unreadable;
}

std::ptrdiff_t ScanFile::Read(char* buffer, std::size_t capacity) {
  if (handle_ == nullptr)
    return -1;
  const DWORD want = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
  DWORD got = 0;
  if (!ReadFile(static_cast<HANDLE>(handle_), buffer, want, &got, nullptr))
    return -1;
  return static_cast<std::ptrdiff_t>(got);
}

void ScanFile::Close() {
  if (handle_ != nullptr)
    CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
  size_ = 0;
}

#else  // POSIX

ScanFolder::ScanFolder(const std::string& folder) : folder_(folder) {
  DIR* dir = ::opendir(NativePath(folder).c_str());
  if (dir != nullptr) {
    dir_ = dir;
    dirFd_ = ::dirfd(dir);
  }
}

ScanFolder::~ScanFolder() {
  if (dir_ != nullptr)
    ::closedir(static_cast<DIR*>(dir_));
}

bool ScanFolder::Next(std::string& name, bool& sizeListed, std::uint64_t& listedSize) {
  if (dir_ == nullptr)
    return false;
  while (const struct dirent* item = ::readdir(static_cast<DIR*>(dir_))) {
    const char* text = item->d_name;
    if (text[0] == '.' && (text[1] == '\0' || (text[1] == '.' && text[2] == '\0')))
      continue;
    if (item->d_type == DT_DIR)
      continue;  // other types, links among them, are settled when opened
    name.assign(text);
    sizeListed = false;
    listedSize = 0;
    return true;
  }
  return false;
}

namespace {

// What a look at the entry without opening it tells: used for names that are
// not to be read and for entries that could not be opened.
ScanFile::Kind KindWithoutOpening(int dirFd, const char* name, bool hidden, std::uint64_t& size) {
  struct stat info;
  if (::fstatat(dirFd, name, &info, 0) != 0) {
    // A link that leads nowhere is no file of the folder, as in its listing.
    const bool link = ::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
    return link ? ScanFile::Kind::NotAFile : ScanFile::Kind::Gone;
  }
  if (S_ISDIR(info.st_mode))
    return ScanFile::Kind::NotAFile;
  size = static_cast<std::uint64_t>(info.st_size);
  return hidden || !S_ISREG(info.st_mode) ? ScanFile::Kind::NotOrdinary
                                          : ScanFile::Kind::Unreadable;
}

}  // namespace

ScanFile::Kind ScanFile::Open(const ScanFolder& folder, const std::string& name) {
  Close();
  const bool allowed = OpenAllowed(name);
  if (folder.dirFd_ < 0)
    return Kind::Gone;
  const bool hidden = !name.empty() && name[0] == '.';
  if (hidden)
    return KindWithoutOpening(folder.dirFd_, name.c_str(), true, size_);
  // Non-blocking, so that a named pipe among the files cannot stop the scan.
  const int fd =
      allowed ? ::openat(folder.dirFd_, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)
              : -1;
  if (fd < 0)
    return KindWithoutOpening(folder.dirFd_, name.c_str(), false, size_);
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    ::close(fd);
    return Kind::Unreadable;
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(fd);
    return Kind::NotAFile;
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    return Kind::NotOrdinary;
  }
  fd_ = fd;
  return Kind::Ordinary;
}

std::ptrdiff_t ScanFile::Read(char* buffer, std::size_t capacity) {
  if (fd_ < 0)
    return -1;
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, capacity);
    if (got >= 0 || errno != EINTR)
      return got;
  }
}

void ScanFile::Close() {
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = -1;
  size_ = 0;
}

#endif

}  // namespace ndr
