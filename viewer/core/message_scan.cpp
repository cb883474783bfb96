// Filling the grid from the listed folder, and the counters.
#include "message_scan.h"

#include <algorithm>

#include "date_time.h"
#include "number_format.h"

namespace ndr {
namespace {

// Records read ahead of the rows at most: enough to keep the readers busy
// while the window repaints, small enough to be no memory at all.
constexpr std::size_t kScanReadAhead = 256;

// Keeps the window disabled for exactly as long as the scan runs, even when
// the scan ends early by an exception.
class BusyScope {
 public:
  explicit BusyScope(Toolkit& toolkit) : toolkit_(toolkit) { toolkit_.SetBusy(true); }
  ~BusyScope() { toolkit_.SetBusy(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  Toolkit& toolkit_;
};

// Marks the scan as running for as long as it does, whichever way it ends.
class RunningScope {
 public:
  explicit RunningScope(bool& running) : running_(running) { running_ = true; }
  ~RunningScope() { running_ = false; }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;

 private:
  bool& running_;
};

}  // namespace

void MessageScan::LoadFolder() {
  if (running_ || unloaded_)
    return;
  RunningScope scan(running_);
  ++started_;
  messagesListed_ = bytesListed_ = emptyFiles_ = 0;
  ShowCounters();
  messages_.Reset();
  toolkit_.DoEvents();
  if (unloaded_)
    return;
  {
    BusyScope busy(toolkit_);
    lastEvents_ = std::chrono::steady_clock::now();
    eventsPause_ = eventsInterval_;
    ReadAhead files(folders_.Current(), readers_, kScanReadAhead, kMostReaders);
    while (ReadAhead::Entry* entry = files.Next()) {
      ScanEntry(*entry);
      if (unloaded_)
        return;  // the readers stop with `files`
    }
    ShowCounters();
  }
  grid_.DropSpareBuffers();  // what a smaller folder left over
  if (grid_.Rows() > grid_.FixedRows() + 1)
    grid_.RemoveItem(grid_.Rows() - 1);
}

void MessageScan::ScanEntry(ReadAhead::Entry& entry) {
  switch (entry.outcome) {
    case EntryOutcome::NotAFile:
      return;  // as the listing passes over folders: not counted, no event run
    case EntryOutcome::Empty:
      ++emptyFiles_;
      break;
    case EntryOutcome::Message:
      AddMessageRow(entry.info);
      ++messagesListed_;
      bytesListed_ += entry.info.Size;
      break;
  }
  LetEventsRunIfDue();
}

void MessageScan::ShowCounters() {
  messagesText_ = FormatCount(messagesListed_);
  bytesText_ = FormatByteTotal(bytesListed_);
  emptyFilesText_ = FormatCount(emptyFiles_);
}

// Often enough for the counters to advance visibly, rarely enough that a
// large scan does not spend its time repainting. The pause counts from the
// end of the last event run, and grows with that run's cost: a window whose
// grid already holds many rows repaints slowly, and its event runs should
// still take no more than a tenth of the scan. A zero interval runs events
// at every entry.
void MessageScan::LetEventsRunIfDue() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastEvents_ < eventsPause_)
    return;
  ShowCounters();  // shown only when the window can paint them
  toolkit_.DoEvents();
  lastEvents_ = std::chrono::steady_clock::now();
  if (eventsInterval_ > std::chrono::steady_clock::duration::zero())
    eventsPause_ = std::max(eventsInterval_, (lastEvents_ - now) * 9);
}

// The row's cells are made in place and stored at once: a large scan adds
// rows by the hundred thousand.
void MessageScan::AddMessageRow(const MessageInfo& info) {
  const std::int32_t r = grid_.Rows() - 1;  // the placeholder row
  // The path without the listed folder and its backslash.
  const std::size_t folderPart = folders_.Current().size() + 1;
  const std::string_view name = info.FileName.size() > folderPart
                                    ? std::string_view(info.FileName).substr(folderPart)
                                    : std::string_view();
  const ShortText number = FormatDecimal(r), size = FormatDecimal(info.Size);
  const ShortText date = FormatGridDate(info.Date), dateIn = FormatGridDate(info.Date_In);
  const ShortText lines = FormatDecimal(info.LL);
  const std::string_view cells[] = {number,      name,      size,    info.Subject,
                                    date,        info.From, info.To, info.To_In,
                                    info.Sub_In, dateIn,    lines,   info.Reason};
  grid_.SetRowTexts(r, cells, MessageGrid::kNameCol);
  grid_.AddItem(FormatZeroPadded(std::int64_t{r} + 1, 3));
}

}  // namespace ndr
