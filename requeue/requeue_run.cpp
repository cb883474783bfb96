#include "requeue_run.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "bounce_extract.h"
#include "folder_listing.h"
#include "platform.h"
#include "run_lock.h"
#include "safe_rename.h"

namespace ndr {

namespace {

const std::string kBounces = kBounceFolder;
const std::string kQueue = kQueueFolder;
const std::string kQ0Path = kBounces + "\\" + kPlaceholderQ0;
const std::string kQ1Path = kBounces + "\\" + kPlaceholderQ1;
constexpr char kStagedPrefix[] = "wwwwww-";

// The pair of the index-th bounce of a batch waits under a name of its own
// until the batch's pairs are on the disk: "WWWWWW-007.q0".
std::string StagedPath(std::size_t index, char half) {
  char name[32];
  std::snprintf(name, sizeof name, "\\WWWWWW-%03u.q%c", static_cast<unsigned>(index), half);
  return kBounces + name;
}

// This program's own names in the bounce folder, in any case: the
// placeholder pair and the staged pairs.
bool IsPlaceholderName(const std::string& name) {
  const std::string lower = LowerCase(name);
  if (lower == "wwwwww.q0" || lower == "wwwwww.q1") {
    return true;
  }
  return lower.size() == 13 && lower.compare(0, 7, kStagedPrefix) == 0 &&
         lower.compare(10, 2, ".q") == 0 && (lower[12] == '0' || lower[12] == '1') &&
         std::isdigit(static_cast<unsigned char>(lower[7])) &&
         std::isdigit(static_cast<unsigned char>(lower[8])) &&
         std::isdigit(static_cast<unsigned char>(lower[9]));
}

struct Pending {
  FsPath bouncePath;
  std::size_t index;
  HeldFile bounce;
  bool queued = false;
};

class RequeuePass {
 public:
  // At most 1000 staged names: three digits.
  explicit RequeuePass(std::size_t batchSize)
      : batchSize_(std::clamp<std::size_t>(batchSize, 1, 1000)) {}
  int Run();

 private:
  void Report(const std::string& action, const std::string& path, const std::string& reason);
  void Report(const std::string& action, const std::string& path, const OsError& error) {
    Report(action, path, error.Describe());
  }
  void DiscardLeftoverPlaceholders();
  std::vector<std::string> ListBounces();
  void RunBatch(const std::vector<std::string>& names, std::size_t begin, std::size_t end);
  void Stage(const FsPath& bouncePath, std::size_t index, std::vector<Pending>& pending);
  bool Publish(Pending& pending);
  void RemoveStaged(std::size_t index);

  std::size_t batchSize_;
  bool reported_ = false;
  bool stopped_ = false;  // a folder failed: the run ends after the batch
};

void RequeuePass::Report(const std::string& action, const std::string& path,
                         const std::string& reason) {
  std::string line = "ndr_Requeue: " + action + " " + path + ": " + reason;
  for (char& c : line) {
    if (c == '\r' || c == '\n') {
      c = ' ';
    }
  }
  WriteStandardError(line + "\n");
  reported_ = true;
}

// Placeholders found now were left by a run that died; their bounces are
// still in the folder (a bounce goes only after its pair is in the queue),
// so they are discarded rather than queued half-written.
void RequeuePass::DiscardLeftoverPlaceholders() {
  ListFolder(kBounces, "wwwwww*.q?", [](const FindEntry&, const std::string& name) {
    if (IsPlaceholderName(name)) {
      RemoveFile(FsPath(kBounces, name));
    }
  });
}

// Listed before any is handled, so that the pass's own files never meet the
// listing.
std::vector<std::string> RequeuePass::ListBounces() {
  std::vector<std::string> names;
  ListFolder(kBounces, "*.cnm", [&](const FindEntry& entry, const std::string& name) {
    if (!EntryIsEmpty(entry)) {
      names.push_back(name);
    }
  });
  return names;
}

void RequeuePass::RemoveStaged(std::size_t index) {
  RemoveFile(StagedPath(index, '0'));
  RemoveFile(StagedPath(index, '1'));
}

// Rebuilds the bounce's pair under its staged name and holds the bounce,
// proven deletable, until its pair is safe in the queue.
void RequeuePass::Stage(const FsPath& bouncePath, std::size_t index,
                        std::vector<Pending>& pending) {
  ExtractFailure failure;
  const std::string q0 = StagedPath(index, '0'), q1 = StagedPath(index, '1');
  switch (ExtractBounce(bouncePath, q0, q1, QueueDateLine(), failure, kFlushEachFile)) {
    case ExtractOutcome::kRebuilt:
      break;
    case ExtractOutcome::kFailed:
      if (failure.path != bouncePath.Joined()) {
        stopped_ = true;  // the bounce folder cannot take the pair
        Report(failure.action, failure.path, failure.error);
      } else if (!IsNoSuchFile(failure.error)) {
        Report(failure.action, failure.path, failure.error);
      }  // else gone since the listing: moved away by the viewer, say
      return;
    default:
      return;  // nothing to queue: the bounce stays as it is
  }
  Pending item{bouncePath, index, HeldFile{}};
  OsError error;
  if (!item.bounce.Open(bouncePath, &error)) {
    RemoveStaged(index);
    if (!IsNoSuchFile(error)) {
      Report("cannot delete", bouncePath.Joined(), error);  // so it is never queued
    }
    return;
  }
  pending.push_back(std::move(item));
}

// Moves the staged pair into the queue through the placeholder name, under
// a fresh collision name.
bool RequeuePass::Publish(Pending& pending) {
  OsError error;
  const std::string q0 = StagedPath(pending.index, '0'), q1 = StagedPath(pending.index, '1');
  if (!MoveNoReplace(q1, kQ1Path, &error) || !MoveNoReplace(q0, kQ0Path, &error)) {
    Report("cannot move", q0, error);
    RemoveFile(kQ0Path);
    RemoveFile(kQ1Path);
    RemoveStaged(pending.index);
    return false;
  }
  if (SafeRename(kBounces, kQueue, kPlaceholderQ0)) {
    return true;
  }
  RemoveFile(kQ0Path);
  RemoveFile(kQ1Path);
  if (!FolderTakesFiles(kQueue, &error)) {
    stopped_ = true;
    Report("cannot use the queue folder", kQueue, error);
  } else {
    Report("cannot queue", pending.bouncePath.Joined(),
           "its pair could not be moved into the queue");
  }
  return false;
}

// Rebuild a batch of pairs, make them durable, move them into the queue,
// make the queue's entries durable, and only then delete their bounces: a
// run cut off anywhere queues a message again at worst, never loses it.
void RequeuePass::RunBatch(const std::vector<std::string>& names, std::size_t begin,
                           std::size_t end) {
  std::vector<Pending> pending;
  for (std::size_t i = begin; i < end && !stopped_; ++i) {
    Stage(FsPath(kBounces, names[i]), i - begin, pending);
  }
  OsError error;
  if (!pending.empty() && !FlushVolume(kBounces, &error)) {
    stopped_ = true;
    Report("cannot flush", kBounces, error);
  }
  for (Pending& item : pending) {
    if (stopped_) {
      RemoveStaged(item.index);
    } else {
      item.queued = Publish(item);
    }
  }
  if (!pending.empty() && !FlushVolume(kQueue, &error)) {
    stopped_ = true;
    Report("cannot flush", kQueue, error);
    return;  // not known to be on the disk: every bounce stays
  }
  for (Pending& item : pending) {
    if (item.queued && !item.bounce.Delete(&error)) {
      Report("cannot delete", item.bouncePath.Joined(), error);
    }
  }
}

int RequeuePass::Run() {
  RunLock lock;
  if (!lock.TryAcquire(kBounces)) {
    return 0;  // another run is working on the folder
  }
  OsError error;
  if (!FolderTakesFiles(kBounces, &error)) {
    if (IsNoSuchFile(error)) {
      return 0;  // no bounce folder: nothing to do
    }
    Report("cannot use the bounce folder", kBounces, error);
    return 1;
  }
  if (!FolderTakesFiles(kQueue, &error)) {
    Report("cannot use the queue folder", kQueue, error);
    return 1;  // nothing is rebuilt that cannot be queued
  }
  DiscardLeftoverPlaceholders();
  const std::vector<std::string> names = ListBounces();
  for (std::size_t begin = 0; begin < names.size() && !stopped_; begin += batchSize_) {
    RunBatch(names, begin, std::min(names.size(), begin + batchSize_));
  }
  return reported_ ? 1 : 0;
}

}  // namespace

int RunRequeue(std::size_t batchSize) {
  return RequeuePass(batchSize).Run();
}

}  // namespace ndr
