#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "keepawake/health_line.h"

namespace vigilix {

class DZLAppController;

// What the desktop does for keeping awake. `desktopInhibited`: whether the
// desktop took the inhibition beside the last lock (none: none taken yet).
// `trayShown`: whether a tray host shows the status item (none: the item is
// not served at all).
std::vector<VGXHealthLine> desktopHealthLines(std::optional<bool> desktopInhibited,
                                              std::optional<bool> trayShown);

// Registers the lines above, read from the live power assertions and the
// controller's status item (held weakly).
void registerDesktopHealthLines(std::weak_ptr<DZLAppController> controller);

}  // namespace vigilix
