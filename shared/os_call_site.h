// Inside the platform layer only: the dispatch point of the seam. Each
// platform call is wrapped as
//
//   OsCallSite site(OsCall::kUnlink, native);
//   if (site.Refused()) return Fail(error);      // an injected failure
//   return site.Done(::unlink(...) == 0) || Fail(error);
//
// Without a hook, Refused and Done are one predictable branch each.
#pragma once

#include <atomic>
#include <string>

#include "os_seam.h"
#include "platform.h"

namespace ndr {

// Hands the removal of a linked file's old name to the LinkMoveBatch that
// lives on this thread; false when none does.
bool DeferUnlink(const std::string& oldName, const std::string& newName);
// Whether the LinkMoveBatch on this thread holds a move from oldName to
// newName whose old name still stands; it then forgets it, and a move back
// needs only the removal of newName.
bool ForgetDeferredMove(const std::string& oldName, const std::string& newName);

}  // namespace ndr

namespace ndr::detail {

extern std::atomic<OsCallHook*> gOsCallHook;

// The folder part of a path in the system's form: separators made native,
// and a drive path X:\rest placed below the drive root when there is one.
std::string NativeFolder(const std::string& folder, char separator);

// POSIX: the next entry of an open listing (a DIR*), "." and ".." left out:
// its name, and its type as the listing tells it (DT_REG, DT_DIR, DT_UNKNOWN
// and so on); nullptr at the end or on a failure, told apart by
// IsEndOfListing(error).
const char* NextListed(void* listing, unsigned char& type, OsError& error);

// Sets the calling thread's last error (errno, SetLastError) to code.
void SetLastOsError(int code);
int LastOsErrorCode();

class OsCallSite {
 public:
  explicit OsCallSite(OsCall call, std::string_view path = {}, std::string_view target = {})
      : hook_(gOsCallHook.load(std::memory_order_relaxed)) {
    if (hook_ != nullptr) [[unlikely]] {
      info_.call = call;
      info_.path = path;
      info_.target = target;
    }
  }
  OsCallSite(OsCall call, std::intptr_t file, std::size_t bytes = 0, const void* data = nullptr)
      : hook_(gOsCallHook.load(std::memory_order_relaxed)) {
    if (hook_ != nullptr) [[unlikely]] {
      info_.call = call;
      info_.file = file;
      info_.bytes = bytes;
      info_.data = data;
    }
  }
  OsCallSite(const OsCallSite&) = delete;
  OsCallSite& operator=(const OsCallSite&) = delete;

  // True when the hook makes this call fail: the error is set, the call must
  // not reach the system, and the caller returns its failure.
  bool Refused() {
    if (hook_ == nullptr) [[likely]] {
      return false;
    }
    return Ask();
  }
  // Reports the outcome to the hook (which may end the process) and passes
  // it on; the system's error survives the hook.
  bool Done(bool succeeded, std::intptr_t openedFile = -1) {
    if (hook_ != nullptr) [[unlikely]] {
      Tell(succeeded, openedFile);
    }
    return succeeded;
  }

 private:
  bool Ask();
  void Tell(bool succeeded, std::intptr_t openedFile);
  OsCallHook* hook_;
  OsCallInfo info_{};
};

}  // namespace ndr::detail
