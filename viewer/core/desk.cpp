#include "desk.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "date_time.h"
#include "folder_listing.h"
#include "form_layout.h"
#include "launch.h"
#include "number_format.h"
#include "platform.h"
#include "safe_rename.h"

namespace ndr {
namespace {

// Header texts and widths (in width units) of the 11 columns. Each label ends
// in the blank that the sort commands turn into "+" or "-". The degree sign is
// the 8-bit code page's, like every other text in the grid.
constexpr std::array<std::string_view, 11> kHeaderLabels = {
    "N\xB0 ", "Name: ",  "Size: ",   "Subject: ", "Date: ", "From: ",
    "To: ",   "To_In: ", "Sub_In: ", "Date_In: ", "LL: "};
constexpr std::array<int, 11> kWidthFactors = {3, 6, 6, 5, 18, 5, 5, 25, 25, 18, 4};
constexpr char kColumnLayout[] = " >|< | >|< |< |< |< |< |< |< |> ";

constexpr std::int32_t kNameCol = 1;
constexpr std::int32_t kSubjectCol = 3;
constexpr int kFlagAlignment = 7;  // right, vertically centred
constexpr int kDeleteKey = 46;
constexpr int kLeftButton = 1;
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

// The caption of a menu item of an array, "" for an index it does not have.
std::string MenuCaption(std::string_view menu, int index) {
  for (const MenuSpec& bar : FormMenus()) {
    for (const MenuSpec& item : bar.items) {
      if (item.name == menu && item.index == index)
        return std::string(item.caption);
    }
  }
  return {};
}

std::string DesignCaption(std::string_view group, int index) {
  const ControlSpec* option = FindControl(group, index);
  return option != nullptr && option->kind == ControlKind::OptionButton
             ? std::string(option->caption)
             : std::string();
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

Desk::Desk(Toolkit& toolkit, Grid& grid) : toolkit_(toolkit), grid_(grid) {
  const ControlSpec& extra = *FindControl("Option3", 4);
  option3ExtraCaption_ = extra.caption;
  option3ExtraToolTip_ = extra.toolTip;
}

// --- Folder choices ----------------------------------------------------------

bool Desk::IsOptionGroup(std::string_view name) {
  return name == "Option1" || name == "Option2" || name == "Option3";
}

int Desk::SelectedOption(std::string_view group) const {
  if (group == "Option1")
    return option1Selected_;
  if (group == "Option2")
    return option2Selected_;
  return group == "Option3" ? option3Selected_ : 0;
}

// Entry 4 of Option3 (the extra folder) has the caption the operator last
// gave it.
std::string Desk::OptionCaption(std::string_view group, int index) const {
  if (group == "Option3" && index == 4)
    return option3ExtraCaption_;
  return DesignCaption(group, index);
}

const std::string& Desk::BoxText(std::string_view name) const {
  static const std::string kNone;
  const std::pair<std::string_view, const std::string*> boxes[] = {
      {"txt_Info1", &txt_Info1_},   {"txt_Info2", &txt_Info2_},   {"txt_Info3", &txt_Info3_},
      {"txt_NbSelV", &txt_NbSelV_}, {"txt_NbSelH", &txt_NbSelH_}, {"txt_DIR", &txt_DIR_Text_}};
  for (const auto& [box, text] : boxes) {
    if (box == name)
      return *text;
  }
  return kNone;
}

std::string Desk::ExplorerCaption(int index) {
  return MenuCaption("MnuSExplorer1", index);
}
std::string Desk::AppsCaption(int index) {
  return MenuCaption("MnuSApps", index);
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
  remailerRoot_ = OptionCaption("Option1", index);
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
  mailFolder_ = OptionCaption("Option2", index);
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
  subFolder_ = OptionCaption("Option3", index);
  ComposeCurrentFolder();
  if (startupDone_)
    LoadFolder();
}

void Desk::cmd_GO_Click() {
  LoadFolder();
}

// --- Other programs -------------------------------------------------------------

namespace {

std::string FolderOfMenuItem(int index, const std::string& currentFolder) {
  if (index == 1)
    return OwnProgramFolder();
  if (index == 2)
    return currentFolder;
  return Desk::ExplorerCaption(index);
}

}  // namespace

// A folder window that cannot start is of no consequence: nothing to report.
void Desk::MnuSExplorer1_Click(int index) {
  if (scanning_)
    return;
  if (ExplorerCaption(index).empty())
    return;
  toolkit_.StartProgram(FolderWindowLaunch(true, FolderOfMenuItem(index, currentFolder_)));
}

void Desk::MnuSExplorer2_Click(int index) {
  if (scanning_)
    return;
  if (ExplorerCaption(index).empty())
    return;
  toolkit_.StartProgram(FolderWindowLaunch(false, FolderOfMenuItem(index, currentFolder_)));
}

void Desk::MnuSApps_Click(int index) {
  if (scanning_)
    return;
  const std::string caption = AppsCaption(index);
  if (caption.empty())
    return;
  toolkit_.StartProgram(BatchProgramLaunch(caption, currentFolder_));
  LoadFolder();  // at once, whether the program started or not
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
    ReadAhead files(currentFolder_, scanReaders_, kScanReadAhead);
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
  const std::string_view cells[] = {number,  name,       size,        info.Subject, date, info.From,
                                    info.To, info.To_In, info.Sub_In, dateIn,       lines};
  grid_.SetRowTexts(r, cells);
  grid_.AddItem(FormatZeroPadded(std::int64_t{r} + 1, 3));
}

// --- Grid events -----------------------------------------------------------------

void Desk::MSFlexGrid1_DblClick() {
  if (scanning_)
    return;
  const std::int32_t col = grid_.Col();
  if (grid_.Row() >= grid_.FixedRows() && (col == 0 || col == kSubjectCol)) {
    ViewMessageAt(grid_.Row());
  }
}

// Modifier keys are deliberately not looked at: Shift+Delete deletes too.
void Desk::MSFlexGrid1_KeyUp(int keyCode, int /*shift*/) {
  if (scanning_)
    return;
  if (keyCode == kDeleteKey)
    MnuPOPBDelete_Click();
}

void Desk::MSFlexGrid1_MouseDown(int button, int /*shift*/, float /*x*/, float /*y*/) {
  if (scanning_)
    return;
  if (grid_.MouseRow() == 0) {
    grid_.SetRow(0);
    grid_.SetCol(grid_.MouseCol());
    if (button == kLeftButton) {
      MnuPOPHSortX_Click();
    } else {
      toolkit_.ShowPopupMenu(PopupMenu::Header);
    }
  } else if (button != kLeftButton) {
    toolkit_.ShowPopupMenu(PopupMenu::Body);
  }
}

void Desk::MSFlexGrid1_MouseMove(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
  const std::int32_t r = grid_.MouseRow();
  const std::int32_t c = grid_.MouseCol();
  const bool overBody = r >= 1 && r < grid_.Rows() && c >= 1 && c < grid_.Cols();
  const std::string_view hint = overBody ? grid_.TextMatrix(r, c) : std::string_view();
  if (hint != grid_.ToolTipText())
    grid_.SetToolTipText(hint);
}

void Desk::MSFlexGrid1_MouseUp(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
  if (scanning_)
    return;
  if (grid_.MouseRow() == 0)
    grid_.SetRow(0);
  if (grid_.MouseCol() == 0)
    grid_.SetCol(0);
}

void Desk::MSFlexGrid1_SelChange() {
  UpdateSelectionCount();
}

void Desk::UpdateSelectionCount() {
  const std::int32_t top = std::min(grid_.Row(), grid_.RowSel());
  const std::int32_t bottom = std::max(grid_.Row(), grid_.RowSel());
  const std::int32_t left = std::min(grid_.Col(), grid_.ColSel());
  const std::int32_t right = std::max(grid_.Col(), grid_.ColSel());
  txt_NbSelV_ = std::to_string(bottom - top + 1);
  txt_NbSelH_ = std::to_string(right - left + 1);
}

// --- Sorting ---------------------------------------------------------------------

void Desk::ClearSortMarks() {
  for (std::int32_t c = 0; c < grid_.Cols(); ++c) {
    std::string header(grid_.TextMatrix(0, c));
    if (header.empty() || header.back() == ' ')
      continue;
    header.back() = ' ';
    grid_.SetTextMatrix(0, c, header);
  }
}

void Desk::SortByCurrentColumn(int order, char mark) {
  if (scanning_)
    return;
  grid_.Sort(order);
  ClearSortMarks();
  std::string header(grid_.TextMatrix(0, grid_.Col()));
  if (header.empty())
    return;
  header.back() = mark;
  grid_.SetTextMatrix(0, grid_.Col(), header);
}

void Desk::MnuPOPHSortA_Click() {
  SortByCurrentColumn(1, '+');
}
void Desk::MnuPOPHSortD_Click() {
  SortByCurrentColumn(2, '-');
}

void Desk::MnuPOPHSortX_Click() {
  const std::string_view header = grid_.TextMatrix(0, grid_.Col());
  if (!header.empty() && header.back() == '+') {
    MnuPOPHSortD_Click();
  } else {
    MnuPOPHSortA_Click();
  }
}

// --- Selection and navigation ----------------------------------------------------

void Desk::MnuPOPBSelectAll_Click() {
  if (scanning_)
    return;
  grid_.SetRow(grid_.FixedRows());
  grid_.SetCol(grid_.FixedCols());
  grid_.SetRowSel(grid_.Rows() - 1);
  grid_.SetColSel(grid_.Cols() - 1);
  UpdateSelectionCount();
}

void Desk::cmd_UP_Click() {
  if (scanning_)
    return;
  if (grid_.Row() <= grid_.FixedRows())
    return;
  grid_.SetRow(grid_.Row() - 1);
  grid_.SetRowSel(grid_.Row());
}

void Desk::cmd_DN_Click() {
  if (scanning_)
    return;
  if (grid_.Row() >= grid_.Rows() - 1)
    return;
  grid_.SetRow(grid_.Row() + 1);
  grid_.SetRowSel(grid_.Row());
}

void Desk::cmd_LT_Click() {
  if (scanning_)
    return;
  if (grid_.Col() <= grid_.FixedCols())
    return;
  grid_.SetCol(grid_.Col() - 1);
  grid_.SetColSel(grid_.Col());
}

void Desk::cmd_RT_Click() {
  if (scanning_)
    return;
  if (grid_.Col() >= grid_.Cols() - 1)
    return;
  grid_.SetCol(grid_.Col() + 1);
  grid_.SetColSel(grid_.Col());
}

void Desk::cmd_HO_Click() {
  if (scanning_)
    return;
  grid_.SetRow(0);
  grid_.SetCol(0);
}

// --- Actions -----------------------------------------------------------------------

Desk::RowRange Desk::SelectedRange() const {
  RowRange range{std::min(grid_.Row(), grid_.RowSel()), std::max(grid_.Row(), grid_.RowSel()),
                 std::min(grid_.Col(), grid_.ColSel()), std::max(grid_.Col(), grid_.ColSel())};
  range.top = std::max(range.top, grid_.FixedRows());
  return range;
}

// The workers run from the top of the selection down, on the rows as they
// stood when the action started. A row leaves the grid only when the action
// took its file out of the folder: a file that could not be deleted or
// moved, or that had already gone, stays listed. The rows go in one pass at
// the end, so a large selection costs linear time.
void Desk::RemoveSelectedMessages(Worker worker) {
  if (scanning_)
    return;
  const RowRange range = SelectedRange();
  std::vector<std::int32_t> gone;
  for (std::int32_t row = range.top; row <= range.bottom; ++row) {
    if ((this->*worker)(row) || RowFileName(row).empty())
      gone.push_back(row);
  }
  if (!gone.empty()) {
    const auto dataRows = static_cast<std::size_t>(grid_.Rows() - grid_.FixedRows());
    if (gone.size() >= dataRows) {
      ResetGrid();
    } else {
      grid_.RemoveItems(gone);
    }
  }
  grid_.SetRow(0);
  grid_.SetCol(0);
  grid_.SetRowSel(0);
  grid_.SetColSel(0);
}

void Desk::WalkSelectedRows(void (Desk::*step)(std::int32_t row)) {
  if (scanning_)
    return;
  const RowRange range = SelectedRange();
  for (std::int32_t row = range.top; row <= range.bottom; ++row)
    (this->*step)(row);
  grid_.SetRow(range.top);
  grid_.SetCol(range.left);
  grid_.SetRowSel(range.bottom);
  grid_.SetColSel(range.right);
}

void Desk::MnuPOPBDelete_Click() {
  RemoveSelectedMessages(&Desk::DeleteMessageAt);
}
void Desk::MnuPOPBErrore_Click() {
  RemoveSelectedMessages(&Desk::MoveToErrorsAt);
}
void Desk::MnuPOPBHold_Click() {
  RemoveSelectedMessages(&Desk::MoveToWaitAt);
}
void Desk::MnuPOPBMove4_Click() {
  RemoveSelectedMessages(&Desk::MoveToLocalAt);
}
void Desk::MnuPOPBRelease_Click() {
  RemoveSelectedMessages(&Desk::ReleaseMessageAt);
}
void Desk::MnuPOPBFlag_Click() {
  WalkSelectedRows(&Desk::FlagRow);
}
void Desk::MnuPOPBUnFlag_Click() {
  WalkSelectedRows(&Desk::UnFlagRow);
}
void Desk::MnuPOPBMagic1_Click() {
  WalkSelectedRows(&Desk::ViewMessageAt);
}
void Desk::MnuPOPBMagic2_Click() {
  WalkSelectedRows(&Desk::ViewQueuePairAt);
}

void Desk::FlagRow(std::int32_t row) {
  grid_.SetRow(row);
  grid_.SetCol(kSubjectCol);
  grid_.SetCellPictureAlignment(kFlagAlignment);
  grid_.SetCellPicture(toolkit_.FlagPicture());
}

// Only the flag mark goes; any other picture in the cell stays.
void Desk::UnFlagRow(std::int32_t row) {
  grid_.SetRow(row);
  grid_.SetCol(kSubjectCol);
  if (grid_.CellPicture() == toolkit_.FlagPicture())
    grid_.SetCellPicture(kNoPicture);
}

std::string Desk::RowFileName(std::int32_t row) const {
  if (row < 0 || row >= grid_.Rows())
    return {};
  return std::string(grid_.TextMatrix(row, kNameCol));
}

// The row's entry: the shown folder and the name as listed, kept apart so
// that whatever the name holds it names that one entry. The placeholder row
// has no name and stands for the folder followed by "\\".
FsPath Desk::RowPath(std::int32_t row) const {
  const std::string name = RowFileName(row);
  if (name.empty())
    return FsPath(currentFolder_ + "\\");
  return FsPath(currentFolder_, name);
}

// A row without a name (the placeholder) names no file: its path would be the
// folder itself, which must never be deleted or moved. The ".q0" goes first
// and its partner only after it, so that no ".q0" is ever left without its
// body.
bool Desk::DeleteMessageAt(std::int32_t row) {
  const std::string name = RowFileName(row);
  if (name.empty() || !RemoveFile(FsPath(currentFolder_, name)))
    return false;
  if (!QueuePartnerName(name).empty())
    RemoveFile(FsPath(currentFolder_, StoredQueuePartner(currentFolder_, name)));
  return true;
}

void Desk::ViewMessageAt(std::int32_t row) {
  toolkit_.StartProgram(EditorLaunch(RowPath(row)));
}

void Desk::ViewQueuePairAt(std::int32_t row) {
  const std::string name = RowFileName(row);
  toolkit_.StartProgram(EditorLaunch(RowPath(row)));
  if (!name.empty() && !QueuePartnerName(name).empty())
    toolkit_.StartProgram(
        EditorLaunch(FsPath(currentFolder_, StoredQueuePartner(currentFolder_, name))));
}

// A body whose head is still beside it moves only with the head's row: moved
// alone it would split the pair, and the head would later arrive under
// another name, without it.
bool Desk::MoveRowTo(std::int32_t row, const std::string& targetFolder) {
  const std::string name = RowFileName(row);
  if (name.empty()) {
    return false;
  }
  if (EndsWithIgnoreCase(name, ".q1") &&
      PathExists(FsPath(currentFolder_, name.substr(0, name.size() - 1) + "0"))) {
    return false;
  }
  return SafeRename(currentFolder_, targetFolder, name);
}

bool Desk::MoveToErrorsAt(std::int32_t row) {
  return MoveRowTo(row, remailerRoot_ + mailFolder_ + "\\Errors");
}
bool Desk::MoveToWaitAt(std::int32_t row) {
  return MoveRowTo(row, remailerRoot_ + mailFolder_ + "\\Wait");
}
bool Desk::MoveToLocalAt(std::int32_t row) {
  return MoveRowTo(row, remailerRoot_ + mailFolder_ + option3ExtraCaption_);
}
bool Desk::ReleaseMessageAt(std::int32_t row) {
  return MoveRowTo(row, remailerRoot_ + mailFolder_);
}

}  // namespace ndr
