#include "agents/agent_settings_slot.h"

namespace vigilix::VGXAgentSettingsSlot {

namespace {
Factory agent;
Factory chat;
}  // namespace

const Factory& agentSection() { return agent; }
void setAgentSection(Factory factory) { agent = std::move(factory); }
const Factory& chatSection() { return chat; }
void setChatSection(Factory factory) { chat = std::move(factory); }

}  // namespace vigilix::VGXAgentSettingsSlot
