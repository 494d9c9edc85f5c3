#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "keepawake/health_line.h"
#include "platform/power/session_inhibitor.h"

namespace vigilix {

class DZLAppController;

// The desktop's inhibition beside the last lock: taken, or why not (none: no
// lock taken yet).
using DesktopInhibited = std::optional<std::expected<void, platform::SessionInhibitFailure>>;

// What the desktop does for keeping awake. `trayShown`: whether a tray host
// shows the status item (none: the item is not served at all). Only what the
// person can mend needs attention, and its line says how.
std::vector<VGXHealthLine> desktopHealthLines(DesktopInhibited desktopInhibited,
                                              std::optional<bool> trayShown);

// Registers the lines above, read from the live power assertions and the
// controller's status item (held weakly).
void registerDesktopHealthLines(std::weak_ptr<DZLAppController> controller);

}  // namespace vigilix
