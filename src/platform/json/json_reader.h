#pragma once

#include <cstdint>
#include <expected>
#include <string_view>
#include <vector>

#include "platform/json/coding_errors.h"
#include "platform/json/value.h"

namespace vigilix::platform::json {

// Parses one JSON document (any top-level value). Text that is not valid
// JSON, or that is followed by anything but white space, fails with
// dataCorrupted "The given data was not valid JSON." at the empty path.
std::expected<Value, DecodingError> parse(std::string_view text);
std::expected<Value, DecodingError> parse(const std::vector<std::uint8_t>& bytes);

}  // namespace vigilix::platform::json
