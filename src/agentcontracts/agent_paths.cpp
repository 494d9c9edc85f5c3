#include "agentcontracts/agent_paths.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/fs/file_system.h"

namespace vigilix {

namespace {

using Path = std::filesystem::path;

std::optional<std::string> variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

// The XDG rule: a relative base directory is invalid and ignored.
Path xdgFolder(const char* name, const char* underHome) {
  if (auto base = variable(name); base && Path(*base).is_absolute()) return Path(*base) / "vigilix";
  return platform::FileSystem::homeDirectory() / underHome / "vigilix";
}

}  // namespace

namespace VGXAgentPaths {

Path supportDirectory() {
  if (auto overridden = variable("VIGILIX_AGENT_SUPPORT")) return Path(*overridden);
  return xdgFolder("XDG_STATE_HOME", ".local/state");
}

Path cacheDirectory() {
  if (auto overridden = variable("VIGILIX_AGENT_CACHE")) return Path(*overridden);
  return xdgFolder("XDG_CACHE_HOME", ".cache");
}

Path sequenceDirectory() { return supportDirectory() / "agent-seq"; }
Path hooksLogFile() { return supportDirectory() / "agent-hooks.json"; }
Path versionCacheFile() { return cacheDirectory() / "tool-versions.json"; }

}  // namespace VGXAgentPaths

}  // namespace vigilix
