// ndr_Desk for Windows: the viewer of returned mail as a native window. One
// copy per user session: a second start brings the running copy's window to
// the front and ends without a window of its own.
#include "main_window.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  // Held until the program ends; the system closes it then.
  CreateMutexA(nullptr, FALSE, "Local\\ndr_Desk.RunningCopy");
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    ndr::win32::ActivatePrevInstance();
    return 0;
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  if (!ndr::win32::MainWindow::RegisterClasses(instance))
    return 1;
  ndr::win32::MainWindow window(instance);
  if (!window.Create())
    return 1;
  window.Start();
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!window.TranslateShortcut(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
