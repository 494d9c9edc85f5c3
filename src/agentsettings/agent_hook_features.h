#pragma once

namespace vigilix {

// Once, at launch, before any settings window: registers the agent hooks' health lines and puts
// the agent settings section's factory in its slot. Main thread.
void installAgentHookFeatures();

}  // namespace vigilix
