// The one power-cut model of the tests, on top of the seam: it follows every
// call and knows what a cut at any moment may leave on the disk. What a flush
// made durable stays: a file's data after its OsFile::Sync, everything after a
// volume flush (FlushVolume), and on Windows a move at once (it is written
// through). Of the operations since, ANY subset may have reached the disk,
// names and data alike: a file created, emptied, written, moved, linked or
// deleted. A file with two names is one file. Paths are kept below a root.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "os_seam.h"

namespace ndr::testsupport {

using Files = std::map<std::string, std::string>;  // path below the root -> bytes

class PowerCut : public OsCallHook {
 public:
  // What a disk holds: names of files, and the files' data.
  struct Disk {
    std::map<std::string, int> names;  // path below the root -> file
    std::map<int, std::string> data;
  };

  // The disk holds start, durable, below root (a native path). next, when
  // given, still decides the faults and sees every call.
  PowerCut(std::string root, const Files& start, OsCallHook* next = nullptr);
  ~PowerCut() override;
  PowerCut(const PowerCut&) = delete;
  PowerCut& operator=(const PowerCut&) = delete;

  OsFault Before(const OsCallInfo& info) override;
  void After(const OsCallInfo& info, bool succeeded) override;

  // From then on every call fails and reaches nothing: the power is off.
  void Cut() { cut_ = true; }
  // The operations that a cut now may keep or drop.
  std::size_t Pending() const { return pending_.size(); }
  // The disk after a cut that kept the pending operations i with keep(i).
  Disk Image(const std::function<bool(std::size_t)>& keep) const;
  // The images worth checking for a cut now: none kept, all kept, each one
  // alone dropped and each one alone kept.
  std::vector<Disk> Images() const;
  // Puts the image on the real disk below the root, each file as the same
  // file it was (its inode kept through a second name), so that a program
  // that tells files apart by identity sees what it would after a restart.
  void Restore(const Disk& disk) const;

 private:
  enum class Kind { kCreate, kTruncate, kWrite, kRename, kLink, kUnlink };
  struct Operation {
    Kind kind;
    int inode;
    std::string path = {}, target = {};  // target: rename and link
    std::uint64_t offset = 0;            // write
    std::string bytes = {};              // write
  };
  std::string Below(std::string_view native) const;
  void Keep(int inode, const std::string& path) const;
  void Record(const OsCallInfo& info);
  static void Apply(const Operation& op, Disk& disk);
  void MakeDurable(const std::function<bool(const Operation&)>& which);

  std::string root_, stash_;
  OsCallHook* next_;
  bool cut_ = false;
  int nextInode_ = 1;
  std::map<std::string, int> names_;
  Disk durable_;
  std::map<std::intptr_t, std::pair<int, std::uint64_t>> open_;  // inode, position
  std::vector<Operation> pending_;
};

}  // namespace ndr::testsupport
