#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/json/coding_errors.h"
#include "platform/json/value.h"
#include "platform/json/value_reader.h"
#include "triggers/trigger_configuration.h"
#include "triggers/trigger_schedule.h"

namespace vigilix {

// The stored JSON form of the trigger rules (the "run.tarvo.vigilix.Triggers"
// value). Keys are written in declaration order; absent optionals are left
// out, never written as null. Reading applies the defaults to missing or
// null keys, ignores unknown keys and refuses a present key of the wrong
// type, which fails the whole record.

platform::json::Value encodeJSONValue(const TriggerSchedule& schedule);
platform::json::Value encodeJSONValue(const TriggerConfiguration& configuration);

std::expected<TriggerConfiguration, platform::json::DecodingError> decodeTriggerConfiguration(
    const platform::json::ValueReader& value);

// Compact JSON text. Fails only for a non-finite threshold or sustain time.
std::expected<std::string, platform::json::EncodingError> encodeTriggerConfiguration(
    const TriggerConfiguration& configuration);
std::expected<TriggerConfiguration, platform::json::DecodingError> decodeTriggerConfiguration(
    std::string_view text);
std::expected<TriggerConfiguration, platform::json::DecodingError> decodeTriggerConfiguration(
    const std::vector<std::uint8_t>& bytes);

}  // namespace vigilix
