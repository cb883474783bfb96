// The folder choices and the extra folder's box.
#include "folder_choice.h"

#include "form_layout.h"
#include "platform.h"

namespace ndr {
namespace {

std::string DesignCaption(ControlId group, int index) {
  const ControlSpec* option = FindControl(group, index);
  return option != nullptr && option->kind == ControlKind::OptionButton
             ? std::string(option->caption)
             : std::string();
}

}  // namespace

FolderChoice::FolderChoice(Toolkit& toolkit) : toolkit_(toolkit) {
  const ControlSpec& extra = *FindControl(ControlId::Option3, 4);
  extraCaption_ = extra.caption;
  extraToolTip_ = extra.toolTip;
}

void FolderChoice::Show(std::string folder) {
  remailerRoot_ = current_ = std::move(folder);
  mailFolder_.clear();
  subFolder_.clear();
}

// --- Option groups -------------------------------------------------------------

int FolderChoice::Selected(ControlId group) const {
  switch (group) {
    case ControlId::Option1:
      return rootSelected_;
    case ControlId::Option2:
      return mailSelected_;
    case ControlId::Option3:
      return subSelected_;
    default:
      return 0;
  }
}

// Entry 4 of Option3 (the extra folder) has the caption the operator last
// gave it.
std::string FolderChoice::Caption(ControlId group, int index) const {
  if (group == ControlId::Option3 && index == 4)
    return extraCaption_;
  return DesignCaption(group, index);
}

// An index the group does not have is ignored rather than selecting nothing.
bool FolderChoice::SelectRoot(int index) {
  return (index == 1 || index == 2) &&
         Choose(ControlId::Option1, index, rootSelected_, remailerRoot_);
}
bool FolderChoice::SelectMailFolder(int index) {
  return index == 6 && Choose(ControlId::Option2, index, mailSelected_, mailFolder_);
}
bool FolderChoice::SelectSubFolder(int index) {
  return index >= 1 && index <= 4 && Choose(ControlId::Option3, index, subSelected_, subFolder_);
}

bool FolderChoice::Choose(ControlId group, int index, int& selected, std::string& part) {
  selected = index;
  part = Caption(group, index);
  Compose();
  return true;
}

// --- The extra folder ----------------------------------------------------------

void FolderChoice::OpenDirBox() {
  dirBoxWantsFocus_ = false;
  dirBoxText_ = extraCaption_;
  dirBoxVisible_ = true;
}

bool FolderChoice::PickDirBoxText() {
  FileDialogRequest request;
  request.initialFolder = BounceFolder();
  request.filter = "cnm(*.cnm)|*.cnm|All Files(*.*)|*.*";
  request.title = "Bounces Subdirectory";
  const std::string path = toolkit_.ShowFileDialog(request);

  // The text is the first folder level below the bounce folder, with its
  // leading backslash. A file outside the bounce folder gives no such level;
  // it is taken like a cancelled dialog rather than cutting a meaningless
  // piece out of an unrelated path.
  const std::size_t start = request.initialFolder.size();
  std::size_t end = std::string::npos;
  if (StartsWithIgnoreCase(path, request.initialFolder) && path.size() > start + 1 &&
      path[start] == '\\') {
    end = path.find('\\', start + 1);
  }
  if (end == std::string::npos) {
    // The box stays, emptied, and takes the keyboard back: leaving it is
    // what applies the text.
    dirBoxText_.clear();
    dirBoxWantsFocus_ = true;
    return false;
  }
  dirBoxText_ = path.substr(start, end - start);
  return true;
}

// The window repaints the hidden box before the folder is listed again.
bool FolderChoice::ApplyDirBox() {
  dirBoxVisible_ = false;
  extraCaption_ = dirBoxText_;
  extraToolTip_ = dirBoxText_;
  toolkit_.DoEvents();
  return subSelected_ == 4;
}

}  // namespace ndr
