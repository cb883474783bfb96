// A toolkit without a window, which records what the desk asks of it, and
// the bounce files the desk tests list.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "test_support.h"
#include "toolkit.h"

namespace ndr::test {

class FakeToolkit : public Toolkit {
 public:
  void DoEvents() override {
    if (onDoEvents)
      onDoEvents();
  }
  void SetBusy(bool value) override {
    busy = value;
    scans += value ? 1 : 0;
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
  double TwipsPerPixelX() override { return 15; }
  std::string ShowFileDialog(const FileDialogRequest&) override { return dialogAnswer; }
  // Batch programs are recorded as any other start; realPrograms starts them.
  std::unique_ptr<WatchedProgram> StartWatchedProgram(const ProgramLaunch& launch) override {
    started.push_back(launch);
    return realPrograms ? Toolkit::StartWatchedProgram(launch) : nullptr;
  }
  void ShowMessage(const std::string& title, const std::string& text) override {
    messages.push_back(title + ": " + text);
  }

  static constexpr PictureHandle kFlag = 4242;
  bool realPrograms = false, startSucceeds = true, busy = false;
  int scans = 0;  // one per scan
  std::string dialogAnswer;
  std::function<void()> onDoEvents;
  std::function<void(PopupMenu)> onPopup;
  std::vector<ProgramLaunch> started;
  std::vector<PopupMenu> popups;
  std::vector<std::string> messages;
};

// A bounce with its own header and the header of the message it returns.
inline std::string Bounce(const std::string& subject, const std::string& date = "") {
  return "From: MAILER-DAEMON@mx.example.net\r\nTo: remailer@example.com\r\nSubject: " + subject +
         "\r\n" + (date.empty() ? "" : "Date: " + date + "\r\n") +
         "\r\nThe message could not be delivered.\r\n\r\n"
         "To: alice@example.org\r\nSubject: Re: hello\r\n\r\nbody\r\n";
}

}  // namespace ndr::test
