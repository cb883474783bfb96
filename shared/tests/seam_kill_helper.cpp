// Started by the seam test: writes P:\seam-tests\killed\a.txt in two
// writes, then b.txt, with the process ended right after the seam call whose
// number is its argument.
#include <cstdlib>
#include <string>

#include "os_seam.h"
#include "text_file.h"

int main(int argc, char** argv) {
  const std::string folder = "P:\\seam-tests\\killed";
  ndr::OsCallScript script;
  script.killAfter = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 0;
  ndr::ScopedOsCallHook armed(script);
  for (const char* name : {"a.txt", "b.txt"}) {
    ndr::OsFile file;
    if (!file.Open(ndr::FsPath(folder, name), ndr::OsFile::Mode::kWriteNew) ||
        !file.Write("first;", 6) || !file.Write("second", 6) || !file.Close()) {
      return 1;
    }
  }
  return 0;
}
