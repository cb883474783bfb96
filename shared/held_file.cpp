#include "held_file.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#ifdef __linux__
#include <linux/fs.h>
#endif
#endif

namespace ndr {

HeldFile::HeldFile(HeldFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNone)), path_(std::move(other.path_)) {}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, kNone);
    path_ = std::move(other.path_);
  }
  return *this;
}

namespace {

bool Fail(OsError* error, int code) {
  if (error) {
    *error = OsError{code};
  }
  return false;
}

bool FailLast(OsError* error) {
  if (error) {
    *error = LastOsError();
  }
  return false;
}

std::string ParentFolder(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

#ifdef _WIN32

bool HeldFile::Open(const std::string& path, OsError* error) {
  Release();
  // Readers may share it; nobody may write, rename or delete it meanwhile.
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return FailLast(error);
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) {
    OsError reason = LastOsError();
    CloseHandle(handle);
    return Fail(error, reason.code);
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    CloseHandle(handle);
    return Fail(error, ERROR_FILE_READ_ONLY);
  }
  handle_ = reinterpret_cast<std::intptr_t>(handle);
  path_ = path;
  return true;
}

bool HeldFile::Delete(OsError* error) {
  if (handle_ == kNone) {
    return Fail(error, ERROR_INVALID_HANDLE);
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  HANDLE handle = reinterpret_cast<HANDLE>(handle_);
  bool deleted =
      SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
  OsError reason = LastOsError();
  Release();  // the file goes as its last handle closes
  return deleted ? true : Fail(error, reason.code);
}

void HeldFile::Release() {
  if (handle_ != kNone) {
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
  }
  handle_ = kNone;
}

bool FlushVolume(const std::string&, OsError*) {
  return true;
}

bool FolderTakesFiles(const std::string& folder, OsError* error) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return FailLast(error);
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? true : Fail(error, ERROR_DIRECTORY);
}

#else  // POSIX

namespace {

// The immutable and append-only flags of an open file or folder; none where
// the file system keeps no such flags.
bool IsFrozen(int fd) {
#ifdef __linux__
  int flags = 0;
  if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
    return (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
  }
#else
  (void)fd;
#endif
  return false;
}

// The checks the system makes before it unlinks a file from its folder.
bool UnlinkAllowed(int fileFd, const struct stat& file, const std::string& folder, OsError* error) {
  if (IsFrozen(fileFd)) {
    return Fail(error, EPERM);
  }
  int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) {
    return FailLast(error);
  }
  struct stat dir;
  bool allowed = ::fstat(dirFd, &dir) == 0;
  int reason = allowed ? 0 : errno;
  if (allowed && IsFrozen(dirFd)) {
    allowed = false, reason = EPERM;
  }
  ::close(dirFd);
  if (allowed && ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    allowed = false, reason = errno;
  }
  const uid_t me = ::geteuid();
  if (allowed && (dir.st_mode & S_ISVTX) != 0 && me != 0 && me != file.st_uid && me != dir.st_uid) {
    allowed = false, reason = EPERM;
  }
  return allowed ? true : Fail(error, reason);
}

}  // namespace

bool HeldFile::Open(const std::string& path, OsError* error) {
  Release();
  const std::string native = NativePath(path);
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    return FailLast(error);
  }
  struct stat file;
  if (::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode)) {
    int reason = S_ISREG(file.st_mode) ? errno : EISDIR;
    ::close(fd);
    return Fail(error, reason);
  }
  if (!UnlinkAllowed(fd, file, ParentFolder(native), error)) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  path_ = native;
  return true;
}

bool HeldFile::Delete(OsError* error) {
  if (handle_ == kNone) {
    return Fail(error, EBADF);
  }
  struct stat held, named;
  bool same = ::fstat(static_cast<int>(handle_), &held) == 0 &&
              ::stat(path_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
              held.st_ino == named.st_ino;
  int reason = same ? 0 : (errno != 0 ? errno : ENOENT);
  bool deleted = same && ::unlink(path_.c_str()) == 0;
  if (same && !deleted) {
    reason = errno;
  }
  Release();
  return deleted ? true : Fail(error, reason);
}

void HeldFile::Release() {
  if (handle_ != kNone) {
    ::close(static_cast<int>(handle_));
  }
  handle_ = kNone;
}

bool FlushVolume(const std::string& folder, OsError* error) {
  int fd = ::open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return FailLast(error);
  }
#ifdef __linux__
  bool flushed = ::syncfs(fd) == 0;
#else
  ::sync();
  bool flushed = ::fsync(fd) == 0;
#endif
  int reason = errno;
  ::close(fd);
  return flushed ? true : Fail(error, reason);
}

bool FolderTakesFiles(const std::string& folder, OsError* error) {
  const std::string native = NativePath(folder);
  struct stat info;
  if (::stat(native.c_str(), &info) != 0) {
    return FailLast(error);
  }
  if (!S_ISDIR(info.st_mode)) {
    return Fail(error, ENOTDIR);
  }
  if (::faccessat(AT_FDCWD, native.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    return FailLast(error);
  }
  int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    bool frozen = IsFrozen(fd);
    ::close(fd);
    if (frozen) {
      return Fail(error, EPERM);
    }
  }
  return true;
}

#endif

}  // namespace ndr
