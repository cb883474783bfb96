// A watched program on POSIX systems.
#ifndef _WIN32

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "watched_program.h"

extern char** environ;

namespace ndr {

WatchedProgram::~WatchedProgram() {
  if (pipe_ != -1) {
    ::close(static_cast<int>(pipe_));
  }
  if (process_ != -1 && !ended_) {
    // Not waited for any more; reaped in the background so no zombie stays.
    std::thread([pid = static_cast<pid_t>(process_)] { ::waitpid(pid, nullptr, 0); }).detach();
  }
}

bool WatchedProgram::Start(const ProgramLaunch& launch, OsError* error) {
  int ends[2];
  if (launch.argv.empty() || ::pipe2(ends, O_CLOEXEC) != 0) {
    if (error) {
      error->code = launch.argv.empty() ? EINVAL : errno;
    }
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
  std::vector<char*> args;
  for (const std::string& arg : launch.argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  pid_t pid = 0;
  const int result = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[1]);
  if (result != 0) {
    ::close(ends[0]);
    if (error) {
      error->code = result;
    }
    return false;
  }
  ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
  process_ = pid;
  pipe_ = ends[0];
  return true;
}

void WatchedProgram::ReadReport() {
  char buffer[4096];
  ssize_t got;
  while (pipe_ != -1 && (got = ::read(static_cast<int>(pipe_), buffer, sizeof buffer)) != 0) {
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return;  // nothing more for now
    }
    report_.append(buffer, static_cast<std::size_t>(got));
  }
  if (pipe_ != -1) {
    ::close(static_cast<int>(pipe_));  // its end: every writer has gone
    pipe_ = -1;
  }
}

bool WatchedProgram::Ended() {
  if (process_ == -1 || ended_) {
    return ended_;
  }
  ReadReport();
  int status = 0;
  const pid_t done = ::waitpid(static_cast<pid_t>(process_), &status, WNOHANG);
  if (done <= 0) {
    return false;
  }
  ReadReport();
  ended_ = true;
  exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

}  // namespace ndr

#endif  // !_WIN32
