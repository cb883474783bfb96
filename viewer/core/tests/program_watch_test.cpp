// Batch programs started from the Apps menu: the report of one that fails is
// shown, named, once it ends; one that succeeds shows nothing; neither is
// waited for.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "fake_toolkit.h"
#include "program_watch.h"

namespace ndr {
namespace {

ProgramLaunch StandIn(const std::string& report, const std::string& status) {
  std::string program = NDR_FAILING_PROGRAM;
#ifdef _WIN32
  program = "Z:" + program;  // a build path, under Wine
  std::replace(program.begin(), program.end(), '/', '\\');
#endif
  ProgramLaunch launch;
  launch.argv = {program, report, status};
  launch.commandLine = "\"" + program + "\" \"" + report + "\" " + status;
  return launch;
}

TEST(ProgramWatch, ShowsTheReportOfAProgramThatFailed) {
  test::FakeToolkit toolkit;
  toolkit.realPrograms = true;
  ProgramWatch watch;
  const std::string report = "ndr_Requeue: cannot move a to b: File exists\n";
  watch.Watch("ndr_Requeue.exe", toolkit.StartWatchedProgram(StandIn(report, "1")));
  watch.Watch("ndr_Carry.exe", toolkit.StartWatchedProgram(StandIn("quiet", "0")));
  ProgramLaunch missing;
  missing.argv = {"/nowhere/ndr_Missing"};
  missing.commandLine = "Z:\\nowhere\\ndr_Missing.exe";
  watch.Watch("ndr_Missing.exe", toolkit.StartWatchedProgram(missing));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (watch.Watching() && std::chrono::steady_clock::now() < deadline) {
    watch.Poll(toolkit);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(toolkit.messages.size(), 1u);
  // The title, then the report (a stand-in on Windows ends its line with CR LF).
  EXPECT_EQ(toolkit.messages[0].rfind("ndr_Requeue.exe: ndr_Requeue.exe reported:\n\n" +
                                          report.substr(0, report.size() - 1),
                                      0),
            0u)
      << toolkit.messages[0];
}

}  // namespace
}  // namespace ndr
