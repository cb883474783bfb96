// The programs the window starts: folder windows and the batch programs.
#include "program_starter.h"

#include "form_layout.h"
#include "launch.h"
#include "platform.h"

namespace ndr {
namespace {

// The caption of a menu item of an array, "" for an index it does not have.
std::string MenuCaption(MenuId menu, int index) {
  const MenuSpec* item = FindMenuItem(menu, index);
  return item != nullptr ? std::string(item->caption) : std::string();
}

std::string FolderOfMenuItem(int index, const std::string& currentFolder) {
  if (index == 1)
    return OwnProgramFolder();
  if (index == 2)
    return currentFolder;
  return ProgramStarter::ExplorerCaption(index);
}

}  // namespace

std::string ProgramStarter::ExplorerCaption(int index) {
  return MenuCaption(MenuId::MnuSExplorer1, index);
}
std::string ProgramStarter::AppsCaption(int index) {
  return MenuCaption(MenuId::MnuSApps, index);
}

// A folder window that cannot start is of no consequence: nothing to report.
void ProgramStarter::StartFolderWindow(bool twoPanes, int index) {
  if (ExplorerCaption(index).empty())
    return;
  toolkit_.StartProgram(FolderWindowLaunch(twoPanes, FolderOfMenuItem(index, folders_.Current())));
}

bool ProgramStarter::StartBatchProgram(int index) {
  const std::string caption = AppsCaption(index);
  if (caption.empty())
    return false;
  watch_.Watch(caption,
               toolkit_.StartWatchedProgram(BatchProgramLaunch(caption, folders_.Current())));
  return true;
}

}  // namespace ndr
