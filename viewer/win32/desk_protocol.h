// What the Win32 window shows to other programs besides its pixels: the
// window classes, the control identifiers and the grid's messages for reading
// its cells, as tools such as screen readers or the window's tests use them.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "form_layout.h"

namespace ndr::win32 {

constexpr char kDeskWindowClass[] = "ndr_Desk_frm_ndr_Desk";
constexpr char kFrameWindowClass[] = "ndr_Desk_Frame";
constexpr char kGridWindowClass[] = "ndr_Desk_Grid";

// The numeric identifiers of the controls and the menu commands, from the
// form's identifiers and design indexes: one range for the controls, one for
// the menus.
constexpr int kFirstControlId = 1000;
constexpr int kFirstMenuCommandId = 2000;
constexpr int kIdsPerName = kMaxDesignIndex + 1;
static_assert(kFirstControlId + kControlIdCount * kIdsPerName <= kFirstMenuCommandId);
static_assert(kFirstMenuCommandId + kMenuIdCount * kIdsPerName < 0xF000);  // below SC_ ids

constexpr int ControlWindowId(ControlId id, int index = 0) {
  return kFirstControlId + static_cast<int>(id) * kIdsPerName + index;
}
constexpr int MenuCommandId(MenuId id, int index = 0) {
  return kFirstMenuCommandId + static_cast<int>(id) * kIdsPerName + index;
}
// The control or menu item a numeric identifier stands for, or nullptr.
inline const ControlSpec* ControlOfWindowId(int windowId) {
  const int n = windowId - kFirstControlId;
  if (n < 0 || n >= kControlIdCount * kIdsPerName)
    return nullptr;
  return FindControl(static_cast<ControlId>(n / kIdsPerName), n % kIdsPerName);
}
inline const MenuSpec* MenuItemOfCommandId(int commandId) {
  const int n = commandId - kFirstMenuCommandId;
  if (n < 0 || n >= kMenuIdCount * kIdsPerName)
    return nullptr;
  return FindMenuItem(static_cast<MenuId>(n / kIdsPerName), n % kIdsPerName);
}

// The grid's messages. Counts and the selection come back as the result;
// WM_GETTEXT reads the cell named by the last kGridPickCell.
constexpr UINT kGridGetRows = WM_APP + 1;
constexpr UINT kGridGetCols = WM_APP + 2;
constexpr UINT kGridGetSelection = WM_APP + 3;  // wParam: 0 Row, 1 Col, 2 RowSel, 3 ColSel
constexpr UINT kGridPickCell = WM_APP + 4;      // wParam row, lParam column
// The centre of a cell in the grid's client coordinates as MAKELPARAM(x, y),
// -1 when the cell is not in view.
constexpr UINT kGridCellCentre = WM_APP + 5;
constexpr UINT kGridHasFlag = WM_APP + 6;  // wParam row: 1 when its Subject cell is flagged
// WM_GETTEXT reads the hint the grid gives its tooltip ("" when none shows).
constexpr UINT kGridPickHint = WM_APP + 7;

// The main window's state: 1 once start-up is over and no handler (a scan)
// runs, else 0. With a wParam other than 0, also only once the kDeskPing with
// that wParam has come: posted after some input, it tells when the window has
// taken that input (sent messages overtake posted ones).
constexpr UINT kDeskIsReady = WM_APP + 20;
constexpr UINT kDeskPing = WM_APP + 21;
// The timer that looks at the batch programs started from the Apps menu.
constexpr UINT_PTR kProgramsTimer = 1;

// For the programs on the other side: the control of the window that has
// identifier id, or nullptr.
inline HWND FindControlWindow(HWND main, int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      main,
      [](HWND child, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (GetDlgCtrlID(child) != s->id)
          return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// kDeskIsReady asked of the window, waiting at most timeoutMs for an answer.
inline bool DeskIsReady(HWND main, WPARAM ping, UINT timeoutMs) {
  DWORD_PTR ready = 0;
  return SendMessageTimeoutA(main, kDeskIsReady, ping, 0, SMTO_ABORTIFHUNG, timeoutMs, &ready) !=
             0 &&
         ready == 1;
}

}  // namespace ndr::win32
