#include "power_cut.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace ndr::testsupport {

namespace fs = std::filesystem;

PowerCut::PowerCut(std::string root, const Files& start, OsCallHook* next)
    : root_(std::move(root)), next_(next) {
  // Beside the root: a second name must be on the same volume.
  std::random_device seed;
  stash_ = root_ + "-power-cut-" + std::to_string(seed());
  fs::create_directories(stash_);
  for (const auto& [path, bytes] : start) {
    const int inode = nextInode_++;
    names_[path] = durable_.names[path] = inode;
    durable_.data[inode] = bytes;
    Keep(inode, path);
  }
}

PowerCut::~PowerCut() {
  std::error_code ignored;
  fs::remove_all(stash_, ignored);
}

// A second name for the file, outside the root: a file deleted by the run
// can come back as itself.
void PowerCut::Keep(int inode, const std::string& path) const {
  std::error_code ignored;
  fs::create_hard_link(fs::path(root_) / path, fs::path(stash_) / std::to_string(inode), ignored);
}

std::string PowerCut::Below(std::string_view native) const {
  std::string path(native);
  path.erase(0, std::min(path.size(), root_.size() + 1));
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

OsFault PowerCut::Before(const OsCallInfo& info) {
  if (cut_) {
    return OsFault::kIoError;
  }
  return next_ ? next_->Before(info) : OsFault::kNone;
}

void PowerCut::After(const OsCallInfo& info, bool succeeded) {
  if (!cut_ && succeeded) {
    Record(info);
  }
  if (next_ && !cut_) {
    next_->After(info, succeeded);
  }
}

void PowerCut::Record(const OsCallInfo& info) {
  const std::string path = Below(info.path), target = Below(info.target);
  switch (info.call) {
    case OsCall::kOpenWrite:
    case OsCall::kOpenNew: {
      auto found = names_.find(path);
      if (found == names_.end()) {
        found = names_.emplace(path, nextInode_++).first;
        pending_.push_back({.kind = Kind::kCreate, .inode = found->second, .path = path});
        Keep(found->second, path);
      } else {
        pending_.push_back({.kind = Kind::kTruncate, .inode = found->second, .path = path});
      }
      open_[info.file] = {found->second, 0};
      break;
    }
    case OsCall::kWrite: {
      auto& [inode, position] = open_[info.file];
      pending_.push_back({.kind = Kind::kWrite,
                          .inode = inode,
                          .offset = position,
                          .bytes = std::string(static_cast<const char*>(info.data), info.bytes)});
      position += info.bytes;
      break;
    }
    case OsCall::kSync:
      if (open_.count(info.file)) {
        const int inode = open_[info.file].first;
        MakeDurable([&](const Operation& op) {
          return (op.kind == Kind::kWrite || op.kind == Kind::kTruncate) && op.inode == inode;
        });
      }
      break;
    case OsCall::kClose:
      open_.erase(info.file);
      break;
    case OsCall::kRename:
      pending_.push_back({Kind::kRename, names_[path], path, target});
      names_[target] = names_[path];
      names_.erase(path);
#ifdef _WIN32
      MakeDurable([&](const Operation& op) { return &op == &pending_.back(); });
#endif
      break;
    case OsCall::kLink:
      pending_.push_back({Kind::kLink, names_[path], path, target});
      names_[target] = names_[path];
      break;
    case OsCall::kUnlink:
      pending_.push_back({Kind::kUnlink, names_[path], path});
      names_.erase(path);
      break;
    case OsCall::kSyncVolume:
      MakeDurable([](const Operation&) { return true; });
      break;
    default:
      break;
  }
}

void PowerCut::Apply(const Operation& op, Disk& disk) {
  std::map<std::string, int>& names = disk.names;
  std::string& bytes = disk.data[op.inode];
  switch (op.kind) {
    case Kind::kCreate:
      names[op.path] = op.inode;
      break;
    case Kind::kTruncate:
      bytes.clear();
      break;
    case Kind::kWrite:
      if (bytes.size() < op.offset + op.bytes.size()) {
        bytes.resize(op.offset + op.bytes.size(), '\0');  // a hole where a write was lost
      }
      bytes.replace(op.offset, op.bytes.size(), op.bytes);
      break;
    case Kind::kRename:
    case Kind::kLink:
      if (op.kind == Kind::kRename && names.count(op.path) && names[op.path] == op.inode) {
        names.erase(op.path);
      }
      names[op.target] = op.inode;
      break;
    case Kind::kUnlink:
      if (names.count(op.path) && names[op.path] == op.inode) {
        names.erase(op.path);
      }
      break;
  }
}

void PowerCut::MakeDurable(const std::function<bool(const Operation&)>& which) {
  std::vector<Operation> still;
  for (const Operation& op : pending_) {
    if (which(op)) {
      Apply(op, durable_);
    } else {
      still.push_back(op);
    }
  }
  pending_ = std::move(still);
}

PowerCut::Disk PowerCut::Image(const std::function<bool(std::size_t)>& keep) const {
  Disk disk = durable_;
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    if (keep(i)) {
      Apply(pending_[i], disk);
    }
  }
  return disk;
}

std::vector<PowerCut::Disk> PowerCut::Images() const {
  const std::size_t n = pending_.size();
  std::vector<Disk> images{Image([](std::size_t) { return false; })};
  if (n == 0) {
    return images;
  }
  images.push_back(Image([](std::size_t) { return true; }));
  for (std::size_t j = 0; j < n && n > 1; ++j) {
    images.push_back(Image([j](std::size_t i) { return i != j; }));
    images.push_back(Image([j](std::size_t i) { return i == j; }));
  }
  return images;
}

void PowerCut::Restore(const Disk& disk) const {
  std::vector<fs::path> old;
  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    if (entry.is_regular_file()) {
      old.push_back(entry.path());
    }
  }
  for (const fs::path& path : old) {
    fs::remove(path);
  }
  for (const auto& [name, inode] : disk.names) {
    const fs::path path = fs::path(root_) / name;
    std::error_code missing;
    fs::create_hard_link(fs::path(stash_) / std::to_string(inode), path, missing);
    const std::string& bytes = disk.data.at(inode);
    std::ifstream in(path, std::ios::binary);
    if (missing || std::string(std::istreambuf_iterator<char>(in), {}) != bytes) {
      in.close();
      std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;  // the same file
    }
  }
}

}  // namespace ndr::testsupport
