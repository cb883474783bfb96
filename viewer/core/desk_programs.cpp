// The programs the window starts: folder windows and the batch programs.
#include "desk.h"

#include "launch.h"
#include "platform.h"

namespace ndr {

namespace {

std::string FolderOfMenuItem(int index, const std::string& currentFolder) {
  if (index == 1)
    return OwnProgramFolder();
  if (index == 2)
    return currentFolder;
  return Desk::ExplorerCaption(index);
}

}  // namespace

// A folder window that cannot start is of no consequence: nothing to report.
void Desk::StartFolderWindow(bool twoPanes, int index) {
  if (scanning_)
    return;
  if (ExplorerCaption(index).empty())
    return;
  toolkit_.StartProgram(FolderWindowLaunch(twoPanes, FolderOfMenuItem(index, currentFolder_)));
}

void Desk::MnuSExplorer1_Click(int index) {
  StartFolderWindow(true, index);
}
void Desk::MnuSExplorer2_Click(int index) {
  StartFolderWindow(false, index);
}

void Desk::MnuSApps_Click(int index) {
  if (scanning_)
    return;
  const std::string caption = AppsCaption(index);
  if (caption.empty())
    return;
  programs_.Watch(caption,
                  toolkit_.StartWatchedProgram(BatchProgramLaunch(caption, currentFolder_)));
  LoadFolder();  // at once, whether the program started or not
}

}  // namespace ndr
