// A watched program on Windows.
#ifdef _WIN32

#include <windows.h>

#include "watched_program.h"
#include "wide_text.h"

namespace ndr {

namespace {

HANDLE Handle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

WatchedProgram::~WatchedProgram() {
  if (pipe_ != -1) {
    CloseHandle(Handle(pipe_));
  }
  if (process_ != -1) {
    CloseHandle(Handle(process_));
  }
}

bool WatchedProgram::Start(const ProgramLaunch& launch, OsError* error) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    if (error) {
      *error = LastOsError();
    }
    return false;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_SHOWNORMAL;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = WideFromUtf8(launch.commandLine);  // CreateProcessW may write into it
  const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  const OsError reason = LastOsError();
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    if (error) {
      *error = reason;
    }
    return false;
  }
  CloseHandle(process.hThread);
  process_ = reinterpret_cast<std::intptr_t>(process.hProcess);
  pipe_ = reinterpret_cast<std::intptr_t>(readEnd);
  return true;
}

void WatchedProgram::ReadReport() {
  DWORD waiting = 0;
  char buffer[4096];
  while (pipe_ != -1 && PeekNamedPipe(Handle(pipe_), nullptr, 0, nullptr, &waiting, nullptr) &&
         waiting > 0) {
    DWORD got = 0;
    if (!ReadFile(Handle(pipe_), buffer, sizeof buffer, &got, nullptr) || got == 0) {
      break;
    }
    report_.append(buffer, got);
  }
}

bool WatchedProgram::Ended() {
  if (process_ == -1 || ended_) {
    return ended_;
  }
  ReadReport();
  if (WaitForSingleObject(Handle(process_), 0) != WAIT_OBJECT_0) {
    return false;
  }
  ReadReport();
  DWORD code = 0;
  GetExitCodeProcess(Handle(process_), &code);
  exitStatus_ = static_cast<int>(code);
  ended_ = true;
  return true;
}

}  // namespace ndr

#endif  // _WIN32
