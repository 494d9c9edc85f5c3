#pragma once

#include <expected>
#include <optional>
#include <string>

#include "keepawake/awake_state.h"
#include "platform/base/date.h"
#include "platform/base/property_value.h"
#include "platform/json/coding_errors.h"

namespace vigilix {

// The saved manual session and pause of the keep-awake state machine.
struct PersistentState {
  // Standard-defaults key of the saved bytes.
  static constexpr const char* kDefaultsKey = "run.tarvo.vigilix.AwakeState";

  std::string kind = "none";  // the pause: "none", "until" or "untilResumed"
  std::optional<platform::Date> until;
  std::optional<ManualSessionKind> manualKind;
  std::optional<platform::Date> deadline;

  bool operator==(const PersistentState&) const = default;
};

// One compact JSON object, keys sorted, dates as seconds since 1970, absent
// fields left out. Fails on a date that is not a finite number.
std::expected<platform::Bytes, platform::json::EncodingError> encodePersistentState(
    const PersistentState& state);
// "kind" is required; the rest is optional. Non-finite numbers are refused.
std::expected<PersistentState, platform::json::DecodingError> decodePersistentState(
    const platform::Bytes& data);

}  // namespace vigilix
