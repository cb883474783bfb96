// The platform layer under the file utilities: Win32 on Windows, POSIX
// elsewhere (platform_win32.cpp, platform_posix.cpp). Every file-system call
// of the programs passes through here, and through the seam of os_seam.h.
//
// Paths are given as the programs write them: a folder as a drive path with
// backslashes (P:\Diverido\Mail\~Bounces), and, apart from it, the name of
// one entry of that folder as the bytes the listing gave. Only the folder is
// mapped to the system's form; the name is appended as it is, so that a name
// holding "\" (possible on POSIX) still names that one entry. Names are bytes
// on POSIX and UTF-8 on Windows, where the layer converts them at each wide
// call (wide_text.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ascii.h"

namespace ndr {

// The operating system's reason for a failure: errno on POSIX, GetLastError()
// on Windows. Kept at the point of failure for the report.
struct OsError {
  int code = 0;
  std::string Describe() const;  // the system's own text for the code
};

// The calling thread's last error: errno on POSIX, GetLastError() on Windows.
OsError LastOsError();
bool IsNoSuchFile(const OsError& error);
bool IsNameTaken(const OsError& error);

// A folder, or one entry of a folder. A plain string converts to a path
// whose every "\" separates folders: use it for the paths the programs spell
// themselves, never for a name read from a listing.
struct FsPath {
  std::string folder;  // drive path (or native path)
  std::string name;    // one entry of folder, bytes as they are; "" = folder itself

  FsPath(std::string path) : folder(std::move(path)) {}  // NOLINT: implicit on purpose
  FsPath(const char* path) : folder(path) {}             // NOLINT
  FsPath(std::string folderPath, std::string entryName)
      : folder(std::move(folderPath)), name(std::move(entryName)) {}
  // The last part of the path: the entry's name, or the folder's last part.
  std::string_view LastPart() const;
  // Folder, "\", name: the path as a report shows it (never to be opened).
  std::string Joined() const { return name.empty() ? folder : folder + "\\" + name; }
};

// The separator of the system's paths.
#ifdef _WIN32
constexpr char kNativeSeparator = '\\';
#else
constexpr char kNativeSeparator = '/';
#endif

// Whether name can be one entry of a folder: not empty, not "." or "..", no
// "/" (and on Windows no "\"). Any other name reaches exactly that entry.
bool IsEntryName(std::string_view name);

// The test seam for drive paths. POSIX: a drive path X:\a\b maps to
// DriveRoot()/x:/a/b (lower-case letter with its colon, the layout of Wine's
// dosdevices folder); the root is NDR_DRIVES unless a test has set another.
// Windows: drive paths are the system's own, unless a test has set a root;
// then X:\a\b maps to root\x\a\b. letters, when not empty, names the only
// drives that map (upper case): on Windows the system's own drives, where the
// test programs themselves lie, must stay as they are. Shipped programs never
// set a root; a test sets it before any other thread starts.
void SetDriveRoot(std::string root, std::string letters = {});
const std::string& DriveRoot();  // "" on Windows when no root was set
// The system's form of path: the mapped folder, then the name as it is.
std::string NativePath(const FsPath& path);

// A name that the listing and the reader do not show: on POSIX a name that
// begins with "." (Windows keeps this in the hidden attribute instead).
bool IsHiddenName(std::string_view name);

// Any file or folder of that path.
bool PathExists(const FsPath& path);
// An ordinary file: not a folder, not hidden, not a system file.
bool OrdinaryFileExists(const FsPath& path);
bool FolderExists(const FsPath& path);
// OrdinaryFileExists and FileLength in one look at the file system.
bool OrdinaryFileLength(const FsPath& path, std::uint64_t& length);

bool FileLength(const FsPath& path, std::uint64_t& length, OsError* error = nullptr);
bool RemoveFile(const FsPath& path, OsError* error = nullptr);
bool CreateFolder(const FsPath& path, OsError* error = nullptr);

// Moves a file within one volume. Never replaces an existing target: the move
// fails instead (Windows: MoveFileExW without MOVEFILE_REPLACE_EXISTING;
// POSIX: renameat2 RENAME_NOREPLACE, or link then unlink where that is
// missing).
bool MoveNoReplace(const FsPath& from, const FsPath& to, OsError* error = nullptr);

// Makes the folder's entries (files created, renamed or deleted in it)
// durable on disk: fsync of the folder on POSIX; on Windows the entries are
// made durable with the files' own flushes, and this only checks the folder.
bool SyncFolder(const FsPath& folder, OsError* error = nullptr);

// Whether the file at path has a second name in folder, which is then given
// in nameThere: what a no-replace move by link then unlink leaves when it is
// cut off between the two. Always false where moves are single renames
// (Windows).
bool SecondLinkIn(const FsPath& path, const std::string& folder, std::string& nameThere);

// Makes every file written and every entry made on the folder's volume so far
// durable. Linux: one syncfs for a whole batch of files. Windows, where a
// user cannot flush a volume, files are flushed as they are closed (see
// kFlushEachFile) and moves are written through: nothing is left to do.
bool FlushVolume(const FsPath& folder, OsError* error = nullptr);
#ifdef _WIN32
inline constexpr bool kFlushEachFile = true;
#else
inline constexpr bool kFlushEachFile = false;
#endif

// Whether the program may create and remove entries in the folder: it is a
// folder and (POSIX) the program may write it.
bool FolderTakesFiles(const FsPath& folder, OsError* error = nullptr);

// --- Open files ---------------------------------------------------------------

// A file opened through the platform layer. Reads and writes go straight to
// the system; callers keep their own buffers. Closed by the destructor.
class OsFile {
 public:
  enum class Mode {
    kRead,           // an existing file
    kWriteTruncate,  // created, or emptied when it exists
    kWriteNew,       // created; fails when the name is taken
  };
  OsFile() = default;
  ~OsFile() { Close(); }
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  bool Open(const FsPath& path, Mode mode, OsError* error = nullptr);
  // Opens path for reading only when it is an ordinary file (see
  // OrdinaryFileExists), and gives its length. Never waits on a pipe.
  bool OpenOrdinary(const FsPath& path, std::uint64_t& length, OsError* error = nullptr);
  // Bytes read (0 at the end of the file), or -1 on a failure.
  std::ptrdiff_t Read(void* buffer, std::size_t size, OsError* error = nullptr);
  // Writes all the bytes, or fails.
  bool Write(const void* data, std::size_t size, OsError* error = nullptr);
  // Flushes the file's data to the disk (fsync, FlushFileBuffers).
  bool Sync(OsError* error = nullptr);
  bool Close(OsError* error = nullptr);
  bool IsOpen() const { return handle_ != -1; }

 private:
  std::intptr_t handle_ = -1;
};

// A file held open from the moment it is known to be deletable until it is
// deleted, so that a program acts only once it knows the delete will pass,
// and deletes exactly the file it looked at, not another one put under its
// name meanwhile.
class HeldFile {
 public:
  HeldFile() = default;
  ~HeldFile() { Release(); }
  HeldFile(HeldFile&& other) noexcept;
  HeldFile& operator=(HeldFile&& other) noexcept;
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  // Opens the file and proves that it can be deleted. Windows: opened with
  // delete access, others may only read it meanwhile, and the read-only
  // attribute refuses. POSIX: the rules by which the system refuses an
  // unlink (an immutable or append-only file or folder, a folder the program
  // cannot write, a sticky folder owned by neither the program's user nor the
  // file's owner). False, with the reason, when the delete would fail.
  bool Open(const FsPath& path, OsError* error = nullptr);
  // Deletes the held file; where its name now names another file, nothing is
  // deleted and the delete fails.
  bool Delete(OsError* error = nullptr);
  void Release();
  bool IsOpen() const { return handle_ != -1; }

 private:
  std::intptr_t handle_ = -1;
  std::string native_;
};

// --- Folder listing -----------------------------------------------------------

constexpr std::uint32_t kAttributeHidden = 0x2;
constexpr std::uint32_t kAttributeSystem = 0x4;
constexpr std::uint32_t kAttributeDirectory = 0x10;

// One entry of a listing, the same on every platform.
struct FindEntry {
  std::uint32_t dwFileAttributes = 0;  // kAttributeDirectory, kAttributeHidden...
  std::uint32_t nFileSizeHigh = 0;
  std::uint32_t nFileSizeLow = 0;
  std::string cFileName;  // the entry's name, bytes as they are
};

inline std::uint64_t EntrySize(const FindEntry& entry) {
  return (std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
}
inline bool EntryIsEmpty(const FindEntry& entry) {
  return entry.nFileSizeHigh == 0 && entry.nFileSizeLow == 0;
}

// The entries of one folder in the platform's order, "." and ".." left out.
class FolderReader {
 public:
  FolderReader() = default;
  ~FolderReader() { Close(); }
  FolderReader(const FolderReader&) = delete;
  FolderReader& operator=(const FolderReader&) = delete;

  // False when the folder cannot be listed (missing, not a folder, denied).
  bool Open(const FsPath& folder, OsError* error = nullptr);
  // The next entry; false at the end (or when the listing failed: Failed).
  bool Next(FindEntry& entry);
  void Close();
  bool Failed() const { return failed_; }
  const OsError& Error() const { return error_; }

 private:
  void* state_ = nullptr;  // the platform's listing: a DIR, or a find handle and its record
  bool failed_ = false;
  OsError error_;
};

// --- The run lock ---------------------------------------------------------------

// A lock that one process at a time holds on a folder, released when the
// object goes or the process ends. It creates nothing in the folder (Windows:
// a named mutex; POSIX: flock on the folder).
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock() { Release(); }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  enum class Outcome { kTaken, kHeldElsewhere, kFailed };
  Outcome TryTake(const FsPath& folder, OsError* error = nullptr);
  void Release();

 private:
  std::intptr_t handle_ = -1;
};

// --- Processes ---------------------------------------------------------------------

// Starts a program without a shell and without waiting for it, in a normal
// window with the focus. Windows hands commandLine raw to CreateProcessW;
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
