// A power cut on top of the seam: the journal watches every call and, when
// told, puts the disk back to what had been made durable. A file written since
// it was last flushed (OsFile::Sync) is cut back to the length it had then (0
// when it was never flushed); an entry made, moved, linked or removed in a
// folder since that folder was last flushed (SyncFolder) is undone, the
// latest first. That is the promise the programs may rely on, on every
// platform, and no more.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "os_seam.h"

namespace ndr::testsupport {

class PowerCutJournal : public OsCallHook {
 public:
  // next, when given, still decides the faults (an OsCallScript, say).
  explicit PowerCutJournal(OsCallHook* next = nullptr);
  ~PowerCutJournal() override;
  PowerCutJournal(const PowerCutJournal&) = delete;
  PowerCutJournal& operator=(const PowerCutJournal&) = delete;

  OsFault Before(const OsCallInfo& info) override;
  void After(const OsCallInfo& info, bool succeeded) override;

  // Files with unflushed data, and entries not yet durable.
  std::size_t UnflushedFiles() const { return unflushed_.size(); }
  std::size_t PendingEntries() const;
  // Does to the disk what a power cut now would: see above. The journal is
  // empty afterwards, as after a restart.
  void CutPower();

 private:
  enum class Kind { kCreate, kRename, kLink, kUnlink, kMakeFolder };
  struct EntryChange {
    Kind kind;
    std::string path, target;  // target: rename and link
    std::string stash;         // unlink: a second name that keeps the file
    bool pathFolderSynced = false, targetFolderSynced = false;
  };
  void Record(const OsCallInfo& info);
  void Moved(const std::string& from, const std::string& to);

  OsCallHook* next_;
  std::string stashFolder_;
  int stashed_ = 0;
  bool existedBefore_ = false;                      // the path of the call in progress
  std::map<std::intptr_t, std::string> openFiles_;  // open for writing
  std::map<std::string, std::uint64_t> flushedLength_;
  std::set<std::string> unflushed_;
  std::vector<EntryChange> changes_;
};

}  // namespace ndr::testsupport
