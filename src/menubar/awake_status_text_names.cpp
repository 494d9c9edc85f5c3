#include <algorithm>
#include <array>
#include <utility>

#include "menubar/awake_status_text.h"
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

// Bundle identifiers are reverse-DNS names in ASCII, so ASCII folding is a
// complete case-insensitive comparison for them.
bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return fold(static_cast<unsigned char>(x)) == fold(static_cast<unsigned char>(y));
         });
}

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
    if (!app.localizedName.empty() && equalsIgnoringCase(app.bundleIdentifier, bundleIdentifier)) {
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
