#include "x11_key_repeat.h"

#include <QGuiApplication>
#include <cstdlib>

#include <xcb/xcb.h>
// The XKB header names a member `explicit`, a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace ndr {

void AskForTrueKeyReleases() {
  // The offscreen platform answers for X11 too, without a connection.
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() != "xcb" || x11 == nullptr || x11->connection() == nullptr)
    return;
  xcb_connection_t* connection = x11->connection();
  constexpr std::uint32_t kFlag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
  const auto cookie =
      xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, kFlag, kFlag, 0, 0, 0);
  // The reply is waited for so that the setting holds before any key arrives.
  std::free(xcb_xkb_per_client_flags_reply(connection, cookie, nullptr));
}

}  // namespace ndr
