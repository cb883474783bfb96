// Every file-system call of a run failed in turn, with each error it can
// meet; the process ended right after every call; and the power cut after
// every call, dropping what was not yet flushed. After each, a clean run, and
// then the promise is checked: every message of the fixture is still where
// it was or has arrived, complete, exactly once (a requeued message at least
// once, its duplicates counted), no pair is split, no file replaced, and
// nothing outside the fixture touched.
//
// Natively the process really ends (fork). Under Windows the kill is played
// in the process: from the kill point on, every call of the seam fails
// without reaching the system, so the disk stays as the kill left it, and
// handles are still closed as the system closes a dead process's handles;
// the program's memory is thrown away with the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "bounce_extract.h"
#include "carry_run.h"
#include "desk.h"
#include "fake_toolkit.h"
#include "grid.h"
#include "os_seam.h"
#include "platform.h"
#include "requeue_run.h"
#include "safe_rename.h"
#include "sample_mail.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace ndr {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;  // path below the root -> bytes

const std::string kMail = "P:\\Diverido\\Mail";
const std::string kBounces = kMail + "\\~Bounces";
const std::string kQueue = kMail + "\\Mailout";

// The runs flush thousands of times: on a memory file system that costs
// nothing, and what a flush makes durable is followed by the seam anyway.
std::string Root() {
#ifdef _WIN32
  const fs::path memory = "Z:\\dev\\shm";  // under Wine
#else
  const fs::path memory = "/dev/shm";
#endif
  std::error_code error;
  const fs::path base = fs::is_directory(memory, error) ? memory : fs::temp_directory_path();
  std::random_device seed;
  return (base / ("ndr-fault-runs-" + std::to_string(seed()) + "-" + std::to_string(seed())))
      .string();
}

// The programs' reports of the injected failures would fill the test's
// output: standard error goes nowhere while the runs last.
class QuietStandardError {
 public:
#ifdef _WIN32
  QuietStandardError()
      : saved_(GetStdHandle(STD_ERROR_HANDLE)),
        null_(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr)) {
    SetStdHandle(STD_ERROR_HANDLE, null_);
  }
  ~QuietStandardError() {
    SetStdHandle(STD_ERROR_HANDLE, saved_);
    CloseHandle(null_);
  }

 private:
  HANDLE saved_, null_;
#else
  QuietStandardError() : saved_(::dup(STDERR_FILENO)) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDERR_FILENO);
    ::close(null);
  }
  ~QuietStandardError() {
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }

 private:
  int saved_;
#endif
};

// Files by their system paths, past the drive mapping of the test support.
std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.good()) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

// Every file below the drive root, by its path below the root.
Files Snapshot() {
  Files files;
  std::error_code error;
  const fs::path root = DriveRoot();
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file()) {
      files[fs::relative(it->path(), root).generic_string()] = ReadFile(it->path());
    }
  }
  return files;
}

std::string Native(const std::string& folder, const std::string& name = {}) {
  return NativePath(FsPath(folder, name));
}

// A native path below the drive root as the snapshot names it.
std::string Relative(std::string native) {
  native.erase(0, std::min(native.size(), DriveRoot().size() + 1));
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

struct Tally {
  int runs = 0, failures = 0, crashes = 0, powerCuts = 0, lost = 0, duplicates = 0, orphans = 0,
      split = 0;
  std::vector<std::string> faults;  // broken promises, with where they happened
};

// The durable state of the disk, followed call by call through the seam:
// what a power cut at any point would leave.
class PowerCut : public OsCallHook {
 public:
  PowerCut(std::uint64_t cutAfter, const Files& start) : cutAfter_(cutAfter) {
    for (const auto& [path, bytes] : start) {
      const int inode = next_++;
      current_[path] = durable_[path] = inode;
      data_[inode] = flushed_[inode] = bytes;
    }
  }
  OsFault Before(const OsCallInfo&) override {
    ++calls_;
    return cut_ ? OsFault::kIoError : OsFault::kNone;
  }
  void After(const OsCallInfo& info, bool succeeded) override {
    if (cut_) {
      return;
    }
    if (succeeded) {
      Apply(info);
    }
    if (calls_ == cutAfter_) {
      cut_ = true;
    }
  }
  bool Cut() const { return cut_; }
  // What the disk holds after the cut: entries made durable and, with
  // keepEntries, every entry made so far (a journal that wrote them all); in
  // both, each file cut back to what was flushed of it.
  Files Image(bool keepEntries) const {
    Files files;
    for (const auto& [path, inode] : keepEntries ? current_ : durable_) {
      files[path] = flushed_.at(inode);
    }
    return files;
  }

 private:
  static std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('/') + 1);
  }
  void Apply(const OsCallInfo& info) {
    const std::string path = info.path.empty() ? std::string() : Relative(std::string(info.path));
    const std::string target =
        info.target.empty() ? std::string() : Relative(std::string(info.target));
    switch (info.call) {
      case OsCall::kOpenWrite:
      case OsCall::kOpenNew: {
        auto found = current_.find(path);
        const int inode = found != current_.end() ? found->second : next_++;
        current_[path] = inode;
        data_[inode].clear();
        flushed_.try_emplace(inode);
        open_[info.file] = inode;
        break;
      }
      case OsCall::kWrite:
        data_[open_[info.file]].append(static_cast<const char*>(info.data), info.bytes);
        break;
      case OsCall::kSync:
        if (open_.count(info.file)) {
          flushed_[open_[info.file]] = data_[open_[info.file]];
        }
        break;
      case OsCall::kRename:
        current_[target] = current_[path];
        current_.erase(path);
#ifdef _WIN32
        durable_[target] = current_[target];  // written through
        durable_.erase(path);
#endif
        break;
      case OsCall::kLink:
        current_[target] = current_[path];
        break;
      case OsCall::kUnlink:
        current_.erase(path);
        break;
      case OsCall::kSyncFolder:
        SyncFolder(path + "/");
        break;
      case OsCall::kSyncVolume:
        durable_ = current_;
        flushed_ = data_;
        break;
      default:
        break;
    }
  }
  void SyncFolder(const std::string& folder) {
    std::erase_if(durable_, [&](const auto& entry) { return FolderOf(entry.first) == folder; });
    for (const auto& [path, inode] : current_) {
      if (FolderOf(path) == folder) {
        durable_[path] = inode;
      }
    }
  }

  std::uint64_t cutAfter_, calls_ = 0;
  bool cut_ = false;
  int next_ = 1;
  std::map<std::string, int> current_, durable_;
  std::map<int, std::string> data_, flushed_;
  std::map<std::intptr_t, int> open_;
};

// Replaces every file below the root with files; the folders stay.
void Restore(const Files& files) {
  std::vector<fs::path> old;
  for (const auto& entry : fs::recursive_directory_iterator(DriveRoot())) {
    if (entry.is_regular_file()) {
      old.push_back(entry.path());
    }
  }
  for (const fs::path& path : old) {
    fs::remove(path);
  }
  for (const auto& [path, bytes] : files) {
    WriteFile(fs::path(DriveRoot()) / path, bytes);
  }
}

// One program with its fixture and its promise.
struct Scenario {
  std::string name;
  std::function<void()> build;    // lays the fixture (folders included)
  std::function<void()> prepare;  // before the run, unwatched (the viewer's scan)
  std::function<void()> run;      // the run, watched
  std::function<void(const Files& before, const Files& after, Tally&, const std::string&)> check;
  bool powerCuts = false;
};

void RunClean(const Scenario& s) {
  RestartCollisionNames();
  if (s.prepare) {
    s.prepare();
  }
  s.run();
}

std::uint64_t CountCalls(const Scenario& s) {
  s.build();
  if (s.prepare) {
    s.prepare();
  }
  RestartCollisionNames();
  OsCallScript script;
  {
    ScopedOsCallHook hook(script);
    s.run();
  }
  return script.Calls();
}

void RunWith(const Scenario& s, OsCallHook& hook) {
  if (s.prepare) {
    s.prepare();
  }
  RestartCollisionNames();
  ScopedOsCallHook installed(hook);
  s.run();
}

#ifndef _WIN32
// Ends a forked child right after call n; false when the run ended first.
bool KillAfter(const Scenario& s, std::uint64_t n) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    OsCallScript script;
    script.killAfter = n;
    RunWith(s, script);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == kKilledExitStatus;
}
#else
bool KillAfter(const Scenario& s, std::uint64_t n) {
  OsCallScript script;
  script.killAfter = n;
  script.killMode = OsCallScript::KillMode::kFreezeDisk;
  RunWith(s, script);
  return script.Killed();
}
#endif

Tally Exhaust(const Scenario& s) {
  Tally tally;
  QuietStandardError quiet;
  const std::uint64_t k = CountCalls(s);
  auto finish = [&](const Files& before, const std::string& where) {
    RunClean(s);
    ++tally.runs;
    s.check(before, Snapshot(), tally, s.name + " " + where);
  };
  for (std::uint64_t n = 1; n <= k; ++n) {
    for (OsFault fault : kAllFaults) {
      s.build();
      const Files before = Snapshot();
      OsCallScript script;
      script.failAt = n;
      script.fault = fault;
      RunWith(s, script);
      tally.failures += script.Injected() ? 1 : 0;
      ++tally.runs;
      finish(before, "call " + std::to_string(n) + " failed (" + OsFaultName(fault) + ")");
    }
    s.build();
    const Files before = Snapshot();
    tally.crashes += KillAfter(s, n) ? 1 : 0;
    ++tally.runs;
    finish(before, "killed after call " + std::to_string(n));
    if (!s.powerCuts) {
      continue;
    }
    s.build();
    const Files start = Snapshot();
    PowerCut cut(n, start);
    RunWith(s, cut);
    ++tally.runs;
    for (bool keepEntries : {false, true}) {
      Restore(cut.Image(keepEntries));
      ++tally.powerCuts;
      finish(start, "power cut after call " + std::to_string(n) +
                        (keepEntries ? " (entries kept)" : " (unflushed dropped)"));
    }
  }
  std::printf(
      "%s: %llu calls in a clean run; runs %d, failures injected %d, crashes simulated %d, "
      "power cuts %d, messages lost: %d, duplicates: %d, bodies left without a head: %d, pairs "
      "parted by a kill: %d\n",
      s.name.c_str(), static_cast<unsigned long long>(k), tally.runs, tally.failures, tally.crashes,
      tally.powerCuts, tally.lost, tally.duplicates, tally.orphans, tally.split);
  return tally;
}

void ExpectKept(const Tally& tally) {
  EXPECT_EQ(tally.lost, 0);
  for (std::size_t i = 0; i < tally.faults.size() && i < 20; ++i) {
    ADD_FAILURE() << tally.faults[i];
  }
  EXPECT_TRUE(tally.faults.empty()) << tally.faults.size() << " broken promises";
}

class FaultRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = Root();
    fs::remove_all(root_);
    fs::create_directories(root_);
    SetDriveRoot(root_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  std::string root_;
};

// --- Requeue ----------------------------------------------------------------------------

// The part of a ".q0" file that does not change with the time of the run.
std::string WithoutDate(const std::string& q0) {
  const std::size_t first = q0.find("\r\n");
  const std::size_t second = first == std::string::npos ? first : q0.find("\r\n", first + 2);
  return second == std::string::npos ? q0 : q0.substr(0, first) + q0.substr(second);
}

struct Message {
  std::string name, bytes, q0, q1;  // q0/q1 empty: not a bounce the run queues
};

std::vector<Message> RequeueMessages() {
  std::vector<Message> messages;
  auto add = [&](const std::string& name, const samples::BounceOptions& options, int seed) {
    messages.push_back(
        {name, samples::MakeBounce(static_cast<std::uint64_t>(seed), options).bytes, {}, {}});
  };
  samples::BounceOptions cr, banner, relay, none, cut, unended;
  banner.targetBytes = relay.targetBytes = cr.targetBytes = none.targetBytes = 600;
  cut.targetBytes = unended.targetBytes = 600;
  cr.marker = samples::Marker::kArgoBanner;
  cr.lineEnd = samples::LineEnd::kCr;
  relay.marker = samples::Marker::kRelayA;
  relay.eightBitSubject = true;
  unended.marker = samples::Marker::kLoopback;
  unended.lastLineUnended = true;
  none.marker = samples::Marker::kNone;
  cut.headerRunsIntoEof = true;
  add("a.cnm", banner, 1);
  add("B.CNM", cr, 2);
  add("c.cnm", relay, 3);
  add("d.cnm", unended, 4);
  add("none.cnm", none, 5);
  add("cut.cnm", cut, 6);
  messages.push_back({"empty.cnm", "", {}, {}});
  // The queue pair each would become, rebuilt once outside the runs.
  testsupport::BuildTree("P:\\scratch", {});
  for (Message& m : messages) {
    testsupport::WriteBytes("P:\\scratch\\m", m.bytes);
    ExtractFailure failure;
    if (!m.bytes.empty() &&
        ExtractBounce("P:\\scratch\\m", "P:\\scratch\\p.q0", "P:\\scratch\\p.q1", "d", failure) ==
            ExtractOutcome::kRebuilt) {
      m.q0 = WithoutDate(testsupport::ReadBytes("P:\\scratch\\p.q0"));
      m.q1 = testsupport::ReadBytes("P:\\scratch\\p.q1");
    }
  }
  testsupport::RemoveTree("P:\\scratch");
  return messages;
}

void CheckRequeue(const std::vector<Message>& messages, const Files& before, const Files& after,
                  Tally& tally, const std::string& where) {
  const std::string bounces = Relative(Native(kBounces)) + "/";
  const std::string queue = Relative(Native(kQueue)) + "/";
  auto fault = [&](const std::string& what) { tally.faults.push_back(where + ": " + what); };
  // Files outside the two folders, and those in the queue before, unchanged.
  for (const auto& [path, bytes] : before) {
    const bool inBounces =
        path.rfind(bounces, 0) == 0 && path.find('/', bounces.size()) == std::string::npos;
    if (!inBounces && (!after.count(path) || after.at(path) != bytes)) {
      fault("changed or gone: " + path);
    }
  }
  std::map<std::string, int> queued;  // message name -> complete pairs
  for (const auto& [path, bytes] : after) {
    if (path.rfind(queue, 0) == 0 && !before.count(path)) {
      const std::string name = path.substr(queue.size());
      const std::string base = name.substr(0, name.size() - 3);
      const bool head = name.size() > 3 && name.substr(name.size() - 3) == ".q0";
      const bool body = name.size() > 3 && name.substr(name.size() - 3) == ".q1";
      if (body && !after.count(queue + base + ".q0")) {
        ++tally.orphans;  // a body whose head never followed: harmless, counted
        continue;
      }
      if (!head && !body) {
        fault("a strange file in the queue: " + name);
        continue;
      }
      if (!head) {
        continue;
      }
      if (!after.count(queue + base + ".q1")) {
        fault("a head without its body: " + name);
        continue;
      }
      const std::string q0 = WithoutDate(bytes), q1 = after.at(queue + base + ".q1");
      bool matched = false;
      for (const Message& m : messages) {
        if (!m.q0.empty() && m.q0 == q0 && m.q1 == q1) {
          ++queued[m.name];
          matched = true;
        }
      }
      if (!matched) {
        fault("a pair in the queue that is no message of the fixture, or not all of one: " + name);
      }
    } else if (path.rfind(bounces, 0) == 0 && !before.count(path) &&
               path.find('/', bounces.size()) == std::string::npos) {
      fault("left in the bounce folder: " + path);
    }
  }
  for (const Message& m : messages) {
    const std::string path = bounces + m.name;
    const bool stays = after.count(path) && after.at(path) == m.bytes;
    if (after.count(path) && !stays) {
      fault("bounce changed: " + m.name);
    }
    const int pairs = queued[m.name];
    if (m.q0.empty()) {
      if (!stays) {
        fault("a bounce that is not to be queued went: " + m.name);
      }
    } else if (stays) {
      fault("after the clean run, still a bounce: " + m.name);
    } else if (pairs == 0) {
      ++tally.lost;
      fault("lost: " + m.name);
    } else {
      tally.duplicates += pairs - 1;
    }
  }
}

TEST_F(FaultRuns, Requeue) {
  const std::vector<Message> messages = RequeueMessages();
  RestartCollisionNames();
  const std::string firstDraw = LowerCase(CollisionName());
  const samples::QueuePair waiting = samples::MakeQueuePair(9);
  Scenario s;
  s.name = "ndr_Requeue";
  s.powerCuts = true;
  s.build = [&] {
    std::vector<testsupport::TreeEntry> tree{{"Mail\\~Bounces\\", ""},
                                             {"Mail\\Mailout\\~colwait.q0", waiting.q0},
                                             {"Mail\\Mailout\\~colwait.q1", waiting.q1},
                                             {"Mail\\Mailout\\" + firstDraw + ".q1\\", ""},
                                             {"Mail\\~Bounces\\Wait\\w.cnm", "held"},
                                             {"Mail\\~Bounces\\note.txt", "not a bounce"}};
    for (const Message& m : messages) {
      tree.push_back({"Mail\\~Bounces\\" + m.name, m.bytes});
    }
    testsupport::BuildTree("P:\\Diverido", tree);
  };
  s.run = [] { RunRequeue(2); };  // small batches, so that a run holds several
  s.check = [&](const Files& before, const Files& after, Tally& tally, const std::string& where) {
    CheckRequeue(messages, before, after, tally, where);
  };
  ExpectKept(Exhaust(s));
}

// --- Carry ------------------------------------------------------------------------------

const std::string kMailbox = "P:\\Pmail\\Mail\\_Bounces";
const std::string kLocal = kBounces + "\\Local";

// Each message of the source folder is there still, unchanged, or in the
// target exactly once; the target's own files stay.
void CheckMoves(const std::string& sourceFolder, const std::string& targetFolder,
                const std::set<std::string>& moving, const Files& before, const Files& after,
                bool mustHaveMoved, Tally& tally, const std::string& where) {
  const std::string source = Relative(Native(sourceFolder)) + "/";
  const std::string target = Relative(Native(targetFolder)) + "/";
  auto fault = [&](const std::string& what) { tally.faults.push_back(where + ": " + what); };
  auto inFolder = [](const std::string& path, const std::string& folder) {
    return path.rfind(folder, 0) == 0 && path.find('/', folder.size()) == std::string::npos;
  };
  std::multiset<std::string> arrived;
  for (const auto& [path, bytes] : after) {
    if (inFolder(path, target) && !before.count(path)) {
      arrived.insert(bytes);
    } else if (!before.count(path)) {
      fault("a new file: " + path);
    }
  }
  for (const auto& [path, bytes] : before) {
    const bool isMoving = inFolder(path, source) && moving.count(path.substr(source.size()));
    if (!isMoving) {
      if (!after.count(path) || after.at(path) != bytes) {
        fault("changed or gone: " + path);
      }
      continue;
    }
    const bool stays = after.count(path) && after.at(path) == bytes;
    const std::size_t copies = arrived.count(bytes);
    if (stays && mustHaveMoved) {
      fault("did not move: " + path);
    }
    if (!stays && copies == 0) {
      ++tally.lost;
      fault("lost: " + path);
    }
    if (copies > (stays ? 0u : 1u)) {
      tally.duplicates += static_cast<int>(copies) - (stays ? 0 : 1);
      fault("arrived more than once: " + path);
    }
  }
  // A head, where it stayed or where it arrived, keeps its body beside it;
  // only a kill between a pair's two renames parts them (both still there).
  for (const auto& [path, bytes] : after) {
    const bool head = path.size() > 3 && path.substr(path.size() - 3) == ".q0";
    if (head && (inFolder(path, source) || (inFolder(path, target) && !before.count(path))) &&
        !after.count(path.substr(0, path.size() - 3) + ".q1")) {
      if (where.find("killed") == std::string::npos) {
        fault("a head without its body: " + path);
      } else {
        ++tally.split;
      }
    }
  }
}

TEST_F(FaultRuns, Carry) {
  RestartCollisionNames();
  const std::string firstDraw = LowerCase(CollisionName());
  Scenario s;
  s.name = "ndr_Carry";
  s.powerCuts = true;
  s.build = [&] {
    testsupport::BuildTree("P:\\Pmail", {{"Mail\\_Bounces\\a.cnm", "message a"},
                                         {"Mail\\_Bounces\\B.CNM", "message b"},
                                         {"Mail\\_Bounces\\c.cnm", "message c"},
                                         {"Mail\\_Bounces\\empty.cnm", ""},
                                         {"Mail\\_Bounces\\x.cnm\\inner.cnm", "in a folder"}});
    testsupport::BuildTree("P:\\Diverido",
                           {{"Mail\\~Bounces\\Local\\a.cnm", "already here"},
                            {"Mail\\~Bounces\\Local\\b.cnm\\", ""},
                            {"Mail\\~Bounces\\Local\\" + firstDraw + ".cnm", "drawn before"}});
  };
  s.run = [] { RunCarry(); };
  s.check = [](const Files& before, const Files& after, Tally& tally, const std::string& where) {
    CheckMoves(kMailbox, kLocal, {"a.cnm", "B.CNM", "c.cnm"}, before, after, true, tally, where);
  };
  ExpectKept(Exhaust(s));
}

// --- The viewer's actions ---------------------------------------------------------------

struct DeskRun {
  test::FakeToolkit toolkit;
  Grid grid;
  Desk desk{toolkit, grid};
};

TEST_F(FaultRuns, DeskActions) {
  using Action = void (Desk::*)();
  struct Case {
    std::string name;
    Action action;
    int subFolder;       // the folder shown: 1 the bounce folder, 2 Wait
    std::string target;  // "" for Delete
  };
  const std::vector<Case> cases{
      {"Delete", &Desk::MnuPOPBDelete_Click, 1, ""},
      {"Errore", &Desk::MnuPOPBErrore_Click, 1, kBounces + "\\Errors"},
      {"Hold", &Desk::MnuPOPBHold_Click, 1, kBounces + "\\Wait"},
      {"Move4", &Desk::MnuPOPBMove4_Click, 1, kLocal},
      {"Release", &Desk::MnuPOPBRelease_Click, 2, kBounces},
  };
  Tally total;
  for (const Case& c : cases) {
    std::unique_ptr<DeskRun> desk;
    const std::string shown = c.subFolder == 2 ? kBounces + "\\Wait" : kBounces;
    Scenario s;
    s.name = "ndr_Desk " + c.name;
    s.build = [&] {
      // The shown folder holds messages and a queue pair; the target holds a
      // message of the same name as one of them.
      const std::string sub = c.subFolder == 2 ? "Wait\\" : "";
      testsupport::BuildTree(
          "P:\\Diverido",
          {{"Mail\\~Bounces\\" + sub + "m1.cnm", "message one"},
           {"Mail\\~Bounces\\" + sub + "M2.cnm", "message two"},
           {"Mail\\~Bounces\\" + sub + "p.q0", "pair head"},
           {"Mail\\~Bounces\\" + sub + "p.q1", "pair body"},
           {"Mail\\~Bounces\\Errors\\m1.cnm", "errors' own"},
           {"Mail\\~Bounces\\Wait\\" + std::string(c.subFolder == 2 ? "" : "m1.cnm"),
            c.subFolder == 2 ? "" : "wait's own"},
           {"Mail\\~Bounces\\Local\\m1.cnm", "local's own"},
           {"Mail\\~Bounces\\" + std::string(c.subFolder == 2 ? "m1.cnm" : "Local\\p.q1"),
            "taken"}});
    };
    s.prepare = [&] {
      desk = std::make_unique<DeskRun>();
      desk->desk.SelectStartupChoices();
      desk->desk.Option3_Click(c.subFolder);
      desk->desk.FinishStartup();
      desk->grid.SetMouseCell(0, 1);  // sorted by name: the pair's head before its body
      desk->desk.MSFlexGrid1_MouseDown(1, 0, 0, 0);
      desk->desk.MnuPOPBSelectAll_Click();
    };
    s.run = [&] { (desk->desk.*c.action)(); };
    const std::set<std::string> moving{"m1.cnm", "M2.cnm", "p.q0", "p.q1"};
    s.check = [&](const Files& before, const Files& after, Tally& tally, const std::string& where) {
      if (c.target.empty()) {
        // Deleted, all of them: nothing else touched.
        for (const auto& [path, bytes] : before) {
          const std::string folder = Relative(Native(shown)) + "/";
          const bool chosen =
              path.rfind(folder, 0) == 0 && moving.count(path.substr(folder.size()));
          if (chosen && after.count(path)) {
            tally.faults.push_back(where + ": not deleted: " + path);
          }
          if (!chosen && (!after.count(path) || after.at(path) != bytes)) {
            tally.faults.push_back(where + ": changed or gone: " + path);
          }
        }
        return;
      }
      CheckMoves(shown, c.target, moving, before, after, true, tally, where);
    };
    const Tally tally = Exhaust(s);
    ExpectKept(tally);
    total.runs += tally.runs;
  }
}

}  // namespace
}  // namespace ndr
