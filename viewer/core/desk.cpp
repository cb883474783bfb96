// The window's handlers: each hands its event to the part that does the
// work. While a scan runs, those that would start another scan or act on the
// grid or the files return at once.
#include "desk.h"

namespace ndr {
namespace {

constexpr int kDeleteKey = 46;

}  // namespace

Desk::Desk(Toolkit& toolkit, Grid& grid)
    : folders_(toolkit),
      messages_(toolkit, grid),
      scan_(toolkit, grid, messages_, folders_),
      actions_(toolkit, grid, messages_, folders_),
      programs_(toolkit, folders_) {}

const std::string& Desk::BoxText(ControlId box) const {
  static const std::string kNone;
  switch (box) {
    case ControlId::txt_Info1:
      return scan_.MessagesText();
    case ControlId::txt_Info2:
      return scan_.BytesText();
    case ControlId::txt_Info3:
      return scan_.EmptyFilesText();
    case ControlId::txt_NbSelV:
      return messages_.SelectedRowsText();
    case ControlId::txt_NbSelH:
      return messages_.SelectedColsText();
    case ControlId::txt_DIR:
      return folders_.DirBoxText();
    default:
      return kNone;
  }
}

// --- Start-up and the folder choices -------------------------------------------

void Desk::SelectStartupChoices() {
  Option1_Click(1);
  Option2_Click(6);
  Option3_Click(1);
}

void Desk::FinishStartup() {
  LoadFolder();
  startupDone_ = true;
}

void Desk::ListAfterStartup() {
  if (startupDone_)
    LoadFolder();
}

void Desk::ComposeCurrentFolder() {
  folders_.Compose();
}

void Desk::Option1_Click(int index) {
  if (!Scanning() && folders_.SelectRoot(index))
    ListAfterStartup();
}
void Desk::Option2_Click(int index) {
  if (!Scanning() && folders_.SelectMailFolder(index))
    ListAfterStartup();
}
void Desk::Option3_Click(int index) {
  if (!Scanning() && folders_.SelectSubFolder(index))
    ListAfterStartup();
}

void Desk::cmd_GO_Click() {
  LoadFolder();
}

void Desk::Frame3_DblClick() {
  if (!Scanning())
    folders_.OpenDirBox();
}

void Desk::txt_DIR_DblClick() {
  if (!Scanning() && folders_.PickDirBoxText())
    txt_DIR_LostFocus();
}

// A box that is hidden (by the handler itself) has nothing to apply.
void Desk::DirBoxLostFocus() {
  if (folders_.DirBoxVisible())
    txt_DIR_LostFocus();
}

void Desk::txt_DIR_LostFocus() {
  if (!Scanning() && folders_.ApplyDirBox())
    Option3_Click(4);
}

// --- Programs --------------------------------------------------------------------

void Desk::MnuSExplorer1_Click(int index) {
  if (!Scanning())
    programs_.StartFolderWindow(true, index);
}
void Desk::MnuSExplorer2_Click(int index) {
  if (!Scanning())
    programs_.StartFolderWindow(false, index);
}

// The folder is listed again at once, whether the program started or not.
void Desk::MnuSApps_Click(int index) {
  if (!Scanning() && programs_.StartBatchProgram(index))
    LoadFolder();
}

// --- Scan ------------------------------------------------------------------------

void Desk::Form_Unload() {
  scan_.Unload();
}
Desk::CloseAnswer Desk::Form_QueryUnload() {
  if (!Scanning())
    return CloseAnswer::Now;
  closeAsked_ = true;
  Form_Unload();
  return CloseAnswer::WhenScanEnds;
}
void Desk::LoadFolder() {
  scan_.LoadFolder();
}
void Desk::ResetGrid() {
  messages_.Reset();
}
void Desk::AddMessageRow(const MessageInfo& info) {
  scan_.AddMessageRow(info);
}

// --- Grid events, selection and sorting ------------------------------------------

void Desk::MSFlexGrid1_DblClick() {
  if (Scanning())
    return;
  const std::int32_t row = messages_.RowToView();
  if (row >= 0)
    actions_.ViewMessageAt(row);
}

// Modifier keys are deliberately not looked at: Shift+Delete deletes too.
void Desk::MSFlexGrid1_KeyUp(int keyCode, int /*shift*/) {
  if (!Scanning() && keyCode == kDeleteKey)
    MnuPOPBDelete_Click();
}

void Desk::MSFlexGrid1_MouseDown(int button, int /*shift*/, float /*x*/, float /*y*/) {
  if (!Scanning())
    messages_.MouseDown(button);
}
// The hint follows the pointer during a scan too.
void Desk::MSFlexGrid1_MouseMove(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
  messages_.MouseMove();
}
void Desk::MSFlexGrid1_MouseUp(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
  if (!Scanning())
    messages_.MouseUp();
}
void Desk::MSFlexGrid1_SelChange() {
  messages_.UpdateSelectionCount();
}
void Desk::UpdateSelectionCount() {
  messages_.UpdateSelectionCount();
}

void Desk::ClearSortMarks() {
  messages_.ClearSortMarks();
}
void Desk::MnuPOPHSortX_Click() {
  if (!Scanning())
    messages_.SortToggle();
}
void Desk::MnuPOPHSortA_Click() {
  if (!Scanning())
    messages_.SortAscending();
}
void Desk::MnuPOPHSortD_Click() {
  if (!Scanning())
    messages_.SortDescending();
}

void Desk::MnuPOPBSelectAll_Click() {
  if (!Scanning())
    messages_.SelectAll();
}
void Desk::cmd_UP_Click() {
  if (!Scanning())
    messages_.MoveUp();
}
void Desk::cmd_DN_Click() {
  if (!Scanning())
    messages_.MoveDown();
}
void Desk::cmd_LT_Click() {
  if (!Scanning())
    messages_.MoveLeft();
}
void Desk::cmd_RT_Click() {
  if (!Scanning())
    messages_.MoveRight();
}
void Desk::cmd_HO_Click() {
  if (!Scanning())
    messages_.MoveHome();
}

// --- Actions on the selected messages --------------------------------------------

void Desk::MnuPOPBDelete_Click() {
  if (!Scanning())
    actions_.DeleteSelected();
}
void Desk::MnuPOPBFlag_Click() {
  if (!Scanning())
    actions_.FlagSelected();
}
void Desk::MnuPOPBUnFlag_Click() {
  if (!Scanning())
    actions_.UnFlagSelected();
}
void Desk::MnuPOPBMagic1_Click() {
  if (!Scanning())
    actions_.ViewSelected();
}
void Desk::MnuPOPBMagic2_Click() {
  if (!Scanning())
    actions_.ViewSelectedQueuePairs();
}
void Desk::MnuPOPBErrore_Click() {
  if (!Scanning())
    actions_.MoveSelectedToErrors();
}
void Desk::MnuPOPBHold_Click() {
  if (!Scanning())
    actions_.MoveSelectedToWait();
}
void Desk::MnuPOPBMove4_Click() {
  if (!Scanning())
    actions_.MoveSelectedToExtra();
}
void Desk::MnuPOPBRelease_Click() {
  if (!Scanning())
    actions_.ReleaseSelected();
}

}  // namespace ndr
