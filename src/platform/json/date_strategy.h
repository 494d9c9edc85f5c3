#pragma once

#include "platform/base/date.h"
#include "platform/json/value.h"

namespace vigilix::platform::json {

// How dates are written: seconds since 2001-01-01 00:00:00 UTC (the default)
// or since 1970-01-01 00:00:00 UTC, as a JSON number with its fraction.
enum class DateStrategy { secondsSinceReferenceDate, secondsSince1970 };

// The JSON number for a date. A non-finite date gives a non-finite number,
// which write() refuses.
Value encodeDate(Date date, DateStrategy strategy = DateStrategy::secondsSinceReferenceDate);
Date dateFromSeconds(double seconds, DateStrategy strategy);

}  // namespace vigilix::platform::json
