#include <algorithm>
#include <array>
#include <utility>

#include "menubar/awake_status_text.h"
#include "platform/base/text.h"
#include "platform/system/running_applications.h"

namespace vigilix {
namespace {

constexpr std::array<std::pair<const char*, const char*>, 5> kAgentNames{{
    {"claude", "Claude Code"},
    {"codex", "Codex"},
    {"grok", "Grok"},
    {"cursor", "Cursor"},
    {"gemini", "Gemini CLI"},
}};

}  // namespace

std::string AwakeStatusText::agentDisplayName(const std::string& tool) {
  for (const auto& [identifier, name] : kAgentNames) {
    if (tool == identifier) return name;
  }
  return tool;
}

std::string AwakeStatusText::appNameAmongRunningApplications(
    const std::string& bundleIdentifier, const std::vector<RunningAppName>& running) {
  auto exact = std::find_if(running.begin(), running.end(), [&](const RunningAppName& app) {
    return app.bundleIdentifier == bundleIdentifier;
  });
  if (exact != running.end() && !exact->localizedName.empty()) return exact->localizedName;
  for (const RunningAppName& app : running) {
    if (!app.localizedName.empty() &&
        platform::equalsIgnoringCase(app.bundleIdentifier, bundleIdentifier)) {
      return app.localizedName;
    }
  }
  return bundleIdentifier;
}

std::string AwakeStatusText::defaultAppName(const std::string& bundleIdentifier) {
  std::vector<RunningAppName> running;
  for (const auto& app : platform::RunningApplications::current().runningApplications()) {
    if (app.bundleIdentifier) running.push_back({*app.bundleIdentifier, app.localizedName});
  }
  return appNameAmongRunningApplications(bundleIdentifier, running);
}

}  // namespace vigilix
