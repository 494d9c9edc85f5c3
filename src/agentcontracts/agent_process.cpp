#include "agentcontracts/agent_process.h"

#include <unistd.h>

#include <algorithm>
#include <set>

#include "platform/base/text.h"
#include "platform/system/file_paths.h"

namespace vigilix {

namespace {

constexpr std::string_view kReplacedSuffix = " (deleted)";

// The file name of an executable; the kernel marks one replaced while it runs.
std::string executableName(std::string path) {
  if (path.ends_with(kReplacedSuffix)) path.resize(path.size() - kReplacedSuffix.size());
  return platform::lastPathComponent(path);
}

bool mentionsGemini(const std::vector<std::string>& arguments) {
  return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
    return platform::containsIgnoringCase(argument, "gemini");
  });
}

}  // namespace

VGXAgentProcess::VGXAgentProcess(platform::ProcessListing listing, std::int32_t ownParent)
    : listing_(std::move(listing)), ownParent_(ownParent) {}

VGXAgentProcess VGXAgentProcess::live() {
  return VGXAgentProcess(platform::ProcessListing(), static_cast<std::int32_t>(::getppid()));
}

std::optional<std::string> VGXAgentProcess::executablePath(std::int32_t pid) const {
  return listing_.executablePath(pid);
}

std::vector<std::string> VGXAgentProcess::arguments(std::int32_t pid) const {
  return listing_.arguments(pid).value_or(std::vector<std::string>{});
}

bool VGXAgentProcess::matches(std::string_view tool, std::int32_t pid) const {
  const auto path = executablePath(pid);
  if (!path) return false;
  const std::string name = executableName(*path);
  if (tool == "cursor") return name == "cursor-agent" || name == "Cursor";
  if (tool == "gemini") {
    if (name == "gemini") return true;
    return (name == "node" || name == "nodejs") && mentionsGemini(arguments(pid));
  }
  return name == tool;
}

std::optional<VGXAgentProcessIdentity> VGXAgentProcess::identityOf(std::int32_t pid) const {
  const auto record = listing_.record(pid);
  if (!record) return std::nullopt;
  return VGXAgentProcessIdentity{pid, record->startTime};
}

std::optional<VGXAgentProcessIdentity> VGXAgentProcess::identity(std::string_view tool,
                                                                 std::int32_t startingAt) const {
  const auto start = listing_.record(startingAt);
  std::int32_t candidate = start ? start->parent : ownParent_;
  std::set<std::int32_t> seen;
  while (candidate > 1 && seen.insert(candidate).second) {
    if (matches(tool, candidate)) {
      if (auto found = identityOf(candidate)) return found;
    }
    const auto record = listing_.record(candidate);
    if (!record) break;
    candidate = record->parent;
  }
  // The hook's parent is the agent itself when it starts hooks directly.
  if (tool == "claude" && ownParent_ > 1) return identityOf(ownParent_);
  return std::nullopt;
}

}  // namespace vigilix
