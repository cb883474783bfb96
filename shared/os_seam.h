// The one point through which every file-system call of the platform layer
// passes, and the hook a test installs there: count the calls, make call
// number N fail with a chosen error, end the process right after call N as
// if it were killed, or watch every call (to learn which writes were not yet
// flushed to disk, say). Without a hook each call pays one relaxed load and
// one predictable branch.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ndr {

enum class OsCall : std::uint8_t {
  kListOpen,    // open a folder's listing
  kListNext,    // read the next entry of a listing
  kOpenRead,    // open a file for reading
  kOpenWrite,   // create or truncate a file for writing
  kOpenNew,     // create a file that must not exist yet
  kRead,        // read from an open file
  kWrite,       // write to an open file (a writer's buffer flush is one write)
  kSync,        // flush an open file's data to the disk (fsync, FlushFileBuffers)
  kClose,       // close an open file
  kSize,        // a file's length and kind (stat, GetFileAttributesEx, fstat)
  kExists,      // whether a path names an entry, and of which kind
  kRename,      // move within a volume, never replacing
  kLink,        // second name for a file (the no-replace move's fallback)
  kUnlink,      // delete a file
  kMakeFolder,  // create a folder
  kSyncFolder,  // make a folder's new and removed entries durable
  kSyncVolume,  // make everything written on a folder's volume durable (syncfs)
  kLock,        // take a folder's run lock
};
constexpr int kOsCallKinds = static_cast<int>(OsCall::kLock) + 1;
const char* OsCallName(OsCall call);

// The errors a test can inject, set as the call's errno (ENOENT, EACCES,
// ENOSPC, EEXIST, EIO) or GetLastError() (ERROR_FILE_NOT_FOUND,
// ERROR_ACCESS_DENIED, ERROR_DISK_FULL, ERROR_ALREADY_EXISTS, ERROR_IO_DEVICE).
enum class OsFault : std::uint8_t {
  kNone,
  kNoSuchFile,
  kAccessDenied,
  kDiskFull,
  kNameExists,
  kIoError,
  kNotSupported,  // EINVAL, ERROR_NOT_SUPPORTED: a rename without no-replace, say
};
constexpr OsFault kAllFaults[] = {OsFault::kNoSuchFile, OsFault::kAccessDenied, OsFault::kDiskFull,
                                  OsFault::kNameExists, OsFault::kIoError};
const char* OsFaultName(OsFault fault);
// The platform's code for the fault (errno or a Win32 error).
int OsFaultCode(OsFault fault);

// One call as the hook sees it. Paths are native (after drive mapping).
struct OsCallInfo {
  OsCall call;
  std::string_view path;       // the file or folder; the source of a rename or link
  std::string_view target;     // the target of a rename or link
  std::intptr_t file = -1;     // the open file (reads, writes, syncs, closes); set
                               // by the open calls before After
  std::size_t bytes = 0;       // bytes asked for (kRead) or written (kWrite)
  const void* data = nullptr;  // kWrite: the bytes
};

class OsCallHook {
 public:
  virtual ~OsCallHook() = default;
  // Before the call runs: a fault other than kNone makes it fail with that
  // error without reaching the system.
  virtual OsFault Before(const OsCallInfo& info) = 0;
  // After the call ran (or failed by injection); succeeded tells its outcome.
  virtual void After(const OsCallInfo& info, bool succeeded) = 0;
};

// Installs the hook for the whole process (nullptr removes it).
void SetOsCallHook(OsCallHook* hook);
OsCallHook* CurrentOsCallHook();

// Ends the process at once with the exit status, as if it were killed: no
// destructors, no flushing of any buffer (_exit, TerminateProcess).
[[noreturn]] void EndProcessNow(int exitStatus);
constexpr int kKilledExitStatus = 86;

// The usual hook: counts the calls, fails one, ends the process after one.
class OsCallScript : public OsCallHook {
 public:
  enum class KillMode {
    kEndProcess,  // EndProcessNow(kKilledExitStatus)
    kFreezeDisk,  // stay alive, but from then on every call fails with an I/O
                  // error and reaches nothing: the disk stays as the kill
                  // left it, which a test can look at in-process
  };
  std::uint64_t failAt = 0;  // the number (from 1) of the call to fail; 0: none
  OsFault fault = OsFault::kIoError;
  std::uint64_t killAfter = 0;  // the number of the call after which to die; 0: none
  KillMode killMode = KillMode::kEndProcess;

  std::uint64_t Calls() const { return calls_; }
  bool Injected() const { return injected_; }  // the failure was made
  bool Killed() const { return killed_; }      // the kill point was passed

  OsFault Before(const OsCallInfo& info) override;
  void After(const OsCallInfo& info, bool succeeded) override;

 private:
  std::uint64_t calls_ = 0;
  bool injected_ = false, killed_ = false;
};

// Installs a hook for the life of the object.
class ScopedOsCallHook {
 public:
  explicit ScopedOsCallHook(OsCallHook& hook) : previous_(CurrentOsCallHook()) {
    SetOsCallHook(&hook);
  }
  ~ScopedOsCallHook() { SetOsCallHook(previous_); }
  ScopedOsCallHook(const ScopedOsCallHook&) = delete;
  ScopedOsCallHook& operator=(const ScopedOsCallHook&) = delete;

 private:
  OsCallHook* previous_;
};

}  // namespace ndr
