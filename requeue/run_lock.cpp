#include "run_lock.h"

namespace ndr {

RunLock::~RunLock() {
  Release();
}

bool RunLock::TryAcquire(const std::string& folder) {
  // A folder that cannot be opened has nothing in it to protect.
  return lock_.TryTake(folder) != FolderLock::Outcome::kHeldElsewhere;
}

void RunLock::Release() {
  lock_.Release();
}

}  // namespace ndr
