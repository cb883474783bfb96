// What the viewer's logic needs from the window toolkit, and nothing more.
// The Qt window implements it; the tests use a fake that records the calls.
#pragma once

#include <memory>
#include <string>

#include "grid.h"
#include "platform.h"
#include "watched_program.h"

namespace ndr {

enum class PopupMenu { Header, Body };  // MnuPOPH, MnuPOPB

struct FileDialogRequest {
  std::string fileName;       // "" at start
  std::string initialFolder;  // as the programs write it (P:\...)
  std::string filter;         // "cnm(*.cnm)|*.cnm|All Files(*.*)|*.*"
  std::string title;          // "Bounces Subdirectory"
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;
  // Lets pending window events run (repaint, counters).
  virtual void DoEvents() = 0;
  // Hourglass pointer and no input (true), or back to normal (false).
  virtual void SetBusy(bool busy) = 0;
  // Starts a program without waiting; false when it could not start.
  virtual bool StartProgram(const ProgramLaunch& launch) = 0;
  // Shows a popup menu at the mouse pointer; modal: the chosen item's handler
  // runs before this returns.
  virtual void ShowPopupMenu(PopupMenu menu) = 0;
  // The window's own icon, used as the flag mark.
  virtual PictureHandle FlagPicture() = 0;
  // The screen's twips per pixel in the horizontal direction (15 at 96 dpi).
  virtual double TwipsPerPixelX() = 0;
  // A file-open dialog; the chosen file's full path, "" when cancelled.
  virtual std::string ShowFileDialog(const FileDialogRequest& request) = 0;

  // --- Batch programs watched until they end (program_watch.h) ---
  // Starts a program without waiting, its standard error and exit status
  // kept; null when it could not start.
  virtual std::unique_ptr<WatchedProgram> StartWatchedProgram(const ProgramLaunch& launch) {
    auto program = std::make_unique<WatchedProgram>();
    return program->Start(launch) ? std::move(program) : nullptr;
  }
  // A message box with the title and the text, and an OK button.
  virtual void ShowMessage(const std::string& title, const std::string& text) {
    (void)title;
    (void)text;
  }
};

}  // namespace ndr
