// Filling the grid from the shown folder, and the counters.
#include "desk.h"

#include <cmath>

#include "bounce_reason.h"
#include "date_time.h"
#include "number_format.h"

namespace ndr {
namespace {

// Header texts and widths (in width units) of the 12 columns. Each label ends
// in the blank that the sort commands turn into "+" or "-". The degree sign is
// UTF-8, like every other text in the grid.
constexpr std::array<std::string_view, 12> kHeaderLabels = {
    "N\xC2\xB0 ", "Name: ",  "Size: ",   "Subject: ", "Date: ", "From: ",
    "To: ",       "To_In: ", "Sub_In: ", "Date_In: ", "LL: ",   "Reason: "};
constexpr std::array<int, 12> kWidthFactors = {3, 6, 6, 5, 18, 5, 5, 25, 25, 18, 4, 40};
constexpr char kColumnLayout[] = " >|< | >|< |< |< |< |< |< |< |> |< ";
constexpr std::int32_t kReasonCol = 11;

// Records read ahead of the rows at most: enough to keep the readers busy
// while the window repaints, small enough to be no memory at all.
constexpr std::size_t kScanReadAhead = 256;

// Nearest whole number, ties to the even one, whatever the FPU's rounding mode.
std::int32_t RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  double result = floor;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0))
    result = floor + 1.0;
  return static_cast<std::int32_t>(result);
}

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

}  // namespace

// --- Scan ------------------------------------------------------------------------

// Input that comes while a scan runs, in the event runs it allows, is
// dropped: no handler may start a second scan or change the grid or the files
// under it.
class Desk::ScanScope {
 public:
  explicit ScanScope(bool& scanning) : scanning_(scanning) { scanning_ = true; }
  ~ScanScope() { scanning_ = false; }
  ScanScope(const ScanScope&) = delete;
  ScanScope& operator=(const ScanScope&) = delete;

 private:
  bool& scanning_;
};

void Desk::LoadFolder() {
  if (scanning_ || unloaded_)
    return;
  ScanScope scan(scanning_);
  ++scansStarted_;
  messagesListed_ = bytesListed_ = emptyFiles_ = 0;
  ShowScanCounters();
  ResetGrid();
  toolkit_.DoEvents();
  if (unloaded_)
    return;
  {
    BusyScope busy(toolkit_);
    lastEvents_ = std::chrono::steady_clock::now();
    ReadAhead files(currentFolder_, scanReaders_, kScanReadAhead, kMostReaders);
    while (ReadAhead::Entry* entry = files.Next()) {
      ScanEntry(*entry);
      if (unloaded_)
        return;  // the readers stop with `files`
    }
    ShowScanCounters();
  }
  grid_.DropSpareBuffers();  // what a smaller folder left over
  if (grid_.Rows() > grid_.FixedRows() + 1)
    grid_.RemoveItem(grid_.Rows() - 1);
}

void Desk::ScanEntry(ReadAhead::Entry& entry) {
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

void Desk::Form_Unload() {
  unloaded_ = true;
}

void Desk::ShowScanCounters() {
  txt_Info1_ = FormatCount(messagesListed_);
  txt_Info2_ = FormatByteTotal(bytesListed_);
  txt_Info3_ = FormatCount(emptyFiles_);
}

// Often enough for the counters to advance visibly, rarely enough that a
// large scan does not spend its time repainting. The interval counts from the
// end of the last event run, so slow repaints cannot starve the scan.
void Desk::LetEventsRunIfDue() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastEvents_ < scanEventsInterval_)
    return;
  ShowScanCounters();  // shown only when the window can paint them
  toolkit_.DoEvents();
  lastEvents_ = std::chrono::steady_clock::now();
}

void Desk::ResetGrid() {
  // The rows go first, so that clearing touches only the two that stay.
  grid_.SetRows(grid_.FixedRows() + 1);
  grid_.Clear();
  const std::int32_t widthUnit = RoundHalfEven(grid_.FontSize() * toolkit_.TwipsPerPixelX());
  grid_.SetFormatString(kColumnLayout);
  grid_.SetSortKey(kReasonCol, ReasonSortKey);
  for (std::size_t col = 0; col < kHeaderLabels.size(); ++col) {
    grid_.SetTextMatrix(0, static_cast<std::int32_t>(col), std::string(kHeaderLabels[col]));
  }
  for (std::size_t col = 0; col < kWidthFactors.size(); ++col) {
    grid_.SetColWidth(static_cast<std::int32_t>(col), widthUnit * kWidthFactors[col]);
  }
  grid_.SetTextMatrix(1, 0, FormatZeroPadded(1, 3));
  UpdateSelectionCount();
}

// The row's cells are made in place and stored at once: a large scan adds
// rows by the hundred thousand.
void Desk::AddMessageRow(const MessageInfo& info) {
  const std::int32_t r = grid_.Rows() - 1;  // the placeholder row
  // The path without the shown folder and its backslash.
  const std::size_t folderPart = currentFolder_.size() + 1;
  const std::string_view name = info.FileName.size() > folderPart
                                    ? std::string_view(info.FileName).substr(folderPart)
                                    : std::string_view();
  const ShortText number = FormatDecimal(r), size = FormatDecimal(info.Size);
  const ShortText date = FormatGridDate(info.Date), dateIn = FormatGridDate(info.Date_In);
  const ShortText lines = FormatDecimal(info.LL);
  const std::string_view cells[] = {number,      name,      size,    info.Subject,
                                    date,        info.From, info.To, info.To_In,
                                    info.Sub_In, dateIn,    lines,   info.Reason};
  grid_.SetRowTexts(r, cells, kNameCol);
  grid_.AddItem(FormatZeroPadded(std::int64_t{r} + 1, 3));
}

}  // namespace ndr
