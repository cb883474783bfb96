// The viewer's window frm_ndr_Desk, without widgets: the window shows this
// state and forwards its events here; after each handler it reads the state
// back. Each handler is a short entry point into the part of the window that
// does the work: the folder choice, the scan into the grid, the grid's
// selection, navigation and sorting, the actions on messages, and the
// programs started from the menus.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "folder_choice.h"
#include "form_layout.h"
#include "grid.h"
#include "message_actions.h"
#include "message_grid.h"
#include "message_reader.h"
#include "message_scan.h"
#include "program_starter.h"
#include "toolkit.h"

namespace ndr {

class Desk {
 public:
  Desk(Toolkit& toolkit, Grid& grid);

  // --- State, as the window shows it --------------------------------------
  const std::string& CurrentFolder() const { return folders_.Current(); }
  const std::string& RemailerRoot() const { return folders_.RemailerRoot(); }
  const std::string& MailFolder() const { return folders_.MailFolder(); }
  const std::string& SubFolder() const { return folders_.SubFolder(); }
  bool StartupDone() const { return startupDone_; }
  // Lists another folder, bypassing the choices (benchmarks, tests): it is
  // then also the root the actions' target folders are built on.
  void ShowFolder(std::string folder) { folders_.Show(std::move(folder)); }

  // Option groups: the selected index (0 before start-up, and for a control
  // that is no option group), and the captions by design index.
  int SelectedOption(ControlId group) const { return folders_.Selected(group); }
  std::string OptionCaption(ControlId group, int index) const {
    return folders_.Caption(group, index);
  }
  std::string Option3Caption(int index) const { return OptionCaption(ControlId::Option3, index); }
  const std::string& Option3ExtraToolTip() const { return folders_.ExtraToolTip(); }
  // Menu item captions by design index: MnuSExplorer1/2 (1..7), MnuSApps
  // (1, 2); "" for an index the menu does not have.
  static std::string ExplorerCaption(int index) { return ProgramStarter::ExplorerCaption(index); }
  static std::string AppsCaption(int index) { return ProgramStarter::AppsCaption(index); }

  // The text of a display box (txt_Info1..3, txt_NbSelV, txt_NbSelH).
  const std::string& BoxText(ControlId box) const;

  // How often a scan lets pending window events run, and how many threads
  // read its files ahead of the rows at its start (more join while the reads
  // wait on the disk; 0: one after the other on the window's thread).
  void SetScanEventsInterval(std::chrono::steady_clock::duration interval) {
    scan_.SetEventsInterval(interval);
  }
  void SetScanReaders(int readers) { scan_.SetReaders(readers); }

  // The extra folder's edit box: whether it shows, its text (what the
  // operator types counts the moment it is typed), and whether the keyboard
  // focus belongs in it now (asked once: the answer is cleared).
  bool DirBoxVisible() const { return folders_.DirBoxVisible(); }
  const std::string& DirBoxText() const { return folders_.DirBoxText(); }
  void txt_DIR_Change(std::string text) { folders_.SetDirBoxText(std::move(text)); }
  bool TakeDirBoxFocus() { return folders_.TakeDirBoxFocus(); }

  // Scans started so far: input that began before a scan is over with it.
  std::uint64_t ScansStarted() const { return scan_.Started(); }

  // --- Start-up (the window centres itself, checks for a running copy and
  // shows itself around these) -------------------------------------------
  void SelectStartupChoices();  // Option1_Click(1), Option2_Click(6), Option3_Click(1)
  void FinishStartup();         // LoadFolder, then StartupDone

  // --- Folder choices and window commands ---------------------------------
  void ComposeCurrentFolder();
  void Option1_Click(int index);
  void Option2_Click(int index);
  void Option3_Click(int index);
  void cmd_GO_Click();
  void MnuSExplorer1_Click(int index);
  void MnuSExplorer2_Click(int index);
  void MnuSApps_Click(int index);
  // Called by the window's timer: shows the report of a batch program
  // started from the Apps menu that ended with exit status 1.
  void PollPrograms() { programs_.Poll(); }
  void Frame3_DblClick();
  void txt_DIR_DblClick();
  void txt_DIR_LostFocus();
  void DirBoxLostFocus();  // the window's event: only a shown box applies its text
  // The window is closing: a scan in progress ends at its next event run,
  // and no other begins.
  void Form_Unload();
  // The operator asks the window to close. Outside a scan it closes now.
  // During one the close is remembered and the scan cut short; the window
  // closes once the scan is over, when CloseDue says so: closing it under
  // the running scan would pull the window from under the handler.
  enum class CloseAnswer { Now, WhenScanEnds };
  CloseAnswer Form_QueryUnload();
  bool CloseDue() const { return closeAsked_ && !Scanning(); }

  // --- Scan ----------------------------------------------------------------
  // While a scan runs (including the event runs it allows), every handler
  // that would start a scan or act on the grid or the files does nothing.
  bool Scanning() const { return scan_.Running(); }
  void LoadFolder();
  void ResetGrid();
  void AddMessageRow(const MessageInfo& info);

  // --- Grid events, selection and sorting ---------------------------------
  void MSFlexGrid1_DblClick();
  void MSFlexGrid1_KeyUp(int keyCode, int shift);
  void MSFlexGrid1_MouseDown(int button, int shift, float x, float y);
  void MSFlexGrid1_MouseMove(int button, int shift, float x, float y);
  void MSFlexGrid1_MouseUp(int button, int shift, float x, float y);
  void MSFlexGrid1_SelChange();
  void UpdateSelectionCount();
  void ClearSortMarks();
  void MnuPOPHSortX_Click();
  void MnuPOPHSortA_Click();
  void MnuPOPHSortD_Click();
  void MnuPOPBSelectAll_Click();
  void cmd_UP_Click();
  void cmd_DN_Click();
  void cmd_LT_Click();
  void cmd_RT_Click();
  void cmd_HO_Click();

  // --- Actions on the selected messages -----------------------------------
  void MnuPOPBDelete_Click();
  void MnuPOPBFlag_Click();
  void MnuPOPBUnFlag_Click();
  void MnuPOPBMagic1_Click();
  void MnuPOPBMagic2_Click();
  void MnuPOPBErrore_Click();
  void MnuPOPBHold_Click();
  void MnuPOPBMove4_Click();
  void MnuPOPBRelease_Click();
  void cmd_DELETE_Click() { MnuPOPBDelete_Click(); }
  void cmd_FLAG_Click() { MnuPOPBFlag_Click(); }
  void cmd_UNFLAG_Click() { MnuPOPBUnFlag_Click(); }
  void cmd_MAGIC1_Click() { MnuPOPBMagic1_Click(); }
  void cmd_MAGIC2_Click() { MnuPOPBMagic2_Click(); }
  void cmd_ERRORE_Click() { MnuPOPBErrore_Click(); }
  void cmd_HOLD_Click() { MnuPOPBHold_Click(); }
  void cmd_RELEASE_Click() { MnuPOPBRelease_Click(); }

  // Workers, one grid row each. Those that delete or move tell whether the
  // row's file left the folder.
  bool DeleteMessageAt(std::int32_t row) { return actions_.DeleteMessageAt(row); }
  void ViewMessageAt(std::int32_t row) { actions_.ViewMessageAt(row); }
  void ViewQueuePairAt(std::int32_t row) { actions_.ViewQueuePairAt(row); }
  bool MoveToErrorsAt(std::int32_t row) { return actions_.MoveToErrorsAt(row); }
  bool MoveToWaitAt(std::int32_t row) { return actions_.MoveToWaitAt(row); }
  bool MoveToLocalAt(std::int32_t row) { return actions_.MoveToLocalAt(row); }
  bool ReleaseMessageAt(std::int32_t row) { return actions_.ReleaseMessageAt(row); }

 private:
  // The option groups' folder part changed: listed again once started up.
  void ListAfterStartup();

  FolderChoice folders_;
  MessageGrid messages_;
  MessageScan scan_;
  MessageActions actions_;
  ProgramStarter programs_;
  bool startupDone_ = false;
  bool closeAsked_ = false;
};

}  // namespace ndr
