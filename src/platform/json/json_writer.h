#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "platform/json/coding_errors.h"
#include "platform/json/value.h"

namespace vigilix::platform::json {

struct WriteOptions {
  // Keys in the platform's sorted order (see compareKeys) rather than as
  // inserted.
  bool sortedKeys = false;
  // Two-space indentation with " : " between key and value; compact (no
  // white space at all) otherwise.
  bool prettyPrinted = false;
  // "/" is written "\/" unless this is set.
  bool withoutEscapingSlashes = false;
};

// The order of sorted keys: case-insensitive, runs of digits compared by
// their numeric value ("key2" before "key10"), ties broken by the exact
// bytes so the order is total.
bool compareKeys(std::string_view a, std::string_view b);

// Writes `value` as JSON text. Fails, writing nothing, on a non-finite
// number, a string that is not valid UTF-8, or a binary or discarded value;
// the error's path names where.
std::expected<std::string, EncodingError> write(const Value& value,
                                                const WriteOptions& options = {});

}  // namespace vigilix::platform::json
