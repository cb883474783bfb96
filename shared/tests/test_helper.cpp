// Started by the platform test. "kill N": writes a.txt then b.txt into
// P:\platform-tests\killed, each in two writes, with the process ended right
// after seam call N (0: never). "start NAME": writes the file NAME into the
// platform test's folder, so the test sees that it ran and the name it was
// given (on Windows the wide argument, which holds any name the code page
// cannot).
#include <cstdlib>
#include <string>
#include <vector>

#include "os_seam.h"
#include "test_support.h"
#include "wide_text.h"

namespace {

int WriteUntilKilled(std::uint64_t killAfter) {
  ndr::OsCallScript script;
  script.killAfter = killAfter;
  ndr::ScopedOsCallHook armed(script);
  for (const char* name : {"a.txt", "b.txt"}) {
    ndr::OsFile file;
    if (!file.Open(ndr::FsPath("P:\\platform-tests\\killed", name), ndr::OsFile::Mode::kWriteNew) ||
        !file.Write("first;", 6) || !file.Write("second", 6) || !file.Close()) {
      return 1;
    }
  }
  return 0;
}

int Helper(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    return 2;
  }
  if (args[0] == "kill") {
    return WriteUntilKilled(std::strtoull(args[1].c_str(), nullptr, 10));
  }
  ndr::testsupport::WriteBytes(ndr::FsPath("P:\\platform-tests", args[1]), "ran");
  return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(ndr::Utf8FromWide(argv[i]));
  }
  return Helper(args);
}
#else
int main(int argc, char** argv) {
  return Helper(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
