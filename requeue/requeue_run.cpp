#include "requeue_run.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "batch_record.h"
#include "bounce_extract.h"
#include "folder_listing.h"
#include "platform.h"
#include "run_lock.h"
#include "safe_rename.h"

namespace ndr {

namespace {

const std::string kBounces = kBounceFolder;
const std::string kQueue = kQueueFolder;
const FsPath kRecord(kBounces, "WWWWWW.rec");
constexpr char kStagedPrefix[] = "wwwwww-";

// The pair of the index-th bounce of a batch waits under a name of its own
// until it moves into the queue: "WWWWWW-007.q0".
FsPath Staged(std::size_t index, char half) {
  char name[32];
  std::snprintf(name, sizeof name, "WWWWWW-%03u.q%c", static_cast<unsigned>(index), half);
  return FsPath(kBounces, name);
}

FsPath Queued(const std::string& base, char half) {
  return FsPath(kQueue, base + ".q" + half);
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

std::string MoveText(const FsPath& from, const FsPath& to) {
  return from.Joined() + " to " + to.Joined();
}

struct Pending {
  FsPath bouncePath;
  HeldFile bounce;  // held from before its first byte is read until its delete
  BatchEntry entry;
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
  bool Exists(const FsPath& path, bool& exists);
  bool Remove(const FsPath& path);
  bool Move(const FsPath& from, const FsPath& to);
  bool Recover();
  bool Settle(const BatchEntry& entry);
  bool DeleteIfSame(const FsPath& bouncePath, const std::string& identity);
  void DiscardLeftoverPlaceholders();
  std::vector<std::string> ListBounces();
  void RunBatch(const std::vector<std::string>& names, std::size_t begin, std::size_t end);
  void Stage(const FsPath& bouncePath, std::size_t index, std::vector<Pending>& pending);
  void ReportUndeletable(const FsPath& bouncePath, std::size_t index, const OsError& error);
  bool NameInQueue(std::vector<Pending>& pending);
  bool Record(const std::vector<Pending>& pending, OsError& error);
  bool Flush(const std::string& folder);
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

// Whether an entry is there, where a failure to look is no answer.
bool RequeuePass::Exists(const FsPath& path, bool& exists) {
  std::uint64_t length = 0;
  OsError error;
  exists = FileLength(path, length, &error);
  if (!exists && !IsNoSuchFile(error)) {
    Report("cannot look at", path.Joined(), error);
    return false;
  }
  return true;
}

bool RequeuePass::Remove(const FsPath& path) {
  OsError error;
  if (RemoveFile(path, &error) || IsNoSuchFile(error)) {
    return true;
  }
  Report("cannot remove", path.Joined(), error);
  return false;
}

bool RequeuePass::Move(const FsPath& from, const FsPath& to) {
  OsError error;
  if (MoveNoReplace(from, to, &error)) {
    return true;
  }
  Report("cannot move", MoveText(from, to), error);
  return false;
}

// Deletes the bounce that a published pair came from, when its name still
// leads to the file that was read; another file under the name stays.
bool RequeuePass::DeleteIfSame(const FsPath& bouncePath, const std::string& identity) {
  HeldFile bounce;
  OsError error;
  if (!bounce.Open(bouncePath, &error)) {
    if (IsNoSuchFile(error)) {
      return true;
    }
    Report("cannot delete", bouncePath.Joined(), error);
    return false;
  }
  if (bounce.Identity() != identity) {
    return true;
  }
  if (!bounce.Delete(&error) && !IsNoSuchFile(error)) {
    Report("cannot delete", bouncePath.Joined(), error);
    return false;
  }
  return true;
}

// One bounce of a record. The ".q1" moves first and the ".q0" last, so the
// ".q0" in the queue says the pair was published; a ".q0" still staged says
// it was not, unless its ".q1" went ahead, which it then follows. A second
// name left by a move through a link goes.
bool RequeuePass::Settle(const BatchEntry& entry) {
  const FsPath s0 = Staged(entry.index, '0'), s1 = Staged(entry.index, '1');
  const FsPath q0 = Queued(entry.queueBase, '0'), q1 = Queued(entry.queueBase, '1');
  bool inQueue0, staged0, inQueue1, staged1;
  if (!Exists(q0, inQueue0) || !Exists(s0, staged0) || !Exists(q1, inQueue1) ||
      !Exists(s1, staged1)) {
    return false;
  }
  if (!inQueue0 && staged0) {
    if (!inQueue1) {
      return true;  // not published: its bounce is queued anew, its pair discarded
    }
    if ((staged1 && !Remove(s1)) || !Move(s0, q0)) {
      return false;
    }
  } else {
    // Published. A body still staged joins its head, unless it is there
    // already (a second name) or the head was taken by the remailer.
    const bool bodyJoins = staged1 && inQueue0 && !inQueue1;
    if ((bodyJoins && !Move(s1, q1)) || (staged1 && !bodyJoins && !Remove(s1)) ||
        (staged0 && !Remove(s0))) {
      return false;
    }
  }
  return DeleteIfSame(FsPath(kBounces, entry.bounceName), entry.identity);
}

// Completes what the record of a batch cut off describes. What is seen is
// first made durable, since a cut may have left it unflushed; the record goes
// only once what was done here is on the disk, and the staged pairs that were
// not published only after it (until then, a staged pair is what tells that
// it was not published).
bool RequeuePass::Recover() {
  std::vector<BatchEntry> entries;
  OsError error;
  switch (ReadBatchRecord(kRecord, entries, error)) {
    case RecordRead::kMissing:
      return true;
    case RecordRead::kFailed:
      Report("cannot read", kRecord.Joined(), error);
      return false;
    case RecordRead::kTorn:
      entries.clear();  // written whole before any move: no pair of it moved
      break;
    case RecordRead::kComplete:
      break;
  }
  if (!Flush(kBounces) || !Flush(kQueue)) {
    return false;
  }
  for (const BatchEntry& entry : entries) {
    if (!Settle(entry)) {
      return false;
    }
  }
  return Flush(kQueue) && Flush(kBounces) && Remove(kRecord) && Flush(kBounces);
}

// Placeholders found now were left by a run that died before its batch was
// recorded, or were settled just now: their bounces are still in the folder.
void RequeuePass::DiscardLeftoverPlaceholders() {
  OsError error;
  const bool listed = ListFolder(
      kBounces, "wwwwww*.q?",
      [this](const FindEntry&, const std::string& name) {
        if (IsPlaceholderName(name)) {
          Remove(FsPath(kBounces, name));
        }
      },
      &error);
  if (!listed) {
    Report("cannot list", kBounces, error);
  }
}

// Listed before any is handled, so that the pass's own files never meet the
// listing.
std::vector<std::string> RequeuePass::ListBounces() {
  std::vector<std::string> names;
  OsError error;
  const bool listed = ListFolder(
      kBounces, "*.cnm",
      [&](const FindEntry& entry, const std::string& name) {
        if (!EntryIsEmpty(entry)) {
          names.push_back(name);
        }
      },
      &error);
  if (!listed) {
    Report("cannot list", kBounces, error);
  }
  return names;
}

void RequeuePass::RemoveStaged(std::size_t index) {
  Remove(Staged(index, '0'));
  Remove(Staged(index, '1'));
}

// A bounce that cannot be deleted would be queued by every run: it never is,
// and it is reported when it carries a message to queue.
void RequeuePass::ReportUndeletable(const FsPath& bouncePath, std::size_t index,
                                    const OsError& error) {
  ExtractFailure failure;
  const std::string q0 = Staged(index, '0').Joined(), q1 = Staged(index, '1').Joined();
  if (ExtractBounce(bouncePath, q0, q1, QueueDateLine(), failure) == ExtractOutcome::kRebuilt) {
    RemoveStaged(index);
    Report("cannot delete", bouncePath.Joined(), error);
  }
}

// Holds the bounce, proven deletable, and rebuilds its pair under its staged
// name from the held file itself: the file deleted later is the file read.
void RequeuePass::Stage(const FsPath& bouncePath, std::size_t index,
                        std::vector<Pending>& pending) {
  Pending item{bouncePath, HeldFile{}, BatchEntry{index, {}, {}, bouncePath.name}};
  OsError error;
  if (!item.bounce.Open(bouncePath, &error)) {
    if (!IsNoSuchFile(error)) {  // else gone since the listing: moved away by the viewer, say
      ReportUndeletable(bouncePath, index, error);
    }
    return;
  }
  ExtractFailure failure;
  const FsPath readPath = item.bounce.ReadPath(bouncePath);
  const std::string q0 = Staged(index, '0').Joined(), q1 = Staged(index, '1').Joined();
  switch (ExtractBounce(readPath, q0, q1, QueueDateLine(), failure, kFlushEachFile)) {
    case ExtractOutcome::kRebuilt:
      break;
    case ExtractOutcome::kFailed:
      if (failure.path != readPath.Joined()) {
        stopped_ = true;  // the bounce folder cannot take the pair
        Report(failure.action, failure.path, failure.error);
      } else {
        Report(failure.action, bouncePath.Joined(), failure.error);
        RemoveStaged(index);  // what the rebuild could not remove is reported
      }
      return;
    case ExtractOutcome::kHeaderCut:
      RemoveStaged(index);
      return;
    default:
      return;  // nothing to queue: the bounce stays as it is
  }
  item.entry.identity = item.bounce.Identity();
  pending.push_back(std::move(item));
}

// The queue names are drawn before the record is written, so that the record
// tells where each pair goes.
bool RequeuePass::NameInQueue(std::vector<Pending>& pending) {
  std::set<std::string> drawn;
  for (Pending& item : pending) {
    if (!DrawFreePairBase(kQueue, drawn, item.entry.queueBase)) {
      OsError error;
      if (FolderTakesFiles(kQueue, &error)) {
        Report("cannot find a free name in", kQueue, "every name drawn was taken");
      } else {
        Report("cannot use the queue folder", kQueue, error);
      }
      return false;
    }
    drawn.insert(item.entry.queueBase);
  }
  return true;
}

bool RequeuePass::Record(const std::vector<Pending>& pending, OsError& error) {
  std::vector<BatchEntry> entries;
  for (const Pending& item : pending) {
    entries.push_back(item.entry);
  }
  return WriteBatchRecord(kRecord, entries, kFlushEachFile, error);
}

bool RequeuePass::Flush(const std::string& folder) {
  OsError error;
  if (FlushVolume(folder, &error)) {
    return true;
  }
  Report("cannot flush", folder, error);
  return false;
}

// The body first, the head last: a head in the queue always has its body.
bool RequeuePass::Publish(Pending& pending) {
  const std::size_t index = pending.entry.index;
  const std::string& base = pending.entry.queueBase;
  if (!Move(Staged(index, '1'), Queued(base, '1'))) {
    OsError error;
    stopped_ = !FolderTakesFiles(kQueue, &error);
    return false;  // still staged, so the record says: not published
  }
  if (Move(Staged(index, '0'), Queued(base, '0'))) {
    return true;
  }
  // Taken back; when even that fails, the record has the next run finish it.
  stopped_ = true;
  Move(Queued(base, '1'), Staged(index, '1'));
  return false;
}

// Rebuild a batch of pairs and make them durable, record the batch and make
// that durable, move the pairs into the queue and make that durable, delete
// their bounces and make that durable, and only then drop the record: a run
// cut off anywhere leaves what the next run needs to queue each message
// exactly once.
void RequeuePass::RunBatch(const std::vector<std::string>& names, std::size_t begin,
                           std::size_t end) {
  std::vector<Pending> pending;
  for (std::size_t i = begin; i < end && !stopped_; ++i) {
    Stage(FsPath(kBounces, names[i]), i - begin, pending);
  }
  if (pending.empty()) {
    return;
  }
  // The staged pairs are on the disk before the record is written, so that a
  // record on the disk says they are.
  if (stopped_ || !NameInQueue(pending) || !Flush(kBounces)) {
    stopped_ = true;
    for (const Pending& item : pending) {
      RemoveStaged(item.entry.index);
    }
    return;
  }
  OsError error;
  if (!Record(pending, error)) {
    Report("cannot write", kRecord.Joined(), error);
    stopped_ = true;
    return;  // the next run settles it: nothing was published
  }
  if (!Flush(kBounces)) {
    stopped_ = true;
    return;
  }
  {
    LinkMoveBatch links;
    for (Pending& item : pending) {
      item.queued = !stopped_ && Publish(item);
    }
    if (!links.Commit(&error)) {
      Report("cannot move into", kQueue, error);
      stopped_ = true;
      return;
    }
  }
  if (!Flush(kQueue)) {
    stopped_ = true;
    return;  // not known to be on the disk: every bounce stays
  }
  for (Pending& item : pending) {
    if (item.queued && !item.bounce.Delete(&error)) {
      Report("cannot delete", item.bouncePath.Joined(), error);
      stopped_ = true;  // the record keeps it from being queued again
    }
  }
  if (stopped_ || !Flush(kBounces) || !Remove(kRecord)) {
    stopped_ = true;
    return;  // the record stays, and what it needs with it
  }
  const bool unpublished =
      std::any_of(pending.begin(), pending.end(), [](const Pending& item) { return !item.queued; });
  if (unpublished && Flush(kBounces)) {
    for (const Pending& item : pending) {
      if (!item.queued) {
        RemoveStaged(item.entry.index);
      }
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
  if (!Recover()) {
    return 1;
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
