// The programs the window starts from its menus: folder windows on a chosen
// folder, and the batch programs, whose failures it watches for.
#pragma once

#include <string>

#include "folder_choice.h"
#include "program_watch.h"
#include "toolkit.h"

namespace ndr {

class ProgramStarter {
 public:
  ProgramStarter(Toolkit& toolkit, const FolderChoice& folders)
      : toolkit_(toolkit), folders_(folders) {}

  // Menu item captions by design index: MnuSExplorer1/2 (1..7), MnuSApps
  // (1, 2); "" for an index the menu does not have.
  static std::string ExplorerCaption(int index);
  static std::string AppsCaption(int index);

  // A folder window with two panes or one on the folder of an Explorer item.
  void StartFolderWindow(bool twoPanes, int index);
  // Starts the batch program of an Apps item on the listed folder; false for
  // an item the menu does not have.
  bool StartBatchProgram(int index);
  // Shows the report of a batch program that ended with exit status 1.
  void Poll() { watch_.Poll(toolkit_); }

 private:
  Toolkit& toolkit_;
  const FolderChoice& folders_;
  ProgramWatch watch_;
};

}  // namespace ndr
