// The folder choices and the extra folder's box.
#include "desk.h"

#include "form_layout.h"
#include "platform.h"

namespace ndr {
namespace {

// The caption of a menu item of an array, "" for an index it does not have.
std::string MenuCaption(MenuId menu, int index) {
  const MenuSpec* item = FindMenuItem(menu, index);
  return item != nullptr ? std::string(item->caption) : std::string();
}

std::string DesignCaption(ControlId group, int index) {
  const ControlSpec* option = FindControl(group, index);
  return option != nullptr && option->kind == ControlKind::OptionButton
             ? std::string(option->caption)
             : std::string();
}

}  // namespace

Desk::Desk(Toolkit& toolkit, Grid& grid) : toolkit_(toolkit), grid_(grid) {
  const ControlSpec& extra = *FindControl(ControlId::Option3, 4);
  option3ExtraCaption_ = extra.caption;
  option3ExtraToolTip_ = extra.toolTip;
}

// --- Folder choices ----------------------------------------------------------

int Desk::SelectedOption(ControlId group) const {
  switch (group) {
    case ControlId::Option1:
      return option1Selected_;
    case ControlId::Option2:
      return option2Selected_;
    case ControlId::Option3:
      return option3Selected_;
    default:
      return 0;
  }
}

// Entry 4 of Option3 (the extra folder) has the caption the operator last
// gave it.
std::string Desk::OptionCaption(ControlId group, int index) const {
  if (group == ControlId::Option3 && index == 4)
    return option3ExtraCaption_;
  return DesignCaption(group, index);
}

const std::string& Desk::BoxText(ControlId box) const {
  static const std::string kNone;
  switch (box) {
    case ControlId::txt_Info1:
      return txt_Info1_;
    case ControlId::txt_Info2:
      return txt_Info2_;
    case ControlId::txt_Info3:
      return txt_Info3_;
    case ControlId::txt_NbSelV:
      return txt_NbSelV_;
    case ControlId::txt_NbSelH:
      return txt_NbSelH_;
    case ControlId::txt_DIR:
      return txt_DIR_Text_;
    default:
      return kNone;
  }
}

std::string Desk::ExplorerCaption(int index) {
  return MenuCaption(MenuId::MnuSExplorer1, index);
}
std::string Desk::AppsCaption(int index) {
  return MenuCaption(MenuId::MnuSApps, index);
}

void Desk::SelectStartupChoices() {
  Option1_Click(1);
  Option2_Click(6);
  Option3_Click(1);
}

void Desk::FinishStartup() {
  LoadFolder();
  startupDone_ = true;
}

void Desk::ComposeCurrentFolder() {
  currentFolder_ = remailerRoot_ + mailFolder_ + subFolder_;
}

// An index the group does not have is ignored rather than selecting nothing.
void Desk::Option1_Click(int index) {
  if (scanning_)
    return;
  if (index != 1 && index != 2)
    return;
  option1Selected_ = index;
  remailerRoot_ = OptionCaption(ControlId::Option1, index);
  ComposeCurrentFolder();
  if (startupDone_)
    LoadFolder();
}

void Desk::Option2_Click(int index) {
  if (scanning_)
    return;
  if (index != 6)
    return;
  option2Selected_ = index;
  mailFolder_ = OptionCaption(ControlId::Option2, index);
  ComposeCurrentFolder();
  if (startupDone_)
    LoadFolder();
}

void Desk::Option3_Click(int index) {
  if (scanning_)
    return;
  if (index < 1 || index > 4)
    return;
  option3Selected_ = index;
  subFolder_ = OptionCaption(ControlId::Option3, index);
  ComposeCurrentFolder();
  if (startupDone_)
    LoadFolder();
}

void Desk::cmd_GO_Click() {
  LoadFolder();
}

// --- The extra folder ----------------------------------------------------------

void Desk::Frame3_DblClick() {
  if (scanning_)
    return;
  dirBoxWantsFocus_ = false;
  txt_DIR_Text_ = Option3Caption(4);
  txt_DIR_Visible_ = true;
}

void Desk::txt_DIR_DblClick() {
  if (scanning_)
    return;
  FileDialogRequest request;
  request.initialFolder = remailerRoot_ + mailFolder_;
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
    txt_DIR_Text_.clear();
    dirBoxWantsFocus_ = true;
    return;
  }
  txt_DIR_Text_ = path.substr(start, end - start);
  txt_DIR_LostFocus();
}

// A box that is hidden (by the handler itself) has nothing to apply.
void Desk::DirBoxLostFocus() {
  if (txt_DIR_Visible_)
    txt_DIR_LostFocus();
}

void Desk::txt_DIR_LostFocus() {
  if (scanning_)
    return;
  txt_DIR_Visible_ = false;
  option3ExtraCaption_ = txt_DIR_Text_;
  option3ExtraToolTip_ = txt_DIR_Text_;
  toolkit_.DoEvents();
  if (option3Selected_ == 4)
    Option3_Click(4);
}

}  // namespace ndr
