#pragma once

#include <nlohmann/json.hpp>

namespace vigilix::platform::json {

// A JSON value. Objects keep their keys in insertion order, so a record
// encoder that inserts in declaration order writes in declaration order;
// the writer can sort instead.
using Value = nlohmann::ordered_json;

}  // namespace vigilix::platform::json
