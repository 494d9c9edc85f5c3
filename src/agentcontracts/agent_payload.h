#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/json/value.h"

namespace vigilix {

// What a hook's event payload names: the hold, the prompt or turn it belongs
// to, and the agent session.
struct VGXAgentParsedHook {
  std::string holdID;               // "<tool>:<session>[:<agent>]", at most 200 characters
  std::optional<std::string> corr;  // at most 128 characters
  std::string session;              // as the payload gives it, uncut

  bool operator==(const VGXAgentParsedHook&) const = default;
};

// Reading the JSON payload that an agent tool writes to a hook's standard
// input. Tool names are the hook's raw values, compared exactly. Pure; any
// thread; any bytes are safe input.
namespace VGXAgentPayload {

// None for empty bytes, text that is not a JSON object, or an object with no
// usable session value.
std::optional<VGXAgentParsedHook> parse(std::span<const std::uint8_t> data, std::string_view tool);
std::optional<VGXAgentParsedHook> parse(const platform::json::Value& object, std::string_view tool);
// Seconds: 3600 for "cursor" and "gemini", 600 for every other tool.
double defaultTTL(std::string_view tool);

}  // namespace VGXAgentPayload

}  // namespace vigilix
