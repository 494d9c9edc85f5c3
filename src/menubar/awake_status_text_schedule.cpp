#include "menubar/awake_status_text.h"

namespace vigilix {

std::optional<platform::Date> AwakeStatusText::scheduleWindowEnd(
    const std::set<int>& weekdays, int startMinute, int endMinute, platform::Date date,
    const platform::Calendar& calendar) {
  using platform::CalendarUnit;
  if (startMinute == endMinute) return std::nullopt;

  const platform::DateComponents parts = calendar.componentsFromDate(
      CalendarUnit::year | CalendarUnit::month | CalendarUnit::day | CalendarUnit::hour |
          CalendarUnit::minute | CalendarUnit::weekday,
      date);
  if (!parts.year || !parts.weekday) return std::nullopt;
  const int minuteOfDay = parts.hour.value_or(0) * 60 + parts.minute.value_or(0);
  const int weekday = *parts.weekday;

  const bool todayOpen = weekdays.contains(weekday) && minuteOfDay >= startMinute;
  const bool normal = endMinute > startMinute;
  const bool pastEnd = minuteOfDay >= endMinute;

  if (!todayOpen) {
    if (normal || pastEnd) return std::nullopt;
    // Small hours of an overnight window: it opened the evening before.
    const int previousWeekday = weekday == 1 ? 7 : weekday - 1;
    if (!weekdays.contains(previousWeekday)) return std::nullopt;
  } else if (normal && pastEnd) {
    return std::nullopt;
  }

  auto end = calendar.dateFromComponents({.year = parts.year,
                                          .month = parts.month,
                                          .day = parts.day,
                                          .hour = endMinute / 60,
                                          .minute = endMinute % 60,
                                          .second = 0});
  if (!end) return std::nullopt;
  if (todayOpen && !normal) {
    if (auto nextDay = calendar.dateByAddingUnit(CalendarUnit::day, 1, *end)) return nextDay;
  }
  return end;
}

}  // namespace vigilix
