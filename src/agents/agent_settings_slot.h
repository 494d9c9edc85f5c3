#pragma once

#include <functional>
#include <memory>

#include "platform/ui/view.h"

namespace vigilix {

// The settings sections the triggers pane shows when the launch put them here: each is a
// factory that makes a new view on every call. Empty until set; setting one releases the
// earlier. Main thread only.
namespace VGXAgentSettingsSlot {

using Factory = std::function<std::shared_ptr<platform::View>()>;

const Factory& agentSection();
void setAgentSection(Factory factory);
const Factory& presenceSection();
void setPresenceSection(Factory factory);

}  // namespace VGXAgentSettingsSlot

}  // namespace vigilix
