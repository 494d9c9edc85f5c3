#pragma once

#include <functional>
#include <memory>

#include "platform/ui/view.h"

namespace vigilix {

// The settings section the triggers pane shows when the launch put it here: a
// factory that makes a new view on every call. Empty until set; setting one releases the
// earlier. Main thread only.
namespace VGXAgentSettingsSlot {

using Factory = std::function<std::shared_ptr<platform::View>()>;

const Factory& agentSection();
void setAgentSection(Factory factory);
// The chat app's section, filled the same way.
const Factory& chatSection();
void setChatSection(Factory factory);

}  // namespace VGXAgentSettingsSlot

}  // namespace vigilix
