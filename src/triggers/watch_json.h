#pragma once

#include <expected>

#include "platform/json/coding_errors.h"
#include "platform/json/record_fields.h"
#include "platform/json/value.h"
#include "platform/json/value_reader.h"
#include "triggers/watch.h"

namespace vigilix {

// The JSON form of a watch: {"id": upper-case UUID text, "kind": one-key
// object of the case, "startedAt": seconds since 2001}. Every key and every
// payload field is required; unknown keys inside a payload are ignored.

platform::json::Value encodeJSONValue(const WatchKind& kind);
platform::json::Value encodeJSONValue(const Watch& watch);

std::expected<WatchKind, platform::json::DecodingError> decodeWatchKind(
    const platform::json::ValueReader& value);
std::expected<Watch, platform::json::DecodingError> decodeWatch(
    const platform::json::ValueReader& value);

// A watch as a field of another stored record.
platform::json::RecordOf<Watch> watchRecord();

}  // namespace vigilix
