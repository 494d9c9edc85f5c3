#include "agents/agent_settings_slot.h"

namespace vigilix::VGXAgentSettingsSlot {

namespace {
Factory agent;
}  // namespace

const Factory& agentSection() { return agent; }
void setAgentSection(Factory factory) { agent = std::move(factory); }

}  // namespace vigilix::VGXAgentSettingsSlot
