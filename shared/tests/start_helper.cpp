// Started by the platform test: writes the file named by its argument into
// the test folder, so the test sees that it ran.
#include <string>

#include "test_support.h"

int main(int argc, char** argv) {
  if (argc > 1) {
    ndr::testsupport::WriteBytes(std::string("P:\\platform-tests\\") + argv[1], "ran");
  }
  return 0;
}
