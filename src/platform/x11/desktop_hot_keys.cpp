#include "platform/x11/desktop_hot_keys.h"

#include <cstdlib>

#include "platform/base/logger.h"
#include "platform/runloop/descriptor_sources.h"
#include "platform/x11/x11_hot_key_service.h"

namespace vigilix::platform {

namespace {

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

HotKeySession hotKeySessionFor(const SessionVariables& variables) {
  // XWayland sets DISPLAY too, but its grabs see keys only while one of its
  // own windows has the focus.
  if (!variables.waylandDisplay.empty() || variables.sessionType == "wayland") {
    return HotKeySession::Wayland;
  }
  // A session started without logind (startx from a console says "tty") is
  // X11 as long as there is a display.
  return variables.display.empty() ? HotKeySession::NoDisplay : HotKeySession::X11;
}

void installDesktopHotKeyService() {
  static const Logger log{"run.tarvo.vigilix", "GlobalShortcut"};
  const SessionVariables variables{variable("DISPLAY"), variable("WAYLAND_DISPLAY"),
                                   variable("XDG_SESSION_TYPE")};
  switch (hotKeySessionFor(variables)) {
    case HotKeySession::Wayland:
      log.log("Wayland session: the global shortcut cannot be grabbed, so it does nothing here.");
      return;
    case HotKeySession::NoDisplay:
      log.log("No X display: the global shortcut cannot be grabbed, so it does nothing here.");
      return;
    case HotKeySession::X11:
      break;
  }
  auto service = X11HotKeyService::open(variables.display, DescriptorSources::main());
  if (!service) {
    log.error("The global shortcut does nothing: {}.", service.error());
    return;
  }
  // Never destroyed: the shortcut may be unregistered during exit.
  HotKeyService::setCurrent(service->release());
  log.info("The global shortcut is grabbed on X display {}.", variables.display);
}

}  // namespace vigilix::platform
