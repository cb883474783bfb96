// Keeps two requeue runs from working on the bounce folder at the same time:
// they would write into the same placeholder files. The lock creates nothing
// in the mail folders (Windows: a named mutex; POSIX: flock on the folder).
#pragma once

#include <string>

#include "platform.h"

namespace ndr {

class RunLock {
 public:
  RunLock() = default;
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // False when another run holds the lock for this folder. A folder that
  // cannot be opened gives true: there is nothing there to protect.
  bool TryAcquire(const std::string& folder);
  void Release();

 private:
  FolderLock lock_;
};

}  // namespace ndr
