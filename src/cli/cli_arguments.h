#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "agenthooks/agent_tool.h"

namespace vigilix {

// What one run of the `vigilix` program was asked to do.
enum class VGXCLICommandKind {
  help,
  version,
  agent,
  status,
  holds,
  doctor,
  hold,
  release,
  watch,
  unwatch,
  run
};

struct VGXCLICommand {
  VGXCLICommandKind kind = VGXCLICommandKind::help;
  VGXHookVerb hookVerb = VGXHookVerb::start;  // agent
  std::string tool{};                         // agent, hold
  std::optional<std::int64_t> ttl{};          // hold: seconds, 1 to 86400
  std::string id{};                           // hold, release
  std::string label{};                        // hold, watch
  std::int32_t pid = 0;                       // watch, unwatch: above 0
  std::vector<std::string> commandLine{};     // run: the words after "--", never empty
  bool json = false;                          // print the raw reply
  bool operator==(const VGXCLICommand&) const = default;
};

// Reads the arguments after the program name. Options take their value as the next argument or
// after "=". The error is a one-line message for the person; any text is safe input. Pure.
std::expected<VGXCLICommand, std::string> parseArguments(std::span<const std::string> arguments);

// The help text, ending in a line end.
std::string_view usageText();

}  // namespace vigilix
