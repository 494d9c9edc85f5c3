#pragma once

#include <filesystem>

namespace vigilix {

// Where the agent state that outlives one hook run lives. Every member is
// computed afresh from the environment and the home folder on each call; an
// override variable that is set and not empty is used verbatim (not expanded,
// checked or created). Any thread.
namespace VGXAgentPaths {

// "VIGILIX_AGENT_SUPPORT", else $XDG_STATE_HOME/vigilix (an absolute
// XDG_STATE_HOME only), else <home>/.local/state/vigilix.
std::filesystem::path supportDirectory();
// "VIGILIX_AGENT_CACHE", else $XDG_CACHE_HOME/vigilix, else <home>/.cache/vigilix.
std::filesystem::path cacheDirectory();
std::filesystem::path sequenceDirectory();  // <support>/agent-seq
std::filesystem::path hooksLogFile();       // <support>/agent-hooks.json
std::filesystem::path versionCacheFile();   // <cache>/tool-versions.json

}  // namespace VGXAgentPaths

}  // namespace vigilix
