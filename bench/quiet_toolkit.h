// A toolkit that shows nothing and answers at once, so that the viewer's
// benchmarks time the core's own work.
#pragma once

#include <string>

#include "toolkit.h"

namespace ndr::bench {

class QuietToolkit : public Toolkit {
 public:
  void DoEvents() override {}
  void SetBusy(bool) override {}
  bool StartProgram(const ProgramLaunch&) override { return true; }
  void ShowPopupMenu(PopupMenu) override {}
  PictureHandle FlagPicture() override { return 1; }
  double TwipsPerPixelX() override { return 15; }
  std::string ShowFileDialog(const FileDialogRequest&) override { return {}; }
};

}  // namespace ndr::bench
