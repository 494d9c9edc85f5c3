#pragma once

#include <cstdint>
#include <set>

#include "platform/base/date.h"

namespace vigilix {

namespace platform {
class Calendar;
}

// The weekly time window of the schedule rule. Minutes are minutes of the
// day; the end is exclusive. A start after the end runs past midnight into
// the next day, and equal values mean the whole of each listed day. Values
// are compared as stored, without range checks: a weekday outside 1-7 never
// matches.
struct TriggerSchedule {
  // The calendar's weekday numbers: 1 = Sunday ... 7 = Saturday. Kept as
  // stored, at full 64-bit width, so a large value is written back unchanged.
  std::set<std::int64_t> weekdays;
  std::int64_t startMinute = 0;
  std::int64_t endMinute = 0;

  // Whether the window is open at `date`, read in `calendar`'s time zone.
  bool isActive(platform::Date date, const platform::Calendar& calendar) const;
  // The same rule on an already decomposed moment (minuteOfDay = hour * 60 + minute).
  bool isActive(int weekday, int minuteOfDay) const;

  bool operator==(const TriggerSchedule&) const = default;
};

}  // namespace vigilix
