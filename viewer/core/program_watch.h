// The batch programs started from the Apps menu, watched until they end: a
// program that ends with exit status 1 has reported a failure on its
// standard error, and the operator is shown that report, since a program
// started from the window has no console to show it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "watched_program.h"

namespace ndr {

class Toolkit;

class ProgramWatch {
 public:
  // Watches a program that has been started (null: none was), named name.
  void Watch(const std::string& name, std::unique_ptr<WatchedProgram> program);
  // Looks at each watched program without waiting; for each that ended with
  // exit status 1, shows its report in a message that names it.
  void Poll(Toolkit& toolkit);
  bool Watching() const { return !watched_.empty(); }

 private:
  struct Watched {
    std::string name;
    std::unique_ptr<WatchedProgram> program;
  };
  std::vector<Watched> watched_;
};

}  // namespace ndr
