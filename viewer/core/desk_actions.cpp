// The actions on the selected messages and their workers, row by row.
#include "desk.h"

#include <algorithm>

#include "launch.h"
#include "platform.h"
#include "safe_rename.h"

namespace ndr {
namespace {

constexpr int kFlagAlignment = 7;  // right, vertically centred

}  // namespace

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
  return std::string(grid_.RowName(row));
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
