#include "test_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform.h"
#include "watched_program.h"
#include "wide_text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <linux/fs.h>
#endif

namespace ndr::testsupport {

namespace fs = std::filesystem;

namespace {

// Names are UTF-8 inside; std::filesystem and the C library on Windows would
// take a narrow path in the code page.
#ifdef _WIN32
fs::path Native(const FsPath& path) {
  return fs::path(WideFromUtf8(NativePath(path)));
}
std::FILE* OpenFile(const FsPath& path, bool write) {
  return _wfopen(WideSystemPath(path).c_str(), write ? L"wb" : L"rb");
}
#else
fs::path Native(const FsPath& path) {
  return fs::path(NativePath(path));
}
std::FILE* OpenFile(const FsPath& path, bool write) {
  return std::fopen(NativePath(path).c_str(), write ? "wb" : "rb");
}
#endif

[[noreturn]] void Fail(const std::string& what, const FsPath& path) {
  throw std::runtime_error(what + " " + path.Joined() + ": " + LastOsError().Describe());
}

}  // namespace

void MakeFolders(const std::string& path) {
  fs::create_directories(Native(path));
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  fs::remove_all(Native(path), ignored);
}

void WriteBytes(const FsPath& path, std::string_view bytes) {
  std::FILE* file = OpenFile(path, true);
  if (file == nullptr) {
    Fail("cannot create", path);
  }
  bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) {
    Fail("cannot write", path);
  }
}

std::string ReadBytes(const FsPath& path) {
  std::string bytes;
  std::FILE* file = OpenFile(path, false);
  if (file == nullptr) {
    return bytes;
  }
  char buffer[64 * 1024];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.append(buffer, got);
  }
  std::fclose(file);
  return bytes;
}

bool FileExists(const FsPath& path) {
  std::error_code ignored;
  return fs::is_regular_file(Native(path), ignored);
}

// Through the platform layer, so that names come as the programs see them
// (std::filesystem would recode 8-bit names on Windows).
std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  FolderReader reader;
  FindEntry entry;
  if (reader.Open(folder)) {
    while (reader.Next(entry)) {
      if ((entry.dwFileAttributes & kAttributeDirectory) == 0) {
        names.push_back(entry.cFileName);
      }
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> OddNames() {
  std::vector<std::string> names = {"-x.cnm",
                                    "a b.cnm",
                                    ";x; y.cnm",
                                    "$(touch pwned).cnm",
                                    "x..cnm",
                                    "Жук.cnm",
                                    std::string(240, 'n') + ".cnm"};
#ifndef _WIN32
  names.insert(names.end(),
               {"\xE9t\xE9.cnm", "..\\a.cnm", "keep\\victim.cnm", "ABC.CNM", "abc.CNM"});
#endif
  return names;
}

void BuildTree(const std::string& root, const std::vector<TreeEntry>& entries) {
  RemoveTree(root);
  MakeFolders(root);
  for (const auto& [name, bytes] : entries) {
    std::string path = root + "\\" + name;
    if (!name.empty() && name.back() == '\\') {
      MakeFolders(path);
      continue;
    }
    std::size_t slash = path.find_last_of('\\');
    MakeFolders(path.substr(0, slash));
    WriteBytes(path, bytes);
  }
}

#ifdef _WIN32

bool SetUndeletable(const std::string& path, bool on) {
  return SetFileAttributesW(WideSystemPath(path).c_str(),
                            on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}

#else  // POSIX

bool SetUndeletable(const std::string& path, bool on) {
#ifdef __linux__
  int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  int flags = 0;
  bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  ::close(fd);
  return done;
#else
  (void)path;
  (void)on;
  return false;
#endif
}

#endif

ProgramLaunch LaunchOf(const std::string& program, const std::vector<std::string>& args) {
  ProgramLaunch launch{"\"" + program + "\"", {program}};
#ifdef _WIN32
  if (program[0] == '/') {  // a build path seen through Wine's drive Z:
    launch.commandLine = "\"Z:" + program + "\"";
    std::replace(launch.commandLine.begin(), launch.commandLine.end(), '/', '\\');
  }
#endif
  for (const std::string& arg : args) {
    launch.commandLine += " \"" + arg + "\"";
    launch.argv.push_back(arg);
  }
  return launch;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
  WatchedProgram watched;
  OsError error;
  if (!watched.Start(LaunchOf(program, args), &error)) {
    throw std::runtime_error("cannot start " + program + ": " + error.Describe());
  }
  while (!watched.Ended()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return {watched.ExitStatus(), watched.Report()};
}

}  // namespace ndr::testsupport
