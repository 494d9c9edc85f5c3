#include "triggers/trigger_schedule.h"

#include "platform/locale/calendar.h"

namespace vigilix {

bool TriggerSchedule::isActive(platform::Date date, const platform::Calendar& calendar) const {
  if (weekdays.empty()) return false;
  using platform::CalendarUnit;
  const auto parts = calendar.componentsFromDate(
      CalendarUnit::weekday | CalendarUnit::hour | CalendarUnit::minute, date);
  return isActive(parts.weekday.value_or(0),
                  parts.hour.value_or(0) * 60 + parts.minute.value_or(0));
}

bool TriggerSchedule::isActive(int weekday, int minuteOfDay) const {
  if (weekdays.empty()) return false;
  const bool dayListed = weekdays.contains(weekday);
  if (startMinute < endMinute) {
    return dayListed && startMinute <= minuteOfDay && minuteOfDay < endMinute;
  }
  if (startMinute == endMinute) return dayListed;
  // Overnight: the evening belongs to the listed day, the small hours after
  // midnight to the day before.
  if (dayListed && minuteOfDay >= startMinute) return true;
  const int previousWeekday = weekday == 1 ? 7 : weekday - 1;
  return weekdays.contains(previousWeekday) && minuteOfDay < endMinute;
}

}  // namespace vigilix
