// The folder the window lists, as its three option groups compose it: the
// remailer's root, its bounce folder and a folder below that, the last of
// which may be the extra folder the operator types or picks in the edit box.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "form_layout.h"
#include "toolkit.h"

namespace ndr {

class FolderChoice {
 public:
  explicit FolderChoice(Toolkit& toolkit);

  const std::string& Current() const { return current_; }
  const std::string& RemailerRoot() const { return remailerRoot_; }
  const std::string& MailFolder() const { return mailFolder_; }
  const std::string& SubFolder() const { return subFolder_; }
  // The folder the actions move messages out to and back into.
  std::string BounceFolder() const { return remailerRoot_ + mailFolder_; }
  // The extra folder (Option3 entry 4), with its leading backslash.
  const std::string& ExtraFolder() const { return extraCaption_; }
  const std::string& ExtraToolTip() const { return extraToolTip_; }
  // Lists another folder, bypassing the choices: it is then also the root.
  void Show(std::string folder);
  void Compose() { current_ = remailerRoot_ + mailFolder_ + subFolder_; }

  // 0 before the first choice, and for a control that is no option group.
  int Selected(ControlId group) const;
  std::string Caption(ControlId group, int index) const;
  // Each selects an entry of its group and composes the folder anew; false,
  // changing nothing, for an index the group does not have.
  bool SelectRoot(int index);        // Option1
  bool SelectMailFolder(int index);  // Option2
  bool SelectSubFolder(int index);   // Option3

  // The extra folder's edit box: whether it shows, its text (what the
  // operator types counts the moment it is typed), and whether the keyboard
  // focus belongs in it now (asked once: the answer is cleared).
  bool DirBoxVisible() const { return dirBoxVisible_; }
  const std::string& DirBoxText() const { return dirBoxText_; }
  void SetDirBoxText(std::string text) { dirBoxText_ = std::move(text); }
  bool TakeDirBoxFocus() { return std::exchange(dirBoxWantsFocus_, false); }
  // Shows the box with the extra folder in it.
  void OpenDirBox();
  // Lets the operator pick a file in the bounce folder; true when its first
  // folder level is now in the box, to be applied.
  bool PickDirBoxText();
  // Hides the box and takes its text as the extra folder; true when that is
  // the folder chosen, so that the listing is due again.
  bool ApplyDirBox();

 private:
  bool Choose(ControlId group, int index, int& selected, std::string& part);

  Toolkit& toolkit_;
  std::string current_, remailerRoot_, mailFolder_, subFolder_;
  int rootSelected_ = 0, mailSelected_ = 0, subSelected_ = 0;
  std::string extraCaption_, extraToolTip_;
  bool dirBoxVisible_ = false, dirBoxWantsFocus_ = false;
  std::string dirBoxText_;
};

}  // namespace ndr
