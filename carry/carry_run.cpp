#include "carry_run.h"

#include <string>

#include "folder_listing.h"
#include "platform.h"
#include "safe_rename.h"

namespace ndr {

int RunCarry() {
  // Where moves are made by link then unlink, the old names go only once a
  // batch of new ones is on the disk.
  LinkMoveBatch links;
  ListFolder(kMailboxFolder, "*.cnm", [](const FindEntry& entry, const std::string& name) {
    if (!EntryIsEmpty(entry)) {
      MySafeRename(kMailboxFolder, kLocalFolder, name);
    }
  });
  return 0;
}

}  // namespace ndr
