// A program started without a shell and without waiting for it, whose
// standard error and exit status are kept for its starter to look at later:
// a batch program started from the viewer has no console of its own, so its
// report would otherwise go nowhere. Part of the platform layer
// (watched_program_posix.cpp, watched_program_win32.cpp).
#pragma once

#include <cstdint>
#include <string>

#include "platform.h"

namespace ndr {

class WatchedProgram {
 public:
  WatchedProgram() = default;
  ~WatchedProgram();  // stops watching; the program runs on
  WatchedProgram(const WatchedProgram&) = delete;
  WatchedProgram& operator=(const WatchedProgram&) = delete;

  // Starts the program (launch as for StartProgram) with its standard error
  // into a pipe of ours; false, with the reason, when it could not start.
  bool Start(const ProgramLaunch& launch, OsError* error = nullptr);
  // Takes what the program wrote to standard error so far, and tells whether
  // it has ended, with its exit status. Never waits.
  bool Ended();
  int ExitStatus() const { return exitStatus_; }
  const std::string& Report() const { return report_; }

 private:
  void ReadReport();
  std::intptr_t process_ = -1;  // pid, or the process handle
  std::intptr_t pipe_ = -1;     // the read end of its standard error
  int exitStatus_ = 0;
  bool ended_ = false;
  std::string report_;
};

}  // namespace ndr
