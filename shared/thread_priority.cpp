#include "thread_priority.h"

#ifdef _WIN32
#include <windows.h>
#elif defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace ndr {

void MakeThisThreadBackground() {
#ifdef _WIN32
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
#elif defined(__linux__)
  // Linux keeps a nice value per thread; elsewhere it would be the process's.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
#endif
}

std::int64_t ThisThreadWaitCount() {
#if defined(__linux__)
  struct rusage usage;
  if (getrusage(RUSAGE_THREAD, &usage) == 0)
    return usage.ru_nvcsw;  // the voluntary switches; preemptions are the others
#endif
  return -1;
}

}  // namespace ndr
