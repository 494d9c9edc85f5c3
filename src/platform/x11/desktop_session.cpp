#include "platform/x11/desktop_session.h"

#include <cstdlib>

namespace vigilix::platform {

namespace {

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

SessionVariables SessionVariables::current() {
  return {variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("XDG_SESSION_TYPE")};
}

DesktopSession desktopSessionFor(const SessionVariables& variables) {
  // XWayland sets DISPLAY too, but its grabs see keys only while one of its
  // own windows has the focus.
  if (!variables.waylandDisplay.empty() || variables.sessionType == "wayland") {
    return DesktopSession::Wayland;
  }
  // A session started without logind (startx from a console says "tty") is
  // X11 as long as there is a display.
  return variables.display.empty() ? DesktopSession::NoDisplay : DesktopSession::X11;
}

}  // namespace vigilix::platform
