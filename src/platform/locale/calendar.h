#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/base/date.h"
#include "platform/locale/locale.h"
#include "platform/locale/time_zone.h"

namespace vigilix::platform {

// Calendar fields; a set of them is combined with |.
enum class CalendarUnit : unsigned {
  year = 1u << 0,
  month = 1u << 1,
  day = 1u << 2,
  hour = 1u << 3,
  minute = 1u << 4,
  second = 1u << 5,
  nanosecond = 1u << 6,
  weekday = 1u << 7,
};

constexpr CalendarUnit operator|(CalendarUnit a, CalendarUnit b) {
  return static_cast<CalendarUnit>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool contains(CalendarUnit set, CalendarUnit unit) {
  return (static_cast<unsigned>(set) & static_cast<unsigned>(unit)) != 0;
}

// Broken-down date fields, each optional. As a point in time the fields are
// read in the calendar's time zone; as an amount to add they are offsets.
// weekday: 1 = Sunday ... 7 = Saturday.
struct DateComponents {
  std::optional<int> year{};
  std::optional<int> month{};
  std::optional<int> day{};
  std::optional<int> hour{};
  std::optional<int> minute{};
  std::optional<int> second{};
  std::optional<int> nanosecond{};
  std::optional<int> weekday{};

  bool operator==(const DateComponents&) const = default;
};

// The Gregorian calendar in one time zone and locale. Plain value; every
// question takes the dates it is about, "today" included, as arguments.
class Calendar {
 public:
  // Gregorian, in the current time zone and locale (as they are now).
  Calendar();
  Calendar(TimeZone timeZone, Locale locale);
  static Calendar current() { return Calendar(); }

  const TimeZone& timeZone() const { return timeZone_; }
  const Locale& locale() const { return locale_; }
  void setTimeZone(TimeZone timeZone) { timeZone_ = std::move(timeZone); }
  void setLocale(Locale locale) { locale_ = std::move(locale); }

  // The date's fields for the requested units (others stay empty).
  DateComponents componentsFromDate(CalendarUnit units, Date date) const;
  int component(CalendarUnit unit, Date date) const;

  // The date the fields name. Missing fields take the start of their range
  // (year 1970, month 1, day 1, 00:00:00); fields beyond their range carry
  // over (minute 90 is 01:30). weekday is ignored. std::nullopt when the
  // fields name no representable date.
  std::optional<Date> dateFromComponents(const DateComponents& components) const;

  // Adds each given field in turn, largest first; a day keeps the wall-clock
  // time across a daylight-saving change. weekday is ignored.
  std::optional<Date> dateByAddingComponents(const DateComponents& components, Date date) const;
  std::optional<Date> dateByAddingUnit(CalendarUnit unit, int value, Date date) const;

  Date startOfDayForDate(Date date) const;
  bool isDateInSameDayAsDate(Date date1, Date date2) const;
  bool isDateInToday(Date date, Date now) const { return isDateInSameDayAsDate(date, now); }
  bool isDateInTomorrow(Date date, Date now) const;

  // The weekday (1 = Sunday ... 7 = Saturday) the locale's week starts on.
  int firstWeekday() const;
  // The locale's names of the weekdays, Sunday first (index weekday - 1).
  std::vector<std::string> shortWeekdaySymbols() const;
  std::vector<std::string> weekdaySymbols() const;

  bool operator==(const Calendar&) const = default;

 private:
  TimeZone timeZone_;
  Locale locale_;
};

}  // namespace vigilix::platform
