#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/date.h"

namespace vigilix {

// One hold an agent's hook took; it ends at `expiresAt` unless renewed.
struct VGXAgentHold {
  std::string id;
  std::string tool;
  std::optional<std::string> corr;
  std::int64_t seq = 0;  // the hook's event counter; higher is later
  platform::Date expiresAt;
  std::optional<std::int32_t> pid;
  std::optional<std::int64_t> pidStart;  // tells a reused process identifier apart

  bool operator==(const VGXAgentHold&) const = default;
};

// What a release did; the hold stays when it was ignored.
struct VGXAgentReleaseResult {
  enum class Case { ignored, released, notFound };

  static VGXAgentReleaseResult ignored(std::string reason) {
    return {Case::ignored, std::move(reason)};
  }
  static VGXAgentReleaseResult released() { return {Case::released, {}}; }
  static VGXAgentReleaseResult notFound() { return {Case::notFound, {}}; }

  Case kind;
  std::string reason;  // "nil corr" or "corr or seq mismatch" when ignored; else empty

  bool operator==(const VGXAgentReleaseResult&) const = default;
};

}  // namespace vigilix
