// ndr_Desk: the viewer of returned mail. One copy per user: a second start
// brings the running copy's window to the front and ends.
#include <QApplication>

#include "desk_window.h"
#include "single_instance.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("ndr_Desk");
  QGuiApplication::setDesktopFileName("ndr_Desk");  // the installed entry's icon and name

  ndr::SingleInstance instance(ndr::SingleInstance::UserInstanceName());
  if (instance.ActivatePrevInstance())
    return 0;

  ndr::DeskWindow window;
  instance.Listen();
  QObject::connect(&instance, &ndr::SingleInstance::activationRequested, &window,
                   &ndr::DeskWindow::BringToFront);
  window.Start();
  return QApplication::exec();
}
