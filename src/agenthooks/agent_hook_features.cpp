#include "agenthooks/agent_hook_features.h"

#include "agenthooks/agent_settings_section.h"
#include "agenthooks/hook_installer.h"
#include "agents/agent_settings_slot.h"
#include "keepawake/health_registry.h"

namespace vigilix {

void installAgentHookFeatures() {
  VGXHealthRegistry::registerProvider(VGXHookInstaller::healthLines);
  VGXAgentSettingsSlot::setAgentSection(
      []() -> std::shared_ptr<platform::View> { return VGXAgentSettingsSection::make(); });
}

}  // namespace vigilix
