// A file held open from the moment it is known to be deletable until it is
// deleted, so that a program acts only once it knows the delete will pass,
// and deletes exactly the file it read (not another one put under its name
// meanwhile). And the flush that makes a batch of written files durable.
#pragma once

#include <cstdint>
#include <string>

#include "platform.h"

namespace ndr {

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
  // unlink (an immutable or append-only file or folder, a folder the caller
  // cannot write, a sticky folder owned by neither the caller nor the file's
  // owner). False, with the reason, when the delete would fail.
  bool Open(const std::string& path, OsError* error = nullptr);
  // Deletes the held file; where the name now names another file, nothing is
  // deleted and the delete fails.
  bool Delete(OsError* error = nullptr);
  void Release();
  bool IsOpen() const { return handle_ != kNone; }

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;
  std::string path_;
};

// Makes every file written and every entry made on the folder's volume so far
// durable. Linux: one syncfs for the whole batch. Windows, where a user
// cannot flush a volume, files are flushed as they are closed and moves are
// written through, so nothing is left to do here.
bool FlushVolume(const std::string& folder, OsError* error = nullptr);
#ifdef _WIN32
inline constexpr bool kFlushEachFile = true;
#else
inline constexpr bool kFlushEachFile = false;
#endif

// Whether the program may create and remove entries in the folder: it
// exists and is a folder, and (POSIX) is writable by the program.
bool FolderTakesFiles(const std::string& folder, OsError* error = nullptr);

}  // namespace ndr
