#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "platform.h"
#include "wide_text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;
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

namespace {

std::string WindowsProgramPath(const std::string& program) {
  if (program.empty() || program[0] != '/') {
    return program;
  }
  std::string path = "Z:" + program;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string Quoted(const std::string& arg) {
  return "\"" + arg + "\"";
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
  std::string commandLine = Quoted(WindowsProgramPath(program));
  for (const std::string& arg : args) {
    commandLine += " " + Quoted(arg);
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    Fail("cannot make a pipe for", program);
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  std::wstring wideLine = WideFromUtf8(commandLine);
  BOOL started = CreateProcessW(nullptr, wideLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &process);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    Fail("cannot start", program);
  }
  ProgramResult result;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    result.standardError.append(buffer, got);
  }
  CloseHandle(readEnd);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  result.exitCode = static_cast<int>(exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
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

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) {
    Fail("cannot make a pipe for", program);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = 0;
  int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  if (spawned != 0) {
    ::close(pipeEnds[0]);
    errno = spawned;
    Fail("cannot start", program);
  }
  ProgramResult result;
  char buffer[4096];
  ssize_t got;
  while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0) {
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      break;
    }
    result.standardError.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(pipeEnds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

#endif

}  // namespace ndr::testsupport
