#include "platform/x11/desktop_hot_keys.h"

#include "platform/base/logger.h"
#include "platform/runloop/descriptor_sources.h"
#include "platform/x11/desktop_session.h"
#include "platform/x11/x11_hot_key_service.h"

namespace vigilix::platform {

void installDesktopHotKeyService() {
  static const Logger log{"GlobalShortcut"};
  const SessionVariables variables = SessionVariables::current();
  switch (desktopSessionFor(variables)) {
    case DesktopSession::Wayland:
      log.log("Wayland session: the global shortcut cannot be grabbed, so it does nothing here.");
      return;
    case DesktopSession::NoDisplay:
      log.log("No X display: the global shortcut cannot be grabbed, so it does nothing here.");
      return;
    case DesktopSession::X11:
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
