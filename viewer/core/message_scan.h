// Filling the grid from the listed folder, one row per message, with the
// counters of messages, bytes and empty files. While a scan runs the window
// stays responsive; every input that would start another scan or act on the
// grid or the files must then be dropped (Running()).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "folder_choice.h"
#include "grid.h"
#include "message_grid.h"
#include "message_reader.h"
#include "read_ahead.h"
#include "toolkit.h"

namespace ndr {

class MessageScan {
 public:
  MessageScan(Toolkit& toolkit, Grid& grid, MessageGrid& messages, const FolderChoice& folders)
      : toolkit_(toolkit), grid_(grid), messages_(messages), folders_(folders) {}

  bool Running() const { return running_; }
  // Scans started so far: input that began before a scan is over with it.
  std::uint64_t Started() const { return started_; }
  // The counters' texts (txt_Info1, txt_Info2, txt_Info3).
  const std::string& MessagesText() const { return messagesText_; }
  const std::string& BytesText() const { return bytesText_; }
  const std::string& EmptyFilesText() const { return emptyFilesText_; }

  // How often a scan lets pending window events run, and how many threads
  // read its files ahead of the rows at its start.
  void SetEventsInterval(std::chrono::steady_clock::duration interval) {
    eventsInterval_ = interval;
  }
  void SetReaders(int readers) { readers_ = readers; }

  // Lists the chosen folder anew; nothing while a scan runs or once the
  // window is closing.
  void LoadFolder();
  void AddMessageRow(const MessageInfo& info);
  // The window is closing: a scan in progress ends at its next event run,
  // and no other begins.
  void Unload() { unloaded_ = true; }

 private:
  void ScanEntry(ReadAhead::Entry& entry);
  void ShowCounters();
  void LetEventsRunIfDue();

  Toolkit& toolkit_;
  Grid& grid_;
  MessageGrid& messages_;
  const FolderChoice& folders_;
  std::string messagesText_ = "00 000", bytesText_ = "00 000 000 000", emptyFilesText_ = "00 000";
  std::chrono::steady_clock::duration eventsInterval_ = std::chrono::milliseconds(30);
  std::chrono::steady_clock::duration eventsPause_ = eventsInterval_;  // this scan's
  int readers_ = DefaultReaderCount();
  std::uint64_t started_ = 0;
  bool running_ = false, unloaded_ = false;
  // Running totals of the scan in progress (or the last one).
  std::int64_t messagesListed_ = 0, bytesListed_ = 0, emptyFiles_ = 0;
  std::chrono::steady_clock::time_point lastEvents_;
};

}  // namespace ndr
