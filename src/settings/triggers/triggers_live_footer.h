#pragma once

#include <string>
#include <vector>

#include "keepawake/awake_state.h"
#include "menubar/awake_status_text.h"
#include "triggers/trigger_reason.h"

namespace vigilix {

// The "Right now" line of the Triggers pane: the pause, else the clause of
// the first matching reason in the menu's words, else that nothing matches.
std::string triggersLiveFooter(const TriggerPause& pause, const std::vector<TriggerReason>& reasons,
                               const StatusTextContext& context);

}  // namespace vigilix
