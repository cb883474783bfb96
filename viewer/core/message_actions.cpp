// The actions on the selected messages and their workers, row by row.
#include "message_actions.h"

#include <vector>

#include "launch.h"
#include "safe_rename.h"

namespace ndr {
namespace {

constexpr int kFlagAlignment = 7;  // right, vertically centred

}  // namespace

// --- Actions -----------------------------------------------------------------------

// The workers run from the top of the selection down, on the rows as they
// stood when the action started. A row leaves the grid only when the action
// took its file out of the folder: a file that could not be deleted or
// moved, or that had already gone, stays listed. The rows go in one pass at
// the end, so a large selection costs linear time.
void MessageActions::RemoveSelectedMessages(Worker worker) {
  const MessageGrid::RowRange range = messages_.SelectedRange();
  std::vector<std::int32_t> gone;
  for (std::int32_t row = range.top; row <= range.bottom; ++row) {
    if ((this->*worker)(row) || RowFileName(row).empty())
      gone.push_back(row);
  }
  if (!gone.empty()) {
    const auto dataRows = static_cast<std::size_t>(grid_.Rows() - grid_.FixedRows());
    if (gone.size() >= dataRows) {
      messages_.Reset();
    } else {
      grid_.RemoveItems(gone);
    }
  }
  grid_.SetRow(0);
  grid_.SetCol(0);
  grid_.SetRowSel(0);
  grid_.SetColSel(0);
}

void MessageActions::WalkSelectedRows(Step step) {
  const MessageGrid::RowRange range = messages_.SelectedRange();
  for (std::int32_t row = range.top; row <= range.bottom; ++row)
    (this->*step)(row);
  grid_.SetRow(range.top);
  grid_.SetCol(range.left);
  grid_.SetRowSel(range.bottom);
  grid_.SetColSel(range.right);
}

void MessageActions::DeleteSelected() {
  RemoveSelectedMessages(&MessageActions::DeleteMessageAt);
}
void MessageActions::MoveSelectedToErrors() {
  RemoveSelectedMessages(&MessageActions::MoveToErrorsAt);
}
void MessageActions::MoveSelectedToWait() {
  RemoveSelectedMessages(&MessageActions::MoveToWaitAt);
}
void MessageActions::MoveSelectedToExtra() {
  RemoveSelectedMessages(&MessageActions::MoveToLocalAt);
}
void MessageActions::ReleaseSelected() {
  RemoveSelectedMessages(&MessageActions::ReleaseMessageAt);
}
void MessageActions::FlagSelected() {
  WalkSelectedRows(&MessageActions::FlagRow);
}
void MessageActions::UnFlagSelected() {
  WalkSelectedRows(&MessageActions::UnFlagRow);
}
void MessageActions::ViewSelected() {
  WalkSelectedRows(&MessageActions::ViewMessageAt);
}
void MessageActions::ViewSelectedQueuePairs() {
  WalkSelectedRows(&MessageActions::ViewQueuePairAt);
}

void MessageActions::FlagRow(std::int32_t row) {
  grid_.SetRow(row);
  grid_.SetCol(MessageGrid::kSubjectCol);
  grid_.SetCellPictureAlignment(kFlagAlignment);
  grid_.SetCellPicture(toolkit_.FlagPicture());
}

// Only the flag mark goes; any other picture in the cell stays.
void MessageActions::UnFlagRow(std::int32_t row) {
  grid_.SetRow(row);
  grid_.SetCol(MessageGrid::kSubjectCol);
  if (grid_.CellPicture() == toolkit_.FlagPicture())
    grid_.SetCellPicture(kNoPicture);
}

std::string MessageActions::RowFileName(std::int32_t row) const {
  return std::string(grid_.RowName(row));
}

// The row's entry: the shown folder and the name as listed, kept apart so
// that whatever the name holds it names that one entry. The placeholder row
// has no name and stands for the folder followed by "\\".
FsPath MessageActions::RowPath(std::int32_t row) const {
  const std::string name = RowFileName(row);
  if (name.empty())
    return FsPath(folders_.Current() + "\\");
  return FsPath(folders_.Current(), name);
}

// A row without a name (the placeholder) names no file: its path would be the
// folder itself, which must never be deleted or moved. The ".q0" goes first
// and its partner only after it, so that no ".q0" is ever left without its
// body.
bool MessageActions::DeleteMessageAt(std::int32_t row) {
  const std::string& folder = folders_.Current();
  const std::string name = RowFileName(row);
  if (name.empty() || !RemoveFile(FsPath(folder, name)))
    return false;
  if (!QueuePartnerName(name).empty())
    RemoveFile(FsPath(folder, StoredQueuePartner(folder, name)));
  return true;
}

void MessageActions::ViewMessageAt(std::int32_t row) {
  toolkit_.StartProgram(EditorLaunch(RowPath(row)));
}

void MessageActions::ViewQueuePairAt(std::int32_t row) {
  const std::string& folder = folders_.Current();
  const std::string name = RowFileName(row);
  toolkit_.StartProgram(EditorLaunch(RowPath(row)));
  if (!name.empty() && !QueuePartnerName(name).empty())
    toolkit_.StartProgram(EditorLaunch(FsPath(folder, StoredQueuePartner(folder, name))));
}

// A body whose head is still beside it moves only with the head's row: moved
// alone it would split the pair, and the head would later arrive under
// another name, without it.
bool MessageActions::MoveRowTo(std::int32_t row, const std::string& targetFolder) {
  const std::string name = RowFileName(row);
  if (name.empty()) {
    return false;
  }
  if (EndsWithIgnoreCase(name, ".q1") &&
      PathExists(FsPath(folders_.Current(), name.substr(0, name.size() - 1) + "0"))) {
    return false;
  }
  return SafeRename(folders_.Current(), targetFolder, name);
}

bool MessageActions::MoveToErrorsAt(std::int32_t row) {
  return MoveRowTo(row, folders_.BounceFolder() + "\\Errors");
}
bool MessageActions::MoveToWaitAt(std::int32_t row) {
  return MoveRowTo(row, folders_.BounceFolder() + "\\Wait");
}
bool MessageActions::MoveToLocalAt(std::int32_t row) {
  return MoveRowTo(row, folders_.BounceFolder() + folders_.ExtraFolder());
}
bool MessageActions::ReleaseMessageAt(std::int32_t row) {
  return MoveRowTo(row, folders_.BounceFolder());
}

}  // namespace ndr
