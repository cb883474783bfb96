// Linked into every test program, benchmark and test build of the programs:
// before main runs, every drive path is mapped into the build tree's own test
// drives, so that nothing a test does can reach the drives the build was
// configured for (an operator's real mail folders).
#include "platform.h"

namespace {

// Drive P: is the one the programs name; the others (on Windows the system's
// drives, where the test programs lie) stay as they are.
const bool kMapped = (ndr::SetDriveRoot(NDR_TEST_DRIVES, "P"), true);

}  // namespace
