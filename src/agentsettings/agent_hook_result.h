#pragma once

#include "agentcontracts/agent_hook_log.h"
#include "keepawake/health_line.h"

namespace vigilix::VGXAgentHookHealth {

// The "Last agent hook" line of a hook log record: the record as logged, and what its result
// means when "ok" does not say it all. Events the application ignored as late are fine; every
// line that needs attention says what to do.
VGXHealthLine lastHookLine(const VGXAgentHookRecord& record);

}  // namespace vigilix::VGXAgentHookHealth
