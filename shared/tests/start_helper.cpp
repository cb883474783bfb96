// Started by the platform test: writes the file named by its argument into
// the test folder, so the test sees that it ran and what name it was given.
#include <string>

#include "test_support.h"
#include "wide_text.h"

namespace {

int WriteMarker(const std::string& name) {
  ndr::testsupport::WriteBytes(ndr::FsPath("P:\\platform-tests", name), "ran");
  return 0;
}

}  // namespace

// Windows: the wide arguments, which hold any name the code page cannot.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  return argc > 1 ? WriteMarker(ndr::Utf8FromWide(argv[1])) : 0;
}
#else
int main(int argc, char** argv) {
  return argc > 1 ? WriteMarker(argv[1]) : 0;
}
#endif
