#include "direct/direct_composition.h"

#include "direct/backup/time_machine_feature.h"
#include "health/direct_availability.h"
#include "platform/base/logger.h"

namespace vigilix::VGXDirectComposition {

void install() {
  VGXDirectAvailability::setDirectBuild(true);

  VGXTimeMachineFeature::shared().install();

  platform::Logger("direct").log("Vigilix: installing Direct features");

  // Chat presence is installed here: its settings section into the agent settings slot, then
  // the feature itself, which owns the lock state monitor.

  // The agent hooks' health lines and settings section are not direct-only on this platform:
  // the launch installs them in every build (installAgentHookFeatures).

  // The closed-lid controller is installed here, then the verifier's closed-lid limit provider
  // and the closed-lid settings slot are filled from it.
}

}  // namespace vigilix::VGXDirectComposition
