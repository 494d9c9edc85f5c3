#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/command_line_inbox.h"
#include "hub/hub_agent_holds.h"
#include "hub/hub_command_line.h"
#include "hub/hub_control_share.h"
#include "hub/hub_pickers.h"
#include "hub/hub_policy.h"
#include "hub/hub_power_inputs.h"
#include "hub/hub_session_notices.h"
#include "hub/hub_shortcut.h"
#include "hub/hub_trigger_monitor.h"
#include "triggers/system_sample.h"

namespace vigilix {

// The live neighbours of the hub, each over the program's own part.

// A store of holds that live at most a day, under the managed
// "VGXDisableAgentHooks"; each start replaces the previous holds.
std::shared_ptr<HubAgentHolds> makeAgentHolds();
// The tool's requests and replies as system-wide notifications, answered by
// one protocol server made at the first listen. The requests come through
// `inbox` when given (it may have kept some), else through one opened then.
std::shared_ptr<HubCommandLine> makeCommandLine(std::shared_ptr<CommandLineInbox> inbox = {});
// The app-group suite; `reloadControls` is told of each change.
std::shared_ptr<HubControlShare> makeControlShare(
    std::function<void(const std::string& kind)> reloadControls);
// A monitor over the sampler `makeSampler` makes (empty: the live machine).
HubTriggerMonitor::Maker triggerMonitorMaker(
    std::function<std::shared_ptr<SystemSampling>()> makeSampler);
std::shared_ptr<HubPolicy> makePolicy();
std::shared_ptr<HubPowerInputs> makePowerInputs();
std::shared_ptr<HubSessionNotices> makeSessionNotices();
std::shared_ptr<HubShortcut> makeShortcut();
std::shared_ptr<HubPickers> makePickers();

}  // namespace vigilix
