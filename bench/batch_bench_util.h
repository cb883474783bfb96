// Small helpers of the batch programs' benchmarks (native POSIX builds only):
// a stopwatch, running a built program with its peak memory, and filling
// folders with sample files.
#pragma once

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

extern char** environ;

namespace ndr::bench {

class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

struct ChildRun {
  int exitCode = -1;
  double seconds = 0;
  long peakKiB = 0;  // the child's maximum resident set size
};

// Runs the program (no arguments, no shell) and waits for it.
inline ChildRun RunChild(const std::string& program) {
  ChildRun run;
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = 0;
  Stopwatch watch;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", program.c_str());
    std::exit(2);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  run.seconds = watch.Seconds();
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.peakKiB = usage.ru_maxrss;
  return run;
}

// Writes dirty data out, so that no writeback of the setup falls into a
// measured run.
inline void Settle() {
  ::sync();
}

inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "benchmark setup failed: %s\n", what);
    std::exit(2);
  }
}

}  // namespace ndr::bench
