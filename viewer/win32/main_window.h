// The window frm_ndr_Desk for Windows: the form's controls as plain Win32
// windows at their twips positions, the menus, the tooltips and the message
// grid, over the core's Desk. Each control's event calls the Desk handler of
// the same name; afterwards the controls show the Desk's state again. The
// window is also the Desk's toolkit.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "desk.h"
#include "desk_protocol.h"
#include "grid.h"
#include "grid_window.h"
#include "toolkit.h"

namespace ndr::win32 {

class MainWindow : public Toolkit {
 public:
  explicit MainWindow(HINSTANCE instance);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  static bool RegisterClasses(HINSTANCE instance);
  // Builds the window, hidden, with its client area at the form's size.
  bool Create();
  // Start-up after the check for a running copy: centre, title, default
  // choices, show, one scan.
  void Start();
  HWND Handle() const { return hwnd_; }
  // The menus' keyboard shortcuts; true when the message was one.
  bool TranslateShortcut(MSG& message);

  // Toolkit
  void DoEvents() override;
  void SetBusy(bool busy) override;
  bool StartProgram(const ProgramLaunch& launch) override;
  void ShowPopupMenu(PopupMenu menu) override;
  PictureHandle FlagPicture() override;
  double TwipsPerPixelX() override;
  std::string ShowFileDialog(const FileDialogRequest& request) override;
  void ShowMessage(const std::string& title, const std::string& text) override;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK DirBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  int Px(int twips) const;
  RECT PixelRect(const TwipsRect& twips) const;
  void BuildControls();
  HWND CreateControl(const ControlSpec& control, HWND parent);
  void AddToolTip(HWND control, const std::string& text);
  void UpdateToolTip(HWND control, const std::string& text);
  void BuildMenus();
  void AddMenuItems(HMENU menu, const MenuSpec& desc, std::vector<ACCEL>& shortcuts);
  void SizeAndCentre();

  void Run(const std::function<void()>& handler);
  void SyncFromDesk();
  void SyncCounters();
  void OnCommand(int id, int code);
  void RunMenuCommand(int id);
  void DrawButton(const DRAWITEMSTRUCT& item);
  LRESULT ControlColours(HDC dc, HWND control);
  const ControlSpec* SpecOf(HWND control) const;
  HWND Control(ControlId id, int index = 0) const;
  void OnDirLostFocus(HWND newFocus);

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HWND toolTip_ = nullptr;
  HFONT formFont_ = nullptr;
  HFONT gridFont_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  HMENU headerMenu_ = nullptr;
  HMENU bodyMenu_ = nullptr;
  HACCEL shortcuts_ = nullptr;
  WNDPROC dirBoxDefault_ = nullptr;
  double twipsPerPixel_ = 15.0;

  Grid grid_;
  std::unique_ptr<Desk> desk_;
  std::unique_ptr<GridWindow> gridWindow_;
  std::vector<HWND> controls_;   // by position in FormControls()
  std::vector<HBRUSH> brushes_;  // background of each control, or null
  std::array<std::string, 5> shownCounters_;
  std::string shownExtraToolTip_;

  WPARAM lastPing_ = 0;
  int runDepth_ = 0;
  bool busy_ = false;
  bool inDirDoubleClick_ = false;
};

// What a second copy does: brings the running copy's window to the front,
// restored if minimised. False when no running copy's window was found.
bool ActivatePrevInstance();

}  // namespace ndr::win32
