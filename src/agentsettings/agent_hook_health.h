#pragma once

#include <vector>

#include "keepawake/health_line.h"

namespace vigilix::VGXAgentHookHealth {

// The health check's lines: one per tool's hooks file, then the newest record of the hook log
// when there is one. Reads the files anew on every call; any thread.
std::vector<VGXHealthLine> healthLines();

}  // namespace vigilix::VGXAgentHookHealth
