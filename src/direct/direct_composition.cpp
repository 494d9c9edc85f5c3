#include "direct/direct_composition.h"

#include "agents/agent_settings_slot.h"
#include "direct/backup/time_machine_feature.h"
#include "direct/closed_lid_composition.h"
#include "direct/container_migration.h"
#include "direct/live_presence.h"
#include "direct/presence/presence_settings_section.h"
#include "health/direct_availability.h"
#include "health/protection_verifier.h"
#include "hub/trigger_bridge.h"
#include "platform/base/logger.h"

namespace vigilix::VGXDirectComposition {

void install() {
  VGXDirectAvailability::setDirectBuild(true);

  VGXTimeMachineFeature::shared().install();

  platform::Logger("direct").log("Vigilix: installing Direct features");

  VGXAgentSettingsSlot::setChatSection([]() -> std::shared_ptr<platform::View> {
    return VGXPresenceSettingsSection::make(VGXLivePresence::sharedPointer());
  });
  VGXLivePresence::shared().install();
  VGXDirectAvailability::setChatPresenceFromURL(
      [](bool enabled) { return VGXLivePresence::shared().setEnabledFromURL(enabled); });
  // A managed policy may forbid chat presence, or lift that.
  VGXTriggerBridge::slots().policyChangeHook = [] { VGXLivePresence::shared().reevaluate(); };

  // The agent hooks' health lines and settings section are not direct-only on this platform:
  // the launch installs them in every build (installAgentHookFeatures).

  VGXProtectionVerifier::shared().providers().migrationResult = containerMigrationHealthLine;

  VGXClosedLidComposition::install();
}

}  // namespace vigilix::VGXDirectComposition
