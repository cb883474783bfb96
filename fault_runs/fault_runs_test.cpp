// Every file-system call of a run failed in turn, with each error it can
// meet; the process ended right after every call; the power cut after every
// call and after each failed flush, keeping any subset of what was not yet
// flushed (testsupport's PowerCut). After each, a clean run, and then the
// promise is checked: every message of the fixture is still where it was or
// has arrived, complete, exactly once; no pair is split, no file replaced,
// nothing outside the fixture touched. Each run's exit status and standard
// error tell the truth: work left undone is a report and exit 1, a report is
// exit 1, and the clean run reports nothing. The moves by link then unlink
// (POSIX file systems without a no-replace rename) go through the same runs.
//
// A kill is played in the process: from the kill point on, every call of the
// seam fails without reaching the system, so the disk stays as the kill left
// it, and handles are still closed as the system closes a dead process's
// handles; the program's memory is thrown away with the run.
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
#include "power_cut.h"
#include "requeue_run.h"
#include "safe_rename.h"
#include "sample_mail.h"
#include "test_support.h"

#include <unistd.h>

namespace ndr {
namespace {

namespace fs = std::filesystem;
using testsupport::Files;

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

// What the programs write to standard error while the runs last, kept in a
// file of its own and taken after each run.
// Through the C runtime's descriptor 2 on Windows too: moving it there moves
// the process's standard error handle, which the programs write to.
class CapturedStandardError {
 public:
  CapturedStandardError() : saved_(::dup(2)), file_(std::tmpfile()) { ::dup2(::fileno(file_), 2); }
  ~CapturedStandardError() {
    ::dup2(saved_, 2);
    ::close(saved_);
    std::fclose(file_);
  }
  std::string Take() {
    const int fd = ::fileno(file_);
    std::string text;
    ::lseek(fd, 0, SEEK_SET);
    constexpr unsigned kChunk = 4096;
    char buffer[kChunk];
    int got;
    while ((got = static_cast<int>(::read(fd, buffer, kChunk))) > 0) {
      text.append(buffer, static_cast<std::size_t>(got));
    }
    ::lseek(fd, 0, SEEK_SET);
    if (::ftruncate(fd, 0) != 0) {
      throw std::runtime_error("cannot empty the captured standard error");
    }
    return text;
  }

 private:
  int saved_;
  std::FILE* file_;
};

// Every file below the drive root, by its path below the root.
Files Snapshot() {
  Files files;
  std::error_code error;
  const fs::path root = DriveRoot();
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file()) {
      std::ifstream in(it->path(), std::ios::binary);
      files[fs::relative(it->path(), root).generic_string()].assign(
          std::istreambuf_iterator<char>(in), {});
    }
  }
  return files;
}

// A folder as the snapshot names its files: "p:/Diverido/Mail/Mailout/".
std::string Below(const std::string& folder) {
  std::string native = NativePath(FsPath(folder));
  native.erase(0, std::min(native.size(), DriveRoot().size() + 1));
  std::replace(native.begin(), native.end(), '\\', '/');
  return native + "/";
}

bool InFolder(const std::string& path, const std::string& folder) {
  return path.rfind(folder, 0) == 0 && path.find('/', folder.size()) == std::string::npos;
}

struct Tally {
  int runs = 0, failures = 0, crashes = 0, powerCuts = 0;
  std::vector<std::string> faults;  // broken promises, with where they happened
  void Fault(const std::string& where, const std::string& what) {
    faults.push_back(where + ": " + what);
  }
};

using Outcome = testsupport::ProgramResult;  // exit status and standard error

// One program with its fixture and its promise.
struct Scenario {
  std::string name;
  std::string program;            // its reports' prefix; "" for one that reports nothing
  std::function<void()> build;    // lays the fixture (folders included)
  std::function<void()> prepare;  // before the run, unwatched (the viewer's scan)
  std::function<int()> run;       // the run, watched: its exit status
  // The promise after a clean run, and (done) whether the run left no work.
  std::function<void(const Files& before, const Files& after, Tally&, const std::string&)> check;
  std::function<bool(const Files& before, const Files& after)> done;
  // What no failure may leave even before the next run ("" when nothing).
  std::function<std::string(const Files& after)> untidy;
  bool powerCuts = false;
  bool linkMoves = false;  // every rename refused as unsupported: moves by link
};

// Moves by link then unlink, as on a file system without a no-replace rename.
class LinkMoves : public OsCallHook {
 public:
  explicit LinkMoves(OsCallHook& next) : next_(next) {}
  OsFault Before(const OsCallInfo& info) override {
    const OsFault fault = next_.Before(info);
    return fault == OsFault::kNone && info.call == OsCall::kRename ? OsFault::kNotSupported : fault;
  }
  void After(const OsCallInfo& info, bool succeeded) override { next_.After(info, succeeded); }

 private:
  OsCallHook& next_;
};

// The kinds of the calls of a clean run, in order.
class CallLog : public OsCallHook {
 public:
  OsFault Before(const OsCallInfo& info) override {
    calls.push_back(info.call);
    return OsFault::kNone;
  }
  void After(const OsCallInfo&, bool) override {}
  std::vector<OsCall> calls;
};

class Runner {
 public:
  Runner(const Scenario& s, Tally& tally) : s_(s), tally_(tally) {}

  Outcome Run(OsCallHook& hook) {
    if (s_.prepare) {
      s_.prepare();
    }
    RestartCollisionNames();
    LinkMoves links(hook);
    OsCallHook* installed = s_.linkMoves ? static_cast<OsCallHook*>(&links) : &hook;
    Outcome outcome;
    {
      ScopedOsCallHook scoped(*installed);
      outcome.exitCode = s_.run();
    }
    outcome.standardError = error_.Take();
    return outcome;
  }

  // A report is exit 1 and lines of the program's own; work left undone is
  // reported; a program that reports nothing never does.
  void CheckReport(const Outcome& outcome, bool done, const std::string& where) {
    const bool reported = !outcome.standardError.empty();
    if (s_.program.empty() ? (reported || outcome.exitCode != 0)
                           : (reported != (outcome.exitCode == 1) || (!done && !reported))) {
      tally_.Fault(where, "exit " + std::to_string(outcome.exitCode) + ", " +
                              (done ? "" : "work left, ") + "reported \"" + outcome.standardError +
                              "\"");
    }
    std::size_t begin = 0;
    while (begin < outcome.standardError.size()) {
      const std::size_t end = outcome.standardError.find('\n', begin);
      if (end == std::string::npos ||
          outcome.standardError.compare(begin, s_.program.size(), s_.program) != 0) {
        tally_.Fault(where, "a report that is no line of the program's: " + outcome.standardError);
        break;
      }
      begin = end + 1;
    }
  }

  Outcome RunClean() {
    OsCallScript none;
    return Run(none);
  }

  // A clean run after whatever happened, then the promise.
  void Finish(const Files& before, const std::string& where) {
    CheckReport(RunClean(), true, s_.name + " " + where + ", then the clean run");
    ++tally_.runs;
    s_.check(before, Snapshot(), tally_, s_.name + " " + where);
  }

  std::vector<OsCall> CleanCalls() {
    s_.build();
    CallLog log;
    Run(log);
    return log.calls;
  }

  void FailEach(std::uint64_t n, OsCall call) {
    for (OsFault fault : kAllFaults) {
      s_.build();
      const Files before = Snapshot();
      OsCallScript script;
      script.failAt = n;
      script.fault = fault;
      testsupport::PowerCut model(DriveRoot(), before, &script);
      const std::string where = "call " + std::to_string(n) + " (" + OsCallName(call) +
                                ") failed (" + OsFaultName(fault) + ")";
      const Outcome outcome = Run(model);
      tally_.failures += script.Injected() ? 1 : 0;
      ++tally_.runs;
      // A file that vanished is no failure: an injected "no such file" may
      // leave work undone without a report.
      const bool silent = fault == OsFault::kNoSuchFile || !s_.done;
      const Files after = Snapshot();
      CheckReport(outcome, silent || s_.done(before, after), s_.name + " " + where);
      if (s_.untidy && !s_.untidy(after).empty()) {
        tally_.Fault(s_.name + " " + where, s_.untidy(after));
      }
      Finish(before, where);
      // What a failed flush left unflushed does not depend on the error.
      const bool flush = call == OsCall::kSync || call == OsCall::kSyncVolume;
      if (s_.powerCuts && flush && fault == OsFault::kIoError) {
        CutPower(model, before, where + ", then the power cut");
      }
    }
  }

  // Killed right after call n. With power cuts, every image a cut then may
  // leave is tried, the disk as the kill left it among them (all kept).
  void KillAfter(std::uint64_t n) {
    s_.build();
    const Files start = Snapshot();
    OsCallScript script;
    script.killAfter = n;
    script.killMode = OsCallScript::KillMode::kFreezeDisk;
    testsupport::PowerCut model(DriveRoot(), start, &script);
    Run(model);
    tally_.crashes += script.Killed() ? 1 : 0;
    ++tally_.runs;
    if (s_.powerCuts) {
      CutPower(model, start, "power cut after call " + std::to_string(n));
    } else {
      Finish(start, "killed after call " + std::to_string(n));
    }
  }

 private:
  void CutPower(testsupport::PowerCut& model, const Files& start, const std::string& where) {
    model.Cut();
    const std::vector<testsupport::PowerCut::Disk> images = model.Images();
    for (std::size_t i = 0; i < images.size(); ++i) {
      model.Restore(images[i]);
      ++tally_.powerCuts;
      Finish(start, where + " (disk image " + std::to_string(i) + " of " +
                        std::to_string(model.Pending()) + " unflushed operations)");
    }
  }

  const Scenario& s_;
  Tally& tally_;
  CapturedStandardError error_;
};

Tally Exhaust(const Scenario& s) {
  Tally tally;
  Runner runner(s, tally);
  const std::vector<OsCall> calls = runner.CleanCalls();
  for (std::uint64_t n = 1; n <= calls.size(); ++n) {
    runner.FailEach(n, calls[n - 1]);
    runner.KillAfter(n);
  }
  std::printf(
      "%s: %zu calls in a clean run; runs %d, failures injected %d, crashes simulated %d, "
      "power cuts %d; broken promises: %zu\n",
      s.name.c_str(), calls.size(), tally.runs, tally.failures, tally.crashes, tally.powerCuts,
      tally.faults.size());
  return tally;
}

void ExpectKept(const Tally& tally) {
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

// The queue pair a bounce becomes, rebuilt once outside the runs.
void Rebuild(Message& m) {
  testsupport::BuildTree("P:\\scratch", {});
  testsupport::WriteBytes("P:\\scratch\\m", m.bytes);
  ExtractFailure failure;
  if (!m.bytes.empty() && ExtractBounce("P:\\scratch\\m", "P:\\scratch\\p.q0", "P:\\scratch\\p.q1",
                                        "d", failure) == ExtractOutcome::kRebuilt) {
    m.q0 = WithoutDate(testsupport::ReadBytes("P:\\scratch\\p.q0"));
    m.q1 = testsupport::ReadBytes("P:\\scratch\\p.q1");
  }
  testsupport::RemoveTree("P:\\scratch");
}

std::vector<Message> RequeueMessages() {
  using samples::Marker;
  constexpr std::size_t kSmall = 600, kLarge = 150 * 1024;  // large: reads fail mid-body
  const std::pair<std::string, samples::BounceOptions> fixture[] = {
      {"a.cnm", {.targetBytes = kSmall}},
      {"B.CNM",
       {.marker = Marker::kArgoBanner, .lineEnd = samples::LineEnd::kCr, .targetBytes = kSmall}},
      {"c.cnm", {.marker = Marker::kRelayA, .eightBitSubject = true, .targetBytes = kSmall}},
      {"d.cnm", {.marker = Marker::kLoopback, .lastLineUnended = true, .targetBytes = kSmall}},
      {"none.cnm", {.marker = Marker::kNone, .targetBytes = kSmall}},
      {"cut.cnm", {.headerRunsIntoEof = true, .targetBytes = kSmall}},
      {"large.cnm", {.targetBytes = kLarge}}};
  std::vector<Message> messages;
  for (const auto& [name, options] : fixture) {
    messages.push_back({name, samples::MakeBounce(messages.size() + 1, options).bytes, {}, {}});
  }
  messages.push_back({"empty.cnm", "", {}, {}});
  for (Message& m : messages) {
    Rebuild(m);
  }
  return messages;
}

// Each message of the fixture in the queue exactly once, or (not to be
// queued) where it was; the queue's and the other folders' files unchanged.
// strict: also counted as faults are bounces still waiting and work left
// in the bounce folder (after a clean run there is none).
void CheckRequeue(const std::vector<Message>& messages, const Files& before, const Files& after,
                  Tally& tally, const std::string& where) {
  const std::string bounces = Below(kBounces), queue = Below(kQueue);
  auto fault = [&](const std::string& what) { tally.Fault(where, what); };
  for (const auto& [path, bytes] : before) {
    if (!InFolder(path, bounces) && (!after.count(path) || after.at(path) != bytes)) {
      fault("changed or gone: " + path);
    }
  }
  std::map<std::string, int> queued;  // message bytes -> complete pairs
  for (const auto& [path, bytes] : after) {
    if (before.count(path)) {
      continue;
    }
    const std::string base = path.substr(0, path.size() - 3), ext = path.substr(base.size());
    if (InFolder(path, bounces)) {
      fault("left in the bounce folder: " + path);
    } else if (!InFolder(path, queue) || (ext != ".q0" && ext != ".q1")) {
      fault("a strange new file: " + path);
    } else if (!after.count(base + ".q0")) {
      fault("a body without its head: " + path);
    } else if (!after.count(base + ".q1")) {
      fault("a head without its body: " + path);
    } else if (ext == ".q0") {
      const std::string q0 = WithoutDate(bytes), q1 = after.at(base + ".q1");
      const auto found = std::find_if(messages.begin(), messages.end(), [&](const Message& m) {
        return !m.q0.empty() && m.q0 == q0 && m.q1 == q1;
      });
      if (found == messages.end()) {
        fault("a pair that is no message of the fixture, or not all of one: " + path);
      } else {
        ++queued[found->bytes];
      }
    }
  }
  for (const Message& m : messages) {
    const std::string path = bounces + m.name;
    const bool stays = after.count(path) && after.at(path) == m.bytes;
    const int pairs = queued[m.bytes];
    if (after.count(path) && !stays) {
      fault("bounce changed: " + m.name);
    } else if (m.q0.empty() && !stays) {
      fault("a bounce that is not to be queued went: " + m.name);
    } else if (!m.q0.empty() && stays) {
      fault("still a bounce: " + m.name);
    } else if (!m.q0.empty() && pairs == 0) {
      fault("lost: " + m.name);
    } else if (pairs > 1) {
      fault("queued " + std::to_string(pairs) + " times: " + m.name);
    }
  }
}

Scenario RequeueScenario(const std::vector<Message>& messages, bool linkMoves) {
  RestartCollisionNames();
  const std::string firstDraw = LowerCase(CollisionName());
  const samples::QueuePair waiting = samples::MakeQueuePair(9);
  Scenario s;
  s.name = linkMoves ? "ndr_Requeue (moves by link)" : "ndr_Requeue";
  s.program = "ndr_Requeue: ";
  s.powerCuts = true;
  s.linkMoves = linkMoves;
  s.build = [=] {
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
  s.run = [] { return RunRequeue(2); };  // small batches, so that a run holds several
  s.check = [&messages](const Files& before, const Files& after, Tally& tally,
                        const std::string& where) {
    CheckRequeue(messages, before, after, tally, where);
  };
  // A failed move of a head takes its body back out of the queue.
  s.untidy = [](const Files& after) {
    for (const auto& [path, bytes] : after) {
      if (InFolder(path, Below(kQueue)) && path.compare(path.size() - 3, 3, ".q1") == 0 &&
          !after.count(path.substr(0, path.size() - 3) + ".q0")) {
        return "a body waits without its head: " + path;
      }
    }
    return std::string();
  };
  s.done = [&messages](const Files& before, const Files& after) {
    Tally tally;
    CheckRequeue(messages, before, after, tally, "");
    return tally.faults.empty();
  };
  return s;
}

TEST_F(FaultRuns, Requeue) {
  const std::vector<Message> messages = RequeueMessages();
  ExpectKept(Exhaust(RequeueScenario(messages, false)));
#ifndef _WIN32
  ExpectKept(Exhaust(RequeueScenario(messages, true)));
#endif
}

// The operator holds the bounce a.cnm into Wait and releases another message
// of that name from Errors, right after any call of the run: the message read
// is the one queued, the other one is never deleted unread.
class SwapAfter : public OsCallHook {
 public:
  SwapAfter(std::uint64_t n, std::string other) : n_(n), other_(std::move(other)) {}
  OsFault Before(const OsCallInfo&) override { return OsFault::kNone; }
  void After(const OsCallInfo&, bool) override {
    if (++calls_ != n_) {
      return;
    }
    std::error_code failed;
    const fs::path bounce = NativePath(FsPath(kBounces, "a.cnm"));
    fs::rename(bounce, NativePath(FsPath(kBounces + "\\Wait", "a.cnm")), failed);
    if (!failed && !fs::exists(bounce)) {  // a rename refused by a hold moves nothing
      testsupport::WriteBytes(FsPath(kBounces, "a.cnm"), other_);
    }
  }

 private:
  std::uint64_t n_, calls_ = 0;
  std::string other_;
};

TEST_F(FaultRuns, BounceSwappedUnderItsNameIsNeverDeletedUnread) {
  std::vector<Message> messages = RequeueMessages();
  Message other{"a.cnm", samples::MakeBounce(40).bytes, {}, {}};
  Rebuild(other);
  const Scenario s = RequeueScenario(messages, false);
  Tally tally;
  Runner runner(s, tally);
  const std::size_t calls = runner.CleanCalls().size();
  int swaps = 0;
  for (std::uint64_t n = 1; n <= calls; ++n) {
    const std::string where = "swapped after call " + std::to_string(n);
    s.build();
    SwapAfter swap(n, other.bytes);
    runner.CheckReport(runner.Run(swap), true, where);
    runner.CheckReport(runner.RunClean(), true, where + ", then the clean run");
    const Files after = Snapshot();
    std::map<std::string, int> queued;  // ".q0" without its date -> pairs
    for (const auto& [path, bytes] : after) {
      if (InFolder(path, Below(kQueue)) && path.compare(path.size() - 3, 3, ".q0") == 0) {
        ++queued[WithoutDate(bytes)];
      }
    }
    // The message held into Wait may have been queued before: at most once.
    const bool swapped = after.count(Below(kBounces + "\\Wait") + "a.cnm") != 0;
    swaps += swapped ? 1 : 0;
    const int first = queued[messages[0].q0], second = queued[other.q0];
    if (swapped ? first > 1 || second != 1 : first != 1 || second != 0) {
      tally.Fault(where, "queued " + std::to_string(first) + " and " + std::to_string(second));
    }
    for (const Message& m : messages) {
      if (!m.q0.empty() && m.name != "a.cnm" && queued[m.q0] != 1) {
        tally.Fault(where, m.name + " queued " + std::to_string(queued[m.q0]) + " times");
      }
    }
  }
  std::printf("%d swaps under a bounce's name, after each of %zu calls\n", swaps, calls);
  EXPECT_GT(swaps, 0);
  ExpectKept(tally);
}

// --- Carry ------------------------------------------------------------------------------

const std::string kMailbox = "P:\\Pmail\\Mail\\_Bounces";
const std::string kLocal = kBounces + "\\Local";

// Each message of the source folder is there still, unchanged, or in the
// target exactly once; the target's own files stay.
void CheckMoves(const std::string& sourceFolder, const std::string& targetFolder,
                const std::set<std::string>& moving, const Files& before, const Files& after,
                bool mustHaveMoved, Tally& tally, const std::string& where) {
  const std::string source = Below(sourceFolder), target = Below(targetFolder);
  auto fault = [&](const std::string& what) { tally.Fault(where, what); };
  std::multiset<std::string> arrived;
  for (const auto& [path, bytes] : after) {
    if (InFolder(path, target) && !before.count(path)) {
      arrived.insert(bytes);
    } else if (!before.count(path)) {
      fault("a new file: " + path);
    }
  }
  for (const auto& [path, bytes] : before) {
    const bool isMoving = InFolder(path, source) && moving.count(path.substr(source.size()));
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
      fault("lost: " + path);
    }
    if (copies > (stays ? 0u : 1u)) {
      fault("arrived more than once: " + path);
    }
  }
  // A head, where it stayed or where it arrived, keeps its body beside it;
  // only a kill between a pair's two renames parts them (both still there).
  for (const auto& [path, bytes] : after) {
    const bool head = path.size() > 3 && path.substr(path.size() - 3) == ".q0";
    if (head && (InFolder(path, source) || (InFolder(path, target) && !before.count(path))) &&
        !after.count(path.substr(0, path.size() - 3) + ".q1") &&
        where.find("killed") == std::string::npos) {
      fault("a head without its body: " + path);
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
  s.run = [] { return RunCarry(); };
  s.check = [](const Files& before, const Files& after, Tally& tally, const std::string& where) {
    CheckMoves(kMailbox, kLocal, {"a.cnm", "B.CNM", "c.cnm"}, before, after, true, tally, where);
  };
  ExpectKept(Exhaust(s));
#ifndef _WIN32
  s.name = "ndr_Carry (moves by link)";
  s.linkMoves = true;
  ExpectKept(Exhaust(s));
#endif
}

// --- The viewer's actions ---------------------------------------------------------------

struct DeskRun {
  test::FakeToolkit toolkit;
  Grid grid;
  Desk desk{toolkit, grid};
};

TEST_F(FaultRuns, DeskActions) {
  const std::string wait = kBounces + "\\Wait";
  const struct {
    std::string name;
    void (Desk::*action)();
    std::string shown, target;  // target "" for Delete
  } cases[] = {
      {"Delete", &Desk::MnuPOPBDelete_Click, kBounces, ""},
      {"Errore", &Desk::MnuPOPBErrore_Click, kBounces, kBounces + "\\Errors"},
      {"Hold", &Desk::MnuPOPBHold_Click, kBounces, wait},
      {"Move4", &Desk::MnuPOPBMove4_Click, kBounces, kLocal},
      {"Release", &Desk::MnuPOPBRelease_Click, wait, kBounces},
  };
  const std::set<std::string> moving{"m1.cnm", "M2.cnm", "p.q0", "p.q1"};
  for (const auto& c : cases) {
    std::unique_ptr<DeskRun> desk;
    Scenario s;
    s.name = "ndr_Desk " + c.name;
    // The shown folder holds messages and a queue pair; the target already
    // holds a message of the name of one of them, and Local the pair's body.
    s.build = [&] {
      testsupport::BuildTree("P:\\Diverido", {{"Mail\\~Bounces\\Errors\\", ""},
                                              {"Mail\\~Bounces\\Wait\\", ""},
                                              {"Mail\\~Bounces\\Local\\p.q1", "taken"}});
      for (const char* name : {"m1.cnm", "M2.cnm", "p.q0", "p.q1"}) {
        testsupport::WriteBytes(FsPath(c.shown, name), std::string("message ") + name);
      }
      if (!c.target.empty()) {
        testsupport::WriteBytes(FsPath(c.target, "m1.cnm"), "the target's own");
      }
    };
    s.prepare = [&] {
      desk = std::make_unique<DeskRun>();
      desk->desk.SelectStartupChoices();
      desk->desk.Option3_Click(c.shown == wait ? 2 : 1);
      desk->desk.FinishStartup();
      desk->grid.SetMouseCell(0, 1);  // sorted by name: the pair's head before its body
      desk->desk.MSFlexGrid1_MouseDown(1, 0, 0, 0);
      desk->desk.MnuPOPBSelectAll_Click();
    };
    s.run = [&] {
      (desk->desk.*c.action)();
      return 0;
    };
    s.check = [&](const Files& before, const Files& after, Tally& tally, const std::string& where) {
      if (!c.target.empty()) {
        CheckMoves(c.shown, c.target, moving, before, after, true, tally, where);
        return;
      }
      // Deleted, all of them: nothing else touched.
      for (const auto& [path, bytes] : before) {
        const bool chosen =
            InFolder(path, Below(c.shown)) && moving.count(path.substr(Below(c.shown).size()));
        if (chosen && after.count(path)) {
          tally.Fault(where, "not deleted: " + path);
        } else if (!chosen && (!after.count(path) || after.at(path) != bytes)) {
          tally.Fault(where, "changed or gone: " + path);
        }
      }
    };
    ExpectKept(Exhaust(s));
  }
}

}  // namespace
}  // namespace ndr
