#pragma once

#include <string>

namespace vigilix::platform {

// What the desktop session lets an application see of the X display: on an
// X11 session (DISPLAY set, no Wayland) keys can be grabbed and the active
// window and the input idle time read. Under Wayland, XWayland's display sees
// only its own clients, and without a display there is nothing to read.
enum class DesktopSession { X11, Wayland, NoDisplay };

struct SessionVariables {
  std::string display;         // DISPLAY
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string sessionType;     // XDG_SESSION_TYPE

  // As the environment of this process says.
  static SessionVariables current();
};

DesktopSession desktopSessionFor(const SessionVariables& variables);

}  // namespace vigilix::platform
