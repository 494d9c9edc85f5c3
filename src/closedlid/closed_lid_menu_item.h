#pragma once

#include <functional>
#include <memory>

#include "closedlid/closed_lid_controller.h"
#include "platform/ui/menu.h"

namespace vigilix {

// The status menu's "Keep Awake With Lid Closed" for the controller's state;
// none while closed-lid mode is hidden. The reason it cannot be chosen is
// its detail line. `toggle` runs on the next turn of the main queue, so the
// menu closes first.
std::shared_ptr<platform::MenuItem> makeClosedLidMenuItem(const VGXClosedLidMenuItem& look,
                                                          std::function<void()> toggle);

}  // namespace vigilix
