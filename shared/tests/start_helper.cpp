// Started by the platform test: writes the file named by its argument into
// the test folder, so the test sees that it ran and what name it was given
// (on Windows the wide argument, which holds any name the code page cannot).
#include <string>

#include "test_support.h"
#include "wide_text.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  const std::string name = argc > 1 ? ndr::Utf8FromWide(argv[1]) : "";
#else
int main(int argc, char** argv) {
  const std::string name = argc > 1 ? argv[1] : "";
#endif
  if (!name.empty())
    ndr::testsupport::WriteBytes(ndr::FsPath("P:\\platform-tests", name), "ran");
  return 0;
}
