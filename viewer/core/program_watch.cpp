#include "program_watch.h"

#include <algorithm>

#include "toolkit.h"

namespace ndr {

void ProgramWatch::Watch(const std::string& name, std::unique_ptr<WatchedProgram> program) {
  if (program) {
    watched_.push_back({name, std::move(program)});
  }
}

void ProgramWatch::Poll(Toolkit& toolkit) {
  std::vector<Watched> ended;
  for (auto it = watched_.begin(); it != watched_.end();) {
    if (it->program->Ended()) {
      ended.push_back(std::move(*it));
      it = watched_.erase(it);
    } else {
      ++it;
    }
  }
  // Shown after the list is settled: a message box lets events run, and a
  // timer's poll may come in meanwhile.
  for (const Watched& program : ended) {
    if (program.program->ExitStatus() == 1) {
      std::string report = program.program->Report();
      if (report.empty()) {
        report = "It ended with exit status 1.";
      }
      toolkit.ShowMessage(program.name, program.name + " reported:\n\n" + report);
    }
  }
}

}  // namespace ndr
