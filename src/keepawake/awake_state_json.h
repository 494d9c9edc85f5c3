#pragma once

#include <expected>

#include "keepawake/awake_state.h"
#include "platform/json/coding_errors.h"
#include "platform/json/date_strategy.h"
#include "platform/json/value.h"
#include "platform/json/value_reader.h"

namespace vigilix {

// ManualSessionKind as a one-key object: {"none": {}}, {"indefinite": {}},
// {"duration": {"total": seconds, "startedAt": date}}, {"until": {"_0": date}}.
// Dates take the enclosing document's strategy.
platform::json::Value encodeManualSessionKind(const ManualSessionKind& kind,
                                              platform::json::DateStrategy dates);
std::expected<ManualSessionKind, platform::json::DecodingError> decodeManualSessionKind(
    const platform::json::ValueReader& value);

}  // namespace vigilix
