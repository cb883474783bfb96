#include "run_lock.h"

#include "platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace ndr {

RunLock::~RunLock() {
  Release();
}

#ifdef _WIN32

namespace {

// Mutex names may not hold backslashes.
std::string MutexName(const std::string& folder) {
  std::string name = "ndr_Requeue:" + LowerCase(folder);
  for (char& c : name) {
    if (c == '\\') {
      c = '/';
    }
  }
  return name;
}

}  // namespace

bool RunLock::TryAcquire(const std::string& folder) {
  Release();
  HANDLE mutex = CreateMutexA(nullptr, FALSE, MutexName(folder).c_str());
  if (mutex == nullptr) {
    return GetLastError() != ERROR_ACCESS_DENIED;  // held by another user's run
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  mutex_ = mutex;
  return true;
}

void RunLock::Release() {
  if (mutex_) {
    CloseHandle(static_cast<HANDLE>(mutex_));
  }
  mutex_ = nullptr;
}

#else

bool RunLock::TryAcquire(const std::string& folder) {
  Release();
  int fd = ::open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return true;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void RunLock::Release() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
  fd_ = -1;
}

#endif

}  // namespace ndr
