#include "agents/agent_settings_slot.h"

namespace vigilix::VGXAgentSettingsSlot {

namespace {
Factory agent;
Factory presence;
}  // namespace

const Factory& agentSection() { return agent; }
void setAgentSection(Factory factory) { agent = std::move(factory); }
const Factory& presenceSection() { return presence; }
void setPresenceSection(Factory factory) { presence = std::move(factory); }

}  // namespace vigilix::VGXAgentSettingsSlot
