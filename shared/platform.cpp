#include "platform.h"

#include <algorithm>
#include <cstring>

#include "ndr_config.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <thread>

extern char** environ;
#endif

namespace ndr {

std::string LowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && LowerCase(a) == LowerCase(b);
}

#ifdef _WIN32

std::string OsError::Describe() const {
  char* text = nullptr;
  DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD length = FormatMessageA(flags, nullptr, static_cast<DWORD>(code), 0,
                                reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length > 0 && text ? std::string(text, length) : std::string();
  LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  if (result.empty()) {
    result = "error " + std::to_string(code);
  }
  return result;
}

OsError LastOsError() {
  return OsError{static_cast<int>(GetLastError())};
}

bool IsNoSuchFile(const OsError& error) {
  return error.code == ERROR_FILE_NOT_FOUND || error.code == ERROR_PATH_NOT_FOUND;
}

std::string NativePath(const std::string& path) {
  return path;
}

namespace {

bool Attributes(const std::string& path, DWORD& attributes) {
  attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES;
}

bool Fail(OsError* error) {
  if (error) {
    *error = LastOsError();
  }
  return false;
}

}  // namespace

bool PathExists(const std::string& path) {
  DWORD attributes;
  return Attributes(path, attributes);
}

bool OrdinaryFileExists(const std::string& path) {
  DWORD attributes;
  constexpr DWORD kNotOrdinary =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return Attributes(path, attributes) && (attributes & kNotOrdinary) == 0;
}

bool OrdinaryFileLength(const std::string& path, std::uint64_t& length) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  constexpr DWORD kNotOrdinary =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & kNotOrdinary) != 0) {
    return false;
  }
  length = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  return true;
}

bool FolderExists(const std::string& path) {
  DWORD attributes;
  return Attributes(path, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileLength(const std::string& path, std::uint64_t& length, OsError* error) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    return Fail(error);
  }
  length = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  return true;
}

bool RemoveFile(const std::string& path, OsError* error) {
  return DeleteFileA(path.c_str()) ? true : Fail(error);
}

bool CreateFolder(const std::string& path, OsError* error) {
  return CreateDirectoryA(path.c_str(), nullptr) ? true : Fail(error);
}

bool MoveNoReplace(const std::string& from, const std::string& to, OsError* error) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists;
  // written through, it is on the disk when the call returns.
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? true : Fail(error);
}

bool SecondLinkIn(const std::string&, const std::string&, std::string&) {
  return false;
}

bool StartProgram(const ProgramLaunch& launch, OsError* error) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  std::string commandLine = launch.commandLine;  // CreateProcessA may write into it
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return Fail(error);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

std::string OwnProgramFolder() {
  char buffer[MAX_PATH + 1];
  DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path(buffer, std::min<DWORD>(length, MAX_PATH));
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

void WriteStandardError(const std::string& text) {
  HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0;
  WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

#else  // POSIX

std::string OsError::Describe() const {
  return std::strerror(code);
}

OsError LastOsError() {
  return OsError{errno};
}

bool IsNoSuchFile(const OsError& error) {
  return error.code == ENOENT;
}

std::string NativePath(const std::string& path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  bool isDrivePath =
      native.size() >= 2 && native[1] == ':' &&
      ((native[0] >= 'A' && native[0] <= 'Z') || (native[0] >= 'a' && native[0] <= 'z'));
  if (!isDrivePath) {
    return native;
  }
  std::string drive = LowerCase(native.substr(0, 2));
  std::string rest = native.substr(2);
  if (!rest.empty() && rest.front() != '/') {
    rest.insert(rest.begin(), '/');
  }
  return std::string(NDR_DRIVES) + "/" + drive + rest;
}

namespace {

bool Stat(const std::string& path, struct stat& info) {
  return ::stat(NativePath(path).c_str(), &info) == 0;
}

bool Fail(OsError* error) {
  if (error) {
    *error = LastOsError();
  }
  return false;
}

bool IsHiddenName(const std::string& path) {
  std::string native = NativePath(path);
  std::size_t slash = native.find_last_of('/');
  std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  return start < native.size() && native[start] == '.';
}

}  // namespace

bool PathExists(const std::string& path) {
  struct stat info;
  return Stat(path, info);
}

bool OrdinaryFileExists(const std::string& path) {
  struct stat info;
  return Stat(path, info) && S_ISREG(info.st_mode) && !IsHiddenName(path);
}

bool OrdinaryFileLength(const std::string& path, std::uint64_t& length) {
  const std::string native = NativePath(path);
  const std::size_t slash = native.find_last_of('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  struct stat info;
  if ((start < native.size() && native[start] == '.') || ::stat(native.c_str(), &info) != 0 ||
      !S_ISREG(info.st_mode)) {
    return false;
  }
  length = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool FolderExists(const std::string& path) {
  struct stat info;
  return Stat(path, info) && S_ISDIR(info.st_mode);
}

bool FileLength(const std::string& path, std::uint64_t& length, OsError* error) {
  struct stat info;
  if (!Stat(path, info)) {
    return Fail(error);
  }
  length = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool RemoveFile(const std::string& path, OsError* error) {
  return ::unlink(NativePath(path).c_str()) == 0 ? true : Fail(error);
}

bool CreateFolder(const std::string& path, OsError* error) {
  return ::mkdir(NativePath(path).c_str(), 0777) == 0 ? true : Fail(error);
}

namespace {

// For file systems or kernels without RENAME_NOREPLACE: link(2) fails with
// EEXIST when the target exists, so no file is ever replaced.
bool LinkThenUnlink(const std::string& from, const std::string& to, OsError* error) {
  if (::link(from.c_str(), to.c_str()) != 0) {
    return Fail(error);
  }
  if (::unlink(from.c_str()) != 0) {
    OsError reason = LastOsError();
    ::unlink(to.c_str());  // keep one file, not two
    if (error) {
      *error = reason;
    }
    return false;
  }
  return true;
}

}  // namespace

bool MoveNoReplace(const std::string& from, const std::string& to, OsError* error) {
  std::string nativeFrom = NativePath(from);
  std::string nativeTo = NativePath(to);
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, nativeFrom.c_str(), AT_FDCWD, nativeTo.c_str(), RENAME_NOREPLACE) ==
      0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
    return Fail(error);
  }
#endif
  return LinkThenUnlink(nativeFrom, nativeTo, error);
}

bool SecondLinkIn(const std::string& path, const std::string& folder, std::string& nameThere) {
  struct stat file;
  if (!Stat(path, file) || !S_ISREG(file.st_mode) || file.st_nlink < 2) {
    return false;
  }
  DIR* dir = ::opendir(NativePath(folder).c_str());
  if (dir == nullptr) {
    return false;
  }
  bool found = false;
  while (struct dirent* item = ::readdir(dir)) {
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
  int result = ::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
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
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) {
    return ".";
  }
  std::string path(buffer, static_cast<std::size_t>(length));
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

void WriteStandardError(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) {
        continue;
      }
      return;
    }
    done += static_cast<std::size_t>(n);
  }
}

#endif

}  // namespace ndr
