#include "carry_run.h"

#include <string>

#include "folder_listing.h"
#include "safe_rename.h"

namespace ndr {

int RunCarry() {
  ListFolder(kMailboxFolder, "*.cnm", [](const FindEntry& entry, const std::string& name) {
    if (!EntryIsEmpty(entry)) {
      MySafeRename(kMailboxFolder, kLocalFolder, name);
    }
  });
  return 0;
}

}  // namespace ndr
