#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "agentcontracts/agent_files.h"

namespace vigilix {

// The application's launch epoch and stop generation an agent session first held under. Holds
// of the session carry them, so that a person's stop (a newer generation of the same launch)
// ends the session's holding instead of being overtaken by its next prompt.
struct VGXAgentSessionPin {
  std::string epoch;
  std::int64_t gen = 0;
  bool stopped = false;  // a stop came after the session began: it takes no more holds

  bool operator==(const VGXAgentSessionPin&) const = default;
};

// One file per session beside its counters: the counter's name with ".epoch", holding
// {"epoch":"…","gen":4} (and "stopped":true), written in place under the file's lock.
namespace VGXAgentSessionPins {

// None for a session that holds nothing yet; a damaged file counts as none and is logged.
std::expected<std::optional<VGXAgentSessionPin>, VGXAgentFileError> read(
    std::string_view session, const std::filesystem::path& folder);
std::expected<void, VGXAgentFileError> write(std::string_view session,
                                             const std::filesystem::path& folder,
                                             const VGXAgentSessionPin& pin);

// The exact text stored for a pin, and its reading.
std::string encode(const VGXAgentSessionPin& pin);
std::optional<VGXAgentSessionPin> decode(std::string_view text);

}  // namespace VGXAgentSessionPins

}  // namespace vigilix
