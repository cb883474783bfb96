// The platform layer on POSIX systems.
#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

#ifdef __linux__
#include <linux/fs.h>
#endif

#include "os_call_site.h"
#include "platform.h"

extern char** environ;

namespace ndr {

using detail::OsCallSite;

// --- Errors -----------------------------------------------------------------------------

std::string OsError::Describe() const {
  return std::strerror(code);
}

OsError LastOsError() {
  return OsError{errno};
}

bool IsNoSuchFile(const OsError& error) {
  return error.code == ENOENT || error.code == ENOTDIR;
}

bool IsEndOfListing(const OsError& error) {
  return error.code == 0;
}

bool IsNameTaken(const OsError& error) {
  return error.code == EEXIST;
}

int OsFaultCode(OsFault fault) {
  switch (fault) {
    case OsFault::kNone:
      return 0;
    case OsFault::kNoSuchFile:
      return ENOENT;
    case OsFault::kAccessDenied:
      return EACCES;
    case OsFault::kDiskFull:
      return ENOSPC;
    case OsFault::kNameExists:
      return EEXIST;
    case OsFault::kIoError:
      return EIO;
    case OsFault::kNotSupported:
      return EINVAL;
  }
  return EIO;
}

[[noreturn]] void EndProcessNow(int exitStatus) {
  ::_exit(exitStatus);
}

namespace detail {

void SetLastOsError(int code) {
  errno = code;
}

int LastOsErrorCode() {
  return errno;
}

const char* NextListed(void* listing, unsigned char& type, OsError& error) {
  for (;;) {
    errno = 0;
    const struct dirent* item = ::readdir(static_cast<DIR*>(listing));
    if (item == nullptr) {
      error = LastOsError();
      return nullptr;
    }
    const char* name = item->d_name;
    if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
      type = item->d_type;
      return name;
    }
  }
}

}  // namespace detail

namespace {

bool Fail(OsError* error) {
  if (error) {
    *error = LastOsError();
  }
  return false;
}

// The native path of an entry whose name can name one entry; false (ENOENT)
// for a name that would reach elsewhere.
bool Map(const FsPath& path, std::string& native) {
  if (!path.name.empty() && !IsEntryName(path.name)) {
    errno = ENOENT;
    return false;
  }
  native = NativePath(path);
  return true;
}

bool Stat(const FsPath& path, OsCall call, struct stat& info) {
  std::string native;
  if (!Map(path, native)) {
    return false;
  }
  OsCallSite site(call, native);
  if (site.Refused()) {
    return false;
  }
  return site.Done(::stat(native.c_str(), &info) == 0);
}

bool IsOrdinary(const FsPath& path, const struct stat& info) {
  return S_ISREG(info.st_mode) && !IsHiddenName(path.LastPart());
}

}  // namespace

// --- Paths ------------------------------------------------------------------------------------

bool IsEntryName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

std::string NativePath(const FsPath& path) {
  std::string native = detail::NativeFolder(path.folder, '/');
  if (!path.name.empty()) {
    if (!native.empty() && native.back() != '/') {
      native += '/';
    }
    native += path.name;
  }
  return native;
}

bool IsHiddenName(std::string_view name) {
  return !name.empty() && name.front() == '.';
}

// --- Single calls -------------------------------------------------------------------------------

bool PathExists(const FsPath& path) {
  struct stat info;
  return Stat(path, OsCall::kExists, info);
}

bool OrdinaryFileExists(const FsPath& path) {
  struct stat info;
  return Stat(path, OsCall::kExists, info) && IsOrdinary(path, info);
}

bool FolderExists(const FsPath& path) {
  struct stat info;
  return Stat(path, OsCall::kExists, info) && S_ISDIR(info.st_mode);
}

bool OrdinaryFileLength(const FsPath& path, std::uint64_t& length) {
  struct stat info;
  if (IsHiddenName(path.LastPart()) || !Stat(path, OsCall::kSize, info) ||
      !IsOrdinary(path, info)) {
    return false;
  }
  length = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool FileLength(const FsPath& path, std::uint64_t& length, OsError* error) {
  struct stat info;
  if (!Stat(path, OsCall::kSize, info)) {
    return Fail(error);
  }
  length = static_cast<std::uint64_t>(info.st_size);
  return true;
}

namespace {

// One call on one path through the seam: systemCall(native) tells success.
template <typename SystemCall>
bool PathCall(OsCall call, const FsPath& path, OsError* error, SystemCall systemCall) {
  std::string native;
  if (!Map(path, native)) {
    return Fail(error);
  }
  OsCallSite site(call, native);
  if (site.Refused()) {
    return Fail(error);
  }
  return site.Done(systemCall(native.c_str())) || Fail(error);
}

}  // namespace

bool RemoveFile(const FsPath& path, OsError* error) {
  return PathCall(OsCall::kUnlink, path, error,
                  [](const char* native) { return ::unlink(native) == 0; });
}

bool CreateFolder(const FsPath& path, OsError* error) {
  return PathCall(OsCall::kMakeFolder, path, error,
                  [](const char* native) { return ::mkdir(native, 0777) == 0; });
}

namespace {

bool Link(const std::string& from, const std::string& to) {
  OsCallSite site(OsCall::kLink, from, to);
  return !site.Refused() && site.Done(::link(from.c_str(), to.c_str()) == 0);
}

bool Unlink(const std::string& path) {
  OsCallSite site(OsCall::kUnlink, path);
  return !site.Refused() && site.Done(::unlink(path.c_str()) == 0);
}

// For file systems or kernels without RENAME_NOREPLACE: link(2) fails with
// EEXIST when the target exists, so no file is ever replaced.
bool LinkThenUnlink(const std::string& from, const std::string& to, OsError* error) {
  if (ForgetDeferredMove(to, from)) {
    return Unlink(from) || Fail(error);  // a move back: the old name still stands
  }
  if (!Link(from, to)) {
    return Fail(error);
  }
  if (DeferUnlink(from, to)) {
    return true;
  }
  if (!Unlink(from)) {
    const OsError reason = LastOsError();
    Unlink(to);  // keep one file, not two
    if (error) {
      *error = reason;
    }
    return false;
  }
  return true;
}

}  // namespace

bool MoveNoReplace(const FsPath& from, const FsPath& to, OsError* error) {
  std::string nativeFrom, nativeTo;
  if (!Map(from, nativeFrom) || !Map(to, nativeTo)) {
    return Fail(error);
  }
#ifdef RENAME_NOREPLACE
  {
    OsCallSite site(OsCall::kRename, nativeFrom, nativeTo);
    if (!site.Refused() && site.Done(::renameat2(AT_FDCWD, nativeFrom.c_str(), AT_FDCWD,
                                                 nativeTo.c_str(), RENAME_NOREPLACE) == 0)) {
      return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
      return Fail(error);
    }
  }
#endif
  return LinkThenUnlink(nativeFrom, nativeTo, error);
}

bool SyncFolder(const FsPath& folder, OsError* error) {
  std::string native;
  if (!Map(folder, native)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kSyncFolder, native);
  if (site.Refused()) {
    return Fail(error);
  }
  const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  bool synced = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) {
    const int code = errno;
    ::close(fd);
    errno = code;
  }
  return site.Done(synced) || Fail(error);
}

bool SecondLinkIn(const FsPath& path, const std::string& folder, std::string& nameThere) {
  struct stat file;
  if (!Stat(path, OsCall::kSize, file) || !S_ISREG(file.st_mode) || file.st_nlink < 2) {
    return false;
  }
  const std::string native = NativePath(FsPath(folder));
  OsCallSite site(OsCall::kListOpen, native);
  if (site.Refused()) {
    return false;
  }
  DIR* dir = ::opendir(native.c_str());
  if (!site.Done(dir != nullptr)) {
    return false;
  }
  bool found = false;
  while (const struct dirent* item = ::readdir(dir)) {
    struct stat other;
    if (item->d_ino == file.st_ino && ::fstatat(::dirfd(dir), item->d_name, &other, 0) == 0 &&
        other.st_dev == file.st_dev && other.st_ino == file.st_ino) {
      nameThere = item->d_name;
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

bool FlushVolume(const FsPath& folder, OsError* error) {
  std::string native;
  if (!Map(folder, native)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kSyncVolume, native);
  if (site.Refused()) {
    return Fail(error);
  }
  const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef __linux__
  const bool flushed = fd >= 0 && ::syncfs(fd) == 0;
#else
  ::sync();
  const bool flushed = fd >= 0 && ::fsync(fd) == 0;
#endif
  if (fd >= 0) {
    const int code = errno;
    ::close(fd);
    errno = code;
  }
  return site.Done(flushed) || Fail(error);
}

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

// Whether the program may add and remove entries of the folder: it may write
// and search it, and it is neither immutable nor append-only.
bool MayChange(const std::string& folder, struct stat& info) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  const bool known = ::fstat(fd, &info) == 0;
  const bool frozen = known && IsFrozen(fd);
  const int code = errno;
  ::close(fd);
  errno = code;
  if (!known) {
    return false;
  }
  if (frozen) {
    errno = EPERM;
    return false;
  }
  return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// The checks the system makes before it unlinks the open file from folder.
bool UnlinkAllowed(int fd, const struct stat& file, const std::string& folder) {
  if (IsFrozen(fd)) {
    errno = EPERM;
    return false;
  }
  struct stat dir;
  if (!MayChange(folder, dir)) {
    return false;
  }
  const uid_t me = ::geteuid();
  if ((dir.st_mode & S_ISVTX) != 0 && me != 0 && me != file.st_uid && me != dir.st_uid) {
    errno = EPERM;  // a sticky folder: only the owners may remove
    return false;
  }
  return true;
}

}  // namespace

bool FolderTakesFiles(const FsPath& folder, OsError* error) {
  std::string native;
  if (!Map(folder, native)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kExists, native);
  if (site.Refused()) {
    return Fail(error);
  }
  struct stat info;
  return site.Done(MayChange(native, info)) || Fail(error);
}

HeldFile::HeldFile(HeldFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), native_(std::move(other.native_)) {}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, -1);
    native_ = std::move(other.native_);
  }
  return *this;
}

bool HeldFile::Open(const FsPath& path, OsError* error) {
  Release();
  std::string native;
  if (!Map(path, native)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kOpenRead, native);
  if (site.Refused()) {
    return Fail(error);
  }
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  struct stat file;
  bool proven = fd >= 0 && ::fstat(fd, &file) == 0;
  if (proven && !S_ISREG(file.st_mode)) {
    proven = false;
    errno = EISDIR;
  }
  const std::size_t slash = native.find_last_of('/');
  proven =
      proven && UnlinkAllowed(fd, file, slash == std::string::npos ? "." : native.substr(0, slash));
  if (!proven && fd >= 0) {
    const int code = errno;
    ::close(fd);
    errno = code;
  }
  if (!site.Done(proven, proven ? fd : -1)) {
    return Fail(error);
  }
  handle_ = fd;
  native_ = native;
  return true;
}

bool HeldFile::Delete(OsError* error) {
  if (handle_ == -1) {
    errno = EBADF;
    return Fail(error);
  }
  OsCallSite site(OsCall::kUnlink, native_);
  if (site.Refused()) {
    const OsError reason = LastOsError();
    Release();
    if (error) {
      *error = reason;
    }
    return false;
  }
  struct stat held, named;
  int code = 0;
  if (::fstat(static_cast<int>(handle_), &held) != 0 || ::stat(native_.c_str(), &named) != 0) {
    code = errno;
  } else if (held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
    code = ENOENT;  // another file has taken the name: not ours to delete
  }
  errno = code;
  const bool deleted = site.Done(code == 0 && ::unlink(native_.c_str()) == 0);
  const OsError reason = LastOsError();
  Release();
  if (!deleted && error) {
    *error = reason;
  }
  return deleted;
}

FsPath HeldFile::ReadPath(const FsPath&) const {
#ifdef __linux__
  return FsPath("/proc/self/fd/" + std::to_string(handle_));
#else
  return FsPath("/dev/fd/" + std::to_string(handle_));
#endif
}

std::string HeldFile::Identity() const {
  struct stat info;
  if (handle_ == -1 || ::fstat(static_cast<int>(handle_), &info) != 0) {
    return {};
  }
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
         std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
         std::to_string(info.st_mtim.tv_nsec);
}

void HeldFile::Release() {
  if (handle_ != -1) {
    OsCallSite site(OsCall::kClose, handle_);
    site.Refused();  // the descriptor goes whatever the outcome
    site.Done(::close(static_cast<int>(handle_)) == 0);
  }
  handle_ = -1;
}

// --- Open files
// ------------------------------------------------------------------------------------

bool OsFile::Open(const FsPath& path, Mode mode, OsError* error) {
  Close();
  std::string native;
  if (!Map(path, native)) {
    return Fail(error);
  }
  int flags = O_CLOEXEC;
  OsCall call = OsCall::kOpenRead;
  switch (mode) {
    case Mode::kRead:
      flags |= O_RDONLY | O_NONBLOCK;  // a pipe of that name must not hang the program
      break;
    case Mode::kWriteTruncate:
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      call = OsCall::kOpenWrite;
      break;
    case Mode::kWriteNew:
      flags |= O_WRONLY | O_CREAT | O_EXCL;
      call = OsCall::kOpenNew;
      break;
  }
  OsCallSite site(call, native);
  if (site.Refused()) {
    return Fail(error);
  }
  const int fd = ::open(native.c_str(), flags, 0666);
  if (!site.Done(fd >= 0, fd)) {
    return Fail(error);
  }
  handle_ = fd;
  return true;
}

bool OsFile::OpenOrdinary(const FsPath& path, std::uint64_t& length, OsError* error) {
  if (IsHiddenName(path.LastPart())) {
    errno = ENOENT;
    return Fail(error);
  }
  if (!Open(path, Mode::kRead, error)) {
    return false;
  }
  OsCallSite site(OsCall::kSize, handle_);
  struct stat info;
  const bool known = !site.Refused() && site.Done(::fstat(static_cast<int>(handle_), &info) == 0);
  if (!known || !S_ISREG(info.st_mode)) {
    if (known) {
      errno = ENOENT;  // not an ordinary file
    }
    const OsError reason = LastOsError();
    Close();
    if (error) {
      *error = reason;
    }
    return false;
  }
  length = static_cast<std::uint64_t>(info.st_size);
  return true;
}

std::ptrdiff_t OsFile::Read(void* buffer, std::size_t size, OsError* error) {
  OsCallSite site(OsCall::kRead, handle_, size);
  if (site.Refused()) {
    Fail(error);
    return -1;
  }
  ssize_t got;
  do {
    got = ::read(static_cast<int>(handle_), buffer, size);
  } while (got < 0 && errno == EINTR);
  if (!site.Done(got >= 0)) {
    Fail(error);
    return -1;
  }
  return got;
}

bool OsFile::Write(const void* data, std::size_t size, OsError* error) {
  OsCallSite site(OsCall::kWrite, handle_, size, data);
  if (site.Refused()) {
    return Fail(error);
  }
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(static_cast<int>(handle_), bytes + done, size - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      if (n == 0) {
        errno = ENOSPC;
      }
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return site.Done(done == size) || Fail(error);
}

bool OsFile::Sync(OsError* error) {
  OsCallSite site(OsCall::kSync, handle_);
  if (site.Refused()) {
    return Fail(error);
  }
  return site.Done(::fsync(static_cast<int>(handle_)) == 0) || Fail(error);
}

bool OsFile::Close(OsError* error) {
  if (handle_ == -1) {
    return true;
  }
  const int fd = static_cast<int>(handle_);
  handle_ = -1;
  OsCallSite site(OsCall::kClose, fd);
  if (site.Refused()) {
    ::close(fd);  // the descriptor goes whatever the outcome
    return Fail(error);
  }
  return site.Done(::close(fd) == 0) || Fail(error);
}

// --- Folder listing ------------------------------------------------------------------------------

bool FolderReader::Open(const FsPath& folder, OsError* error) {
  Close();
  failed_ = false;
  error_ = OsError{};
  std::string native;
  if (!Map(folder, native)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kListOpen, native);
  if (site.Refused()) {
    return Fail(error);
  }
  DIR* dir = ::opendir(native.c_str());
  if (!site.Done(dir != nullptr)) {
    return Fail(error);
  }
  state_ = dir;
  return true;
}

bool FolderReader::Next(FindEntry& entry) {
  if (state_ == nullptr || failed_) {
    return false;
  }
  DIR* dir = static_cast<DIR*>(state_);
  OsCallSite site(OsCall::kListNext, ::dirfd(dir));
  if (site.Refused()) {
    failed_ = true;
    error_ = LastOsError();
    return false;
  }
  for (;;) {
    unsigned char type = 0;
    const char* name = detail::NextListed(dir, type, error_);
    if (name == nullptr) {
      failed_ = !IsEndOfListing(error_);
      site.Done(!failed_);
      return false;
    }
    struct stat info;
    OsCallSite look(OsCall::kSize, std::string_view(name));
    if (look.Refused() || !look.Done(::fstatat(::dirfd(dir), name, &info, 0) == 0)) {
      if (IsNoSuchFile(LastOsError())) {
        continue;  // gone meanwhile, or a dangling link
      }
      failed_ = true;
      error_ = LastOsError();
      site.Done(false);
      return false;
    }
    entry.cFileName.assign(name);
    entry.dwFileAttributes = S_ISDIR(info.st_mode)   ? kAttributeDirectory
                             : S_ISREG(info.st_mode) ? 0u
                                                     : kAttributeSystem;  // a pipe, a device
    if (IsHiddenName(entry.cFileName)) {
      entry.dwFileAttributes |= kAttributeHidden;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    entry.nFileSizeHigh = static_cast<std::uint32_t>(size >> 32);
    entry.nFileSizeLow = static_cast<std::uint32_t>(size);
    site.Done(true);
    return true;
  }
}

void FolderReader::Close() {
  if (state_ != nullptr) {
    ::closedir(static_cast<DIR*>(state_));
  }
  state_ = nullptr;
}

// --- The run lock
// ---------------------------------------------------------------------------------

FolderLock::Outcome FolderLock::TryTake(const FsPath& folder, OsError* error) {
  Release();
  std::string native;
  if (!Map(folder, native)) {
    Fail(error);
    return Outcome::kFailed;
  }
  OsCallSite site(OsCall::kLock, native);
  if (site.Refused()) {
    Fail(error);
    return Outcome::kFailed;
  }
  const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    site.Done(false);
    Fail(error);
    return Outcome::kFailed;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    const OsError reason = LastOsError();
    ::close(fd);
    site.Done(false);
    if (error) {
      *error = reason;
    }
    return held ? Outcome::kHeldElsewhere : Outcome::kFailed;
  }
  site.Done(true);
  handle_ = fd;
  return Outcome::kTaken;
}

void FolderLock::Release() {
  if (handle_ != -1) {
    ::close(static_cast<int>(handle_));
  }
  handle_ = -1;
}

// --- Processes
// ---------------------------------------------------------------------------------------

bool StartProgram(const ProgramLaunch& launch, OsError* error) {
  if (launch.argv.empty()) {
    if (error) {
      error->code = EINVAL;
    }
    return false;
  }
  std::vector<char*> args;
  for (const std::string& arg : launch.argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  pid_t pid = 0;
  const int result = ::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
  if (result != 0) {
    if (error) {
      error->code = result;
    }
    return false;
  }
  // Not waited for by the caller; reap it in the background so no zombie stays.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return true;
}

std::string OwnProgramFolder() {
  char buffer[4096];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) {
    return ".";
  }
  const std::string path(buffer, static_cast<std::size_t>(length));
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

void WriteStandardError(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) {
        continue;
      }
      return;
    }
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace ndr

#endif  // !_WIN32
