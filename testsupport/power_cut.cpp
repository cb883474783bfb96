#include "power_cut.h"

#include <filesystem>
#include <random>

namespace ndr::testsupport {

namespace fs = std::filesystem;

namespace {

// The journal's own file work goes around the seam: it is not the program's.
std::string FolderOf(const std::string& path) {
  return fs::path(path).parent_path().lexically_normal().string();
}

bool SameFolder(const std::string& a, const std::string& b) {
  return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
}

}  // namespace

PowerCutJournal::PowerCutJournal(OsCallHook* next) : next_(next) {
  std::random_device seed;
  stashFolder_ = (fs::temp_directory_path() / ("ndr-power-cut-" + std::to_string(seed()))).string();
  fs::create_directories(stashFolder_);
}

PowerCutJournal::~PowerCutJournal() {
  std::error_code ignored;
  fs::remove_all(stashFolder_, ignored);
}

std::size_t PowerCutJournal::PendingEntries() const {
  std::size_t pending = 0;
  for (const EntryChange& change : changes_) {
    const bool twoFolders = change.kind == Kind::kRename;
    pending += !change.pathFolderSynced || (twoFolders && !change.targetFolderSynced);
  }
  return pending;
}

OsFault PowerCutJournal::Before(const OsCallInfo& info) {
  std::error_code ignored;
  existedBefore_ = !info.path.empty() && fs::exists(fs::path(std::string(info.path)), ignored);
  if (info.call == OsCall::kUnlink && existedBefore_) {
    // A second name for the file, so that an undone deletion can bring it back.
    const std::string stash = stashFolder_ + "/" + std::to_string(++stashed_);
    fs::create_hard_link(std::string(info.path), stash, ignored);
  }
  return next_ ? next_->Before(info) : OsFault::kNone;
}

void PowerCutJournal::After(const OsCallInfo& info, bool succeeded) {
  if (succeeded) {
    Record(info);
  } else if (info.call == OsCall::kUnlink) {
    std::error_code ignored;
    fs::remove(stashFolder_ + "/" + std::to_string(stashed_), ignored);
  }
  if (next_) {
    next_->After(info, succeeded);
  }
}

void PowerCutJournal::Record(const OsCallInfo& info) {
  const std::string path(info.path), target(info.target);
  std::error_code ignored;
  switch (info.call) {
    case OsCall::kOpenWrite:
    case OsCall::kOpenNew:
      openFiles_[info.file] = path;
      flushedLength_[path] = 0;  // emptied or new: nothing of it is durable yet
      unflushed_.insert(path);
      if (!existedBefore_) {
        changes_.push_back({Kind::kCreate, path, {}, {}});
      }
      break;
    case OsCall::kWrite:
      if (openFiles_.count(info.file)) {
        unflushed_.insert(openFiles_[info.file]);
      }
      break;
    case OsCall::kSync:
      if (openFiles_.count(info.file)) {
        const std::string& file = openFiles_[info.file];
        flushedLength_[file] = fs::file_size(file, ignored);
        unflushed_.erase(file);
      }
      break;
    case OsCall::kClose:
      openFiles_.erase(info.file);
      break;
    case OsCall::kRename:
      changes_.push_back({Kind::kRename, path, target, {}});
      Moved(path, target);
      break;
    case OsCall::kLink:
      changes_.push_back({Kind::kLink, target, {}, {}});
      break;
    case OsCall::kUnlink:
      changes_.push_back({Kind::kUnlink, path, {}, stashFolder_ + "/" + std::to_string(stashed_)});
      break;
    case OsCall::kMakeFolder:
      changes_.push_back({Kind::kMakeFolder, path, {}, {}});
      break;
    case OsCall::kSyncFolder:
      for (EntryChange& change : changes_) {
        change.pathFolderSynced |= SameFolder(FolderOf(change.path), path);
        change.targetFolderSynced |=
            !change.target.empty() && SameFolder(FolderOf(change.target), path);
      }
      break;
    default:
      break;
  }
}

// A file's data goes with its name.
void PowerCutJournal::Moved(const std::string& from, const std::string& to) {
  if (flushedLength_.count(from)) {
    flushedLength_[to] = flushedLength_[from];
    flushedLength_.erase(from);
  }
  if (unflushed_.erase(from)) {
    unflushed_.insert(to);
  }
  for (auto& [handle, file] : openFiles_) {
    if (file == from) {
      file = to;
    }
  }
}

void PowerCutJournal::CutPower() {
  std::error_code ignored;
  for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) {
    const EntryChange& change = *it;
    const bool durable =
        change.pathFolderSynced && (change.kind != Kind::kRename || change.targetFolderSynced);
    if (durable) {
      continue;
    }
    switch (change.kind) {
      case Kind::kCreate:
      case Kind::kLink:
        fs::remove(change.path, ignored);
        break;
      case Kind::kMakeFolder:
        fs::remove(change.path, ignored);  // only when empty
        break;
      case Kind::kRename:
        if (!fs::exists(change.path, ignored)) {
          fs::rename(change.target, change.path, ignored);
          Moved(change.target, change.path);
        }
        break;
      case Kind::kUnlink:
        if (!fs::exists(change.path, ignored)) {
          fs::rename(change.stash, change.path, ignored);
        }
        break;
    }
  }
  for (const std::string& file : unflushed_) {
    if (fs::is_regular_file(file, ignored)) {
      fs::resize_file(file, flushedLength_[file], ignored);
    }
  }
  changes_.clear();
  unflushed_.clear();
  flushedLength_.clear();
  openFiles_.clear();
}

}  // namespace ndr::testsupport
