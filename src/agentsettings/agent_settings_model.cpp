#include "agentsettings/agent_settings_model.h"

#include "agenthooks/hooks_file_format.h"
#include "agents/agent_hold_controller.h"
#include "platform/base/localized.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

std::string agentHookStatusText(const VGXHookInstallState& state) {
  using Case = VGXHookInstallState::Case;
  switch (state.kind) {
    case Case::notFound:
      return platform::localized("Not found", "Agent hook status");
    case Case::notInstalled:
      return platform::localized("Not installed", "Agent hook status");
    case Case::installed:
      return platform::localized("Installed", "Agent hook status");
    case Case::needsUpdate:
      return platform::localized("Needs update", "Agent hook status");
    case Case::error:
      return state.message;
  }
  return {};
}

VGXAgentSettingsModel::Environment VGXAgentSettingsModel::Environment::current() {
  return {.installerFor = VGXHookInstaller::forCurrentUser,
          .isPolicyDenied = VGXAgentHoldController::defaultPolicyDenied,
          .worker = platform::DispatchQueue::makeSerial("run.tarvo.vigilix.agent-hooks")};
}

std::shared_ptr<VGXAgentSettingsModel> VGXAgentSettingsModel::make(Environment environment) {
  return std::shared_ptr<VGXAgentSettingsModel>(new VGXAgentSettingsModel(std::move(environment)));
}

VGXAgentSettingsModel::VGXAgentSettingsModel(Environment environment)
    : environment_(std::move(environment)), policyDenied_(environment_.isPolicyDenied()) {}

VGXHookInstallState VGXAgentSettingsModel::state(VGXAgentTool tool) const {
  const auto found = states_.find(tool);
  return found == states_.end() ? VGXHookInstallState::of(VGXHookInstallState::Case::notFound)
                                : found->second;
}

void VGXAgentSettingsModel::refresh() {
  policyDenied_ = environment_.isPolicyDenied();
  for (const VGXAgentTool tool : kAllAgentTools) {
    states_[tool] = environment_.installerFor(tool).status();
  }
  changed();
}

void VGXAgentSettingsModel::prepareSheet(VGXAgentTool tool, bool isUpdate) {
  const VGXHookInstaller installer = environment_.installerFor(tool);
  sheet_ =
      VGXAgentInstallSheetModel{.tool = tool,
                                .path = installer.configURL().string(),
                                .planned = renderJSON(installer.plannedDocument()).value_or("{}"),
                                .isUpdate = isUpdate};
  changed();
}

void VGXAgentSettingsModel::dismissSheet() {
  if (!sheet_) return;
  sheet_.reset();
  changed();
}

void VGXAgentSettingsModel::install(VGXAgentTool tool) { run(tool, true); }
void VGXAgentSettingsModel::remove(VGXAgentTool tool) { run(tool, false); }

void VGXAgentSettingsModel::run(VGXAgentTool tool, bool installing) {
  if (isBusy(tool)) return;
  // An administrator may have turned agent hooks off since the section was last shown.
  if (environment_.isPolicyDenied()) {
    refresh();
    return;
  }
  busy_.insert(tool);
  changed();
  environment_.worker->async(
      [weak = weak_from_this(), installer = environment_.installerFor(tool), tool, installing] {
        auto result = installing ? installer.install() : installer.remove();
        platform::DispatchQueue::main().async(platform::weakly(
            weak, [tool, result = std::move(result)](VGXAgentSettingsModel& model) {
              model.finish(tool, result);
            }));
      });
}

void VGXAgentSettingsModel::finish(VGXAgentTool tool, const VGXHookInstaller::Result& result) {
  busy_.erase(tool);
  if (result) {
    errors_.erase(tool);
  } else {
    errors_[tool] = result.error().errorDescription;
  }
  refresh();
}

void VGXAgentSettingsModel::changed() {
  if (onChange_) onChange_();
}

}  // namespace vigilix
