#pragma once

#include <string>

namespace vigilix::platform {

// Where the global shortcut can be grabbed: on an X11 session (DISPLAY set,
// no Wayland) with X; under Wayland applications cannot grab keys, and
// without a display there is nothing to grab on.
enum class HotKeySession { X11, Wayland, NoDisplay };

struct SessionVariables {
  std::string display;         // DISPLAY
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string sessionType;     // XDG_SESSION_TYPE
};

HotKeySession hotKeySessionFor(const SessionVariables& variables);

// At program start, before the global shortcut is first used, on the main
// thread: on an X11 session makes a live X11 service on the main loop the
// current hot-key service, for the life of the process. Otherwise, or when
// the display does not answer, the in-process service stays, which grabs
// nothing, and the log says why once.
void installDesktopHotKeyService();

}  // namespace vigilix::platform
