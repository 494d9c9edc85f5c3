#pragma once

#include <string>

#include "platform/base/date.h"

namespace vigilix {

// The time left until a date, in hours, minutes and seconds with short unit
// names ("29 min, 5 sec remaining"), in the current locale. The span is
// measured from one second before the clock's now, so a date set to 30
// minutes from now a moment ago still reads "30 min". Main thread.
namespace RemainingTime {

std::string dzl_localizedRemainingTime(platform::Date date);
// The same without the "remaining" phrase.
std::string dzl_localizedRemainingTimeWithoutPhrase(platform::Date date);

}  // namespace RemainingTime
}  // namespace vigilix
