// The thin platform layer under the file utilities: Win32 on Windows, POSIX
// elsewhere. Paths are given as the programs write them (drive paths with
// backslashes, such as P:\Diverido\Mail\~Bounces\abc.cnm); NativePath turns
// them into what the operating system takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ndr {

// The operating system's reason for a failure: errno on POSIX, GetLastError()
// on Windows. Kept at the point of failure for the report.
struct OsError {
  int code = 0;
  std::string Describe() const;  // the system's own text for the code
};

// The calling thread's last error: errno on POSIX, GetLastError() on Windows.
OsError LastOsError();
bool IsNoSuchFile(const OsError& error);  // the file or its folder is missing

// ASCII lower-casing, as file names are compared and built here.
std::string LowerCase(std::string text);
bool EqualsIgnoreCase(const std::string& a, const std::string& b);

// Windows: the path unchanged. POSIX: backslashes become slashes, and a drive
// path X:\a\b maps to NDR_DRIVES/x:/a/b (lower-case letter and colon, the
// layout of Wine's dosdevices folder). Other paths are only re-separated.
std::string NativePath(const std::string& path);

// Any file or folder of that path.
bool PathExists(const std::string& path);
// An ordinary file: not a folder, not hidden, not a system file. On POSIX a
// name that begins with "." counts as hidden.
bool OrdinaryFileExists(const std::string& path);
bool FolderExists(const std::string& path);
// OrdinaryFileExists and FileLength in one look at the file system.
bool OrdinaryFileLength(const std::string& path, std::uint64_t& length);

bool FileLength(const std::string& path, std::uint64_t& length, OsError* error = nullptr);
bool RemoveFile(const std::string& path, OsError* error = nullptr);
bool CreateFolder(const std::string& path, OsError* error = nullptr);

// Moves a file within one volume. Never replaces an existing target: the move
// fails instead (Windows: MoveFileA without MOVEFILE_REPLACE_EXISTING; POSIX:
// renameat2 RENAME_NOREPLACE, or link then unlink where that is missing).
bool MoveNoReplace(const std::string& from, const std::string& to, OsError* error = nullptr);

// Whether the file at path has a second name in folder, which is then given
// in nameThere: what a no-replace move by link then unlink leaves when it is
// cut off between the two. Always false where moves are single renames
// (Windows).
bool SecondLinkIn(const std::string& path, const std::string& folder, std::string& nameThere);

// Starts a program without a shell and without waiting for it, in a normal
// window with the focus. Windows hands commandLine raw to CreateProcessA;
// POSIX runs argv (argv[0] searched on the PATH when it has no slash).
struct ProgramLaunch {
  std::string commandLine;        // Windows
  std::vector<std::string> argv;  // POSIX
};
bool StartProgram(const ProgramLaunch& launch, OsError* error = nullptr);

// The folder that holds the running program's own file, as a native path.
std::string OwnProgramFolder();

// Writes text to standard error as it is, also from a program without a
// console window (Windows: the inherited standard error handle).
void WriteStandardError(const std::string& text);

}  // namespace ndr
