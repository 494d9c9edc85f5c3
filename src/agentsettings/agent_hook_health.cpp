#include "agentsettings/agent_hook_health.h"

#include "agentcontracts/agent_hook_log.h"
#include "agentcontracts/agent_paths.h"
#include "agenthooks/hook_installer.h"
#include "agentsettings/agent_hook_result.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix {

namespace {

VGXHealthLine statusLine(VGXAgentTool tool, const VGXHookInstallState& state) {
  using Case = VGXHookInstallState::Case;
  VGXHealthLine line{.title = platform::fillPlaceholders(
                         platform::localized("%@ hooks", "Health Check: hooks for an agent tool"),
                         {displayName(tool)}),
                     .detail = {},
                     .severity = VGXHealthSeverity::Ok,
                     .fixActionID = std::nullopt};
  switch (state.kind) {
    case Case::notFound:
      line.detail = platform::localized("Not found", "Health Check: agent hooks not found");
      break;
    case Case::notInstalled:
      line.detail = platform::localized("Not installed", "Health Check: agent hooks not installed");
      break;
    case Case::installed:
      line.detail = platform::localized("Installed", "Health Check: agent hooks installed");
      break;
    case Case::needsUpdate:
      line.detail = platform::localized("Needs update", "Health Check: agent hooks need update");
      line.severity = VGXHealthSeverity::Warning;
      break;
    case Case::error:
      line.detail = state.message;
      line.severity = VGXHealthSeverity::Error;
      break;
  }
  return line;
}

}  // namespace

namespace VGXAgentHookHealth {

std::vector<VGXHealthLine> healthLines() {
  std::vector<VGXHealthLine> lines;
  for (const VGXAgentTool tool : kAllAgentTools) {
    lines.push_back(statusLine(tool, VGXHookInstaller::forCurrentUser(tool).status()));
  }
  const auto records = VGXAgentHookLog::read(VGXAgentPaths::hooksLogFile());
  if (!records.empty()) lines.push_back(lastHookLine(records.back()));
  return lines;
}

}  // namespace VGXAgentHookHealth

}  // namespace vigilix
