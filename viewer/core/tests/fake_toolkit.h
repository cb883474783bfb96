// A toolkit without a window: records what the desk asks of it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit.h"

namespace ndr::test {

class FakeToolkit : public Toolkit {
 public:
  void DoEvents() override {
    ++doEvents;
    if (onDoEvents)
      onDoEvents();
  }
  void SetBusy(bool value) override {
    busy = value;
    if (value)
      ++scans;
  }
  bool StartProgram(const ProgramLaunch& launch) override {
    started.push_back(launch);
    return startSucceeds;
  }
  void ShowPopupMenu(PopupMenu menu) override {
    popups.push_back(menu);
    if (onPopup)
      onPopup(menu);
  }
  PictureHandle FlagPicture() override { return kFlag; }
  double TwipsPerPixelX() override { return twipsPerPixel; }
  std::string ShowFileDialog(const FileDialogRequest& request) override {
    dialogs.push_back(request);
    return dialogAnswer;
  }
  // Batch programs are recorded as any other start; realPrograms starts them.
  std::unique_ptr<WatchedProgram> StartWatchedProgram(const ProgramLaunch& launch) override {
    started.push_back(launch);
    return realPrograms ? Toolkit::StartWatchedProgram(launch) : nullptr;
  }
  void ShowMessage(const std::string& title, const std::string& text) override {
    messages.push_back(title + ": " + text);
  }
  bool realPrograms = false;
  std::vector<std::string> messages;

  static constexpr PictureHandle kFlag = 4242;

  int doEvents = 0;
  int scans = 0;  // SetBusy(true) calls: one per scan
  bool busy = false;
  bool startSucceeds = true;
  double twipsPerPixel = 15;
  std::string dialogAnswer;
  std::function<void()> onDoEvents;
  std::function<void(PopupMenu)> onPopup;
  std::vector<ProgramLaunch> started;
  std::vector<PopupMenu> popups;
  std::vector<FileDialogRequest> dialogs;
};

}  // namespace ndr::test
