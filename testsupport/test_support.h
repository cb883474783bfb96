// Helpers for tests and benchmarks: building folder trees, writing and reading
// files byte for byte, and running a built program to get its exit code and
// standard error. Paths may be given as the programs write them (drive paths
// such as P:\Diverido\Mail) or as native paths; NativePath is applied.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform.h"

namespace ndr::testsupport {

// Creates the folder and any missing parents.
void MakeFolders(const std::string& path);
// Removes the folder with everything in it; nothing happens when it is missing.
void RemoveTree(const std::string& path);

// Creates or replaces the file with exactly these bytes. FsPath(folder,
// name) reaches a name that holds "\" (POSIX).
void WriteBytes(const FsPath& path, std::string_view bytes);
// The file's bytes; empty when it cannot be read.
std::string ReadBytes(const FsPath& path);
bool FileExists(const FsPath& path);  // a file, not a folder

// Names of the files in the folder (folders left out), sorted bytewise. Read
// through the platform layer: a hook that is installed sees the calls.
std::vector<std::string> FileNames(const std::string& folder);

// Names a listing can give that a program could take for something else: an
// option, blanks, shell characters, doubled dots, a name outside any code
// page (Cyrillic) and one whose path is longer than 260 characters; on POSIX
// also names holding "\", names that differ only in case and 8-bit bytes that
// are no UTF-8 (Windows names are UTF-16, which the programs hold as UTF-8).
std::vector<std::string> OddNames();

// Empties root (creating it when missing), then builds entries below it: a
// name ending in "\" makes a folder, any other a file holding the bytes.
// Names may hold "\" to reach into subfolders, which are made as needed.
using TreeEntry = std::pair<std::string, std::string>;
void BuildTree(const std::string& root, const std::vector<TreeEntry>& entries);

// Makes a file, or a folder, such that nothing in it can be deleted or
// created (Linux: the immutable flag, which needs CAP_LINUX_IMMUTABLE;
// Windows: the read-only attribute, which a folder ignores), or undoes it.
// False when the system refuses.
bool SetUndeletable(const std::string& path, bool on);

struct ProgramResult {
  int exitCode = -1;          // 128 + signal number when a signal ended it
  std::string standardError;  // everything it wrote there
};
// The program with its arguments, quoted for Windows. A POSIX absolute path
// given to a Windows build (as CMake passes build paths under Wine) is
// reached through Wine's drive Z:.
ProgramLaunch LaunchOf(const std::string& program, const std::vector<std::string>& args = {});
// Runs the program without a shell and waits for it.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args = {});

}  // namespace ndr::testsupport
