#pragma once

#include <functional>
#include <memory>

#include "platform/ui/view.h"

namespace vigilix {

// The closed-lid section the General pane shows when the direct build put it
// here: a factory that makes a new view on every call. Empty until set; the
// pane shows a placeholder line meanwhile. Main thread only.
namespace VGXClosedLidSettingsSlot {

using Factory = std::function<std::shared_ptr<platform::View>()>;

const Factory& section();
void setSection(Factory factory);

}  // namespace VGXClosedLidSettingsSlot

}  // namespace vigilix
