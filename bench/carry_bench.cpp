// ndr_Carry moving 10,000 files into a folder that already holds many,
// against plain no-replace renames of the same files; the cost per file must
// not grow with the number of files already in the target.
#include <cstdio>
#include <string>
#include <vector>

#include "batch_bench_util.h"
#include "folder_listing.h"
#include "platform.h"
#include "sample_mail.h"
#include "test_support.h"

namespace ndr::bench {
namespace {

const std::string kMailbox = "P:\\Pmail\\Mail\\_Bounces";
const std::string kLocal = "P:\\Diverido\\Mail\\~Bounces\\Local";
constexpr int kFileCount = 10000;

std::string Name(const char* prefix, int i) {
  char name[32];
  std::snprintf(name, sizeof name, "%s%d.cnm", prefix, i);
  return name;
}

void Fill(int alreadyInTarget) {
  testsupport::BuildTree("P:\\Pmail", {{"Mail\\_Bounces\\", ""}});
  testsupport::BuildTree("P:\\Diverido", {{"Mail\\~Bounces\\Local\\", ""}});
  std::string message = samples::MakeMessage(1);
  for (int i = 0; i < kFileCount; ++i) {
    Check(samples::WriteSampleFile(kMailbox + "\\" + Name("M", i), message), "write mailbox");
  }
  for (int i = 0; i < alreadyInTarget; ++i) {
    Check(samples::WriteSampleFile(kLocal + "\\" + Name("t", i), message), "write target");
  }
  Settle();
}

// The same renames in the order the listing gives the files (taken before
// the clock starts), so that only the program's own work is compared.
double Baseline() {
  std::vector<std::string> names;
  ListFolder(kMailbox, "*.cnm",
             [&](const FindEntry&, const std::string& name) { names.push_back(name); });
  Stopwatch watch;
  for (const std::string& name : names) {
    Check(MoveNoReplace(kMailbox + "\\" + name, kLocal + "\\" + LowerCase(name)), "move");
  }
  return watch.Seconds();
}

double ProgramRun(int alreadyInTarget) {
  ChildRun run = RunChild(NDR_CARRY_EXE);
  Check(run.exitCode == 0, "ndr_Carry failed");
  Check(testsupport::FileNames(kMailbox).empty(), "files left in the mailbox");
  Check(testsupport::FileNames(kLocal).size() ==
            static_cast<std::size_t>(kFileCount + alreadyInTarget),
        "files missing in Local");
  return run.seconds;
}

void Measure(int alreadyInTarget) {
  double best = 1e9, bestBase = 1e9;
  for (int round = 0; round < 6; ++round) {
    for (int side = 0; side < 2; ++side) {
      Fill(alreadyInTarget);
      if ((round + side) % 2 == 0) {
        bestBase = std::min(bestBase, Baseline());
      } else {
        best = std::min(best, ProgramRun(alreadyInTarget));
      }
    }
  }
  std::printf("  target holding %6d: renames %6.1f us/file, ndr_Carry %6.1f us/file, ratio %.2fx\n",
              alreadyInTarget, bestBase / kFileCount * 1e6, best / kFileCount * 1e6,
              best / bestBase);
}

}  // namespace
}  // namespace ndr::bench

int main() {
  std::printf("ndr_Carry: %d files moved (goal <= 1.5x plain no-replace renames)\n",
              ndr::bench::kFileCount);
  for (int already : {0, 10000, 100000}) {
    ndr::bench::Measure(already);
  }
  ndr::testsupport::RemoveTree("P:\\Pmail");
  ndr::testsupport::RemoveTree("P:\\Diverido");
  return 0;
}
