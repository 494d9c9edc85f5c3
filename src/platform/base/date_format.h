#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/date.h"

namespace vigilix::platform {

// Internet date-time in UTC: "2024-03-05T07:08:09Z", or with milliseconds
// "2024-03-05T07:08:09.123Z". Fractions are cut, never rounded up, so a
// time never reads as later than it is.
std::string iso8601Text(Date date, bool withFractionalSeconds = false);

// Reads the UTC internet date-time forms above (with or without a fraction
// of any length). None for anything else.
std::optional<Date> dateFromISO8601(std::string_view text);

// For logs and test output: "2001-01-01 00:00:00 +0000".
std::string dateDescription(Date date);

}  // namespace vigilix::platform
