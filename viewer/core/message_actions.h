// The actions on the selected messages (delete, flag, view, move to another
// folder) and their workers, one grid row each.
#pragma once

#include <cstdint>
#include <string>

#include "folder_choice.h"
#include "grid.h"
#include "message_grid.h"
#include "platform.h"
#include "toolkit.h"

namespace ndr {

class MessageActions {
 public:
  MessageActions(Toolkit& toolkit, Grid& grid, MessageGrid& messages, const FolderChoice& folders)
      : toolkit_(toolkit), grid_(grid), messages_(messages), folders_(folders) {}

  void DeleteSelected();
  void MoveSelectedToErrors();
  void MoveSelectedToWait();
  void MoveSelectedToExtra();
  void ReleaseSelected();
  void FlagSelected();
  void UnFlagSelected();
  void ViewSelected();
  void ViewSelectedQueuePairs();

  // Workers, one grid row each. Those that delete or move tell whether the
  // row's file left the folder.
  bool DeleteMessageAt(std::int32_t row);
  void ViewMessageAt(std::int32_t row);
  void ViewQueuePairAt(std::int32_t row);
  bool MoveToErrorsAt(std::int32_t row);
  bool MoveToWaitAt(std::int32_t row);
  bool MoveToLocalAt(std::int32_t row);
  bool ReleaseMessageAt(std::int32_t row);

 private:
  using Worker = bool (MessageActions::*)(std::int32_t row);
  using Step = void (MessageActions::*)(std::int32_t row);

  void RemoveSelectedMessages(Worker worker);
  void WalkSelectedRows(Step step);
  void FlagRow(std::int32_t row);
  void UnFlagRow(std::int32_t row);
  std::string RowFileName(std::int32_t row) const;
  FsPath RowPath(std::int32_t row) const;
  bool MoveRowTo(std::int32_t row, const std::string& targetFolder);

  Toolkit& toolkit_;
  Grid& grid_;
  MessageGrid& messages_;
  const FolderChoice& folders_;
};

}  // namespace ndr
