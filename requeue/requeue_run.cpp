#include "requeue_run.h"

#include <string>

#include "bounce_extract.h"
#include "folder_listing.h"
#include "platform.h"
#include "run_lock.h"
#include "safe_rename.h"

namespace ndr {

namespace {

const std::string kBounces = kBounceFolder;
const std::string kQ0Path = kBounces + "\\" + kPlaceholderQ0;
const std::string kQ1Path = kBounces + "\\" + kPlaceholderQ1;

// A placeholder pair found now was left by a run that died; its bounce is
// still in the folder (bounces are deleted only after their pair has left),
// so the pair is discarded rather than queued half-written. The placeholder
// names are this program's own, and a system that ignores case may have
// stored them in another case: any spelling of them counts.
void DiscardLeftoverPlaceholders() {
  ListFolder(kBounces, "wwwwww.q?", [](const FindEntry&, const std::string& name) {
    if (EqualsIgnoreCase(name, kPlaceholderQ0) || EqualsIgnoreCase(name, kPlaceholderQ1)) {
      RemoveFile(FsPath(kBounces, name));
    }
  });
}

void ReportFailure(const ExtractFailure& failure) {
  std::string line =
      "ndr_Requeue: " + failure.action + " " + failure.path + ": " + failure.error.Describe();
  for (char& c : line) {
    if (c == '\r' || c == '\n') {
      c = ' ';
    }
  }
  WriteStandardError(line + "\n");
}

// Moves the rebuilt pair into the queue; the bounce goes only once the pair
// has left the bounce folder. A pair that cannot move is removed and its
// bounce stays for the next run. False (with failure) ends the run.
bool QueueAndDelete(const FsPath& bouncePath, ExtractFailure& failure) {
  // True only when the head has left, and the body with it (the body moves
  // first and comes back when the head cannot follow).
  if (!SafeRename(kBounces, kQueueFolder, kPlaceholderQ0)) {
    RemoveFile(kQ0Path);
    RemoveFile(kQ1Path);
    return true;
  }
  OsError error;
  if (!RemoveFile(bouncePath, &error)) {
    failure = ExtractFailure{"cannot delete", bouncePath.Joined(), error};
    return false;
  }
  return true;
}

bool RequeueBounce(const FsPath& bouncePath, const std::string& dateLine, ExtractFailure& failure) {
  switch (ExtractBounce(bouncePath, kQ0Path, kQ1Path, dateLine, failure)) {
    case ExtractOutcome::kRebuilt:
      return QueueAndDelete(bouncePath, failure);
    case ExtractOutcome::kFailed:
      return false;
    default:
      return true;  // nothing to queue: the bounce stays as it is
  }
}

}  // namespace

int RunRequeue() {
  RunLock lock;
  if (!lock.TryAcquire(kBounces)) {
    return 0;  // another run is working on the folder
  }
  DiscardLeftoverPlaceholders();
  ExtractFailure failure;
  bool completed =
      ListFolderWhile(kBounces, "*.cnm", [&](const FindEntry& entry, const std::string& name) {
        return EntryIsEmpty(entry) ||
               RequeueBounce(FsPath(kBounces, name), QueueDateLine(), failure);
      });
  if (!completed) {
    ReportFailure(failure);
    return 1;
  }
  return 0;
}

}  // namespace ndr
