#include "agentsettings/agent_hook_features.h"

#include "agents/agent_settings_slot.h"
#include "agentsettings/agent_hook_health.h"
#include "agentsettings/agent_settings_section.h"
#include "keepawake/health_registry.h"

namespace vigilix {

void installAgentHookFeatures() {
  VGXHealthRegistry::registerProvider(VGXAgentHookHealth::healthLines);
  VGXAgentSettingsSlot::setAgentSection(
      []() -> std::shared_ptr<platform::View> { return VGXAgentSettingsSection::make(); });
}

}  // namespace vigilix
