#pragma once

#include "platform/base/property_value.h"
#include "platform/json/value.h"

namespace vigilix::platform::json {

// Data is written as a Base64 string (padded, standard alphabet).
Value encodeData(const Bytes& bytes);

}  // namespace vigilix::platform::json
