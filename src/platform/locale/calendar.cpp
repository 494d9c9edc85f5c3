#include "platform/locale/calendar.h"

#include <unicode/dtfmtsym.h>

#include <cmath>
#include <memory>
#include <utility>

#include "platform/locale/icu_support.h"

namespace vigilix::platform {
namespace {

using icu_support::fromUDate;
using icu_support::makeGregorian;
using icu_support::toUDate;

// ICU keeps milliseconds; the nanosecond field is carried through them.
constexpr int kNanosPerMilli = 1'000'000;

std::unique_ptr<icu::Calendar> calendarAt(const Calendar& calendar, Date date) {
  auto icuCalendar = makeGregorian(calendar.timeZone(), calendar.locale());
  if (icuCalendar == nullptr || !date.isFinite()) return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  // Whole milliseconds only, so that a result never counts the fraction twice.
  icuCalendar->setTime(std::floor(toUDate(date)), status);
  if (U_FAILURE(status)) return nullptr;
  return icuCalendar;
}

std::optional<Date> timeOf(icu::Calendar& calendar) {
  UErrorCode status = U_ZERO_ERROR;
  UDate millis = calendar.getTime(status);
  if (U_FAILURE(status) || !std::isfinite(millis)) return std::nullopt;
  return fromUDate(millis);
}

// Sub-millisecond parts of a date, which ICU does not keep.
double subMillisecondNanos(Date date) {
  double millis = date.timeIntervalSince1970() * 1000.0;
  return (millis - std::floor(millis)) * 1'000'000.0;
}

}  // namespace

Calendar::Calendar() : Calendar(TimeZone::current(), Locale::current()) {}

Calendar::Calendar(TimeZone timeZone, Locale locale)
    : timeZone_(std::move(timeZone)), locale_(std::move(locale)) {}

DateComponents Calendar::componentsFromDate(CalendarUnit units, Date date) const {
  DateComponents out;
  auto calendar = calendarAt(*this, date);
  if (calendar == nullptr) return out;
  UErrorCode status = U_ZERO_ERROR;
  auto field = [&](CalendarUnit unit, UCalendarDateFields icuField, int offset,
                   std::optional<int>& slot) {
    if (!contains(units, unit)) return;
    int value = calendar->get(icuField, status);
    if (U_SUCCESS(status)) slot = value + offset;
  };
  field(CalendarUnit::year, UCAL_EXTENDED_YEAR, 0, out.year);
  field(CalendarUnit::month, UCAL_MONTH, 1, out.month);
  field(CalendarUnit::day, UCAL_DATE, 0, out.day);
  field(CalendarUnit::hour, UCAL_HOUR_OF_DAY, 0, out.hour);
  field(CalendarUnit::minute, UCAL_MINUTE, 0, out.minute);
  field(CalendarUnit::second, UCAL_SECOND, 0, out.second);
  field(CalendarUnit::weekday, UCAL_DAY_OF_WEEK, 0, out.weekday);
  if (contains(units, CalendarUnit::nanosecond)) {
    int millis = calendar->get(UCAL_MILLISECOND, status);
    if (U_SUCCESS(status)) {
      out.nanosecond = millis * kNanosPerMilli + static_cast<int>(subMillisecondNanos(date));
    }
  }
  return out;
}

int Calendar::component(CalendarUnit unit, Date date) const {
  DateComponents c = componentsFromDate(unit, date);
  for (const auto& slot :
       {c.year, c.month, c.day, c.hour, c.minute, c.second, c.nanosecond, c.weekday}) {
    if (slot) return *slot;
  }
  return 0;
}

std::optional<Date> Calendar::dateFromComponents(const DateComponents& c) const {
  auto calendar = makeGregorian(timeZone_, locale_);
  if (calendar == nullptr) return std::nullopt;
  calendar->clear();
  calendar->setLenient(true);
  calendar->set(UCAL_EXTENDED_YEAR, c.year.value_or(1970));
  calendar->set(UCAL_MONTH, c.month.value_or(1) - 1);
  calendar->set(UCAL_DATE, c.day.value_or(1));
  calendar->set(UCAL_HOUR_OF_DAY, c.hour.value_or(0));
  calendar->set(UCAL_MINUTE, c.minute.value_or(0));
  calendar->set(UCAL_SECOND, c.second.value_or(0));
  int nanos = c.nanosecond.value_or(0);
  calendar->set(UCAL_MILLISECOND, nanos / kNanosPerMilli);
  auto date = timeOf(*calendar);
  if (!date) return std::nullopt;
  return date->addingTimeInterval((nanos % kNanosPerMilli) / 1e9);
}

std::optional<Date> Calendar::dateByAddingComponents(const DateComponents& c, Date date) const {
  auto calendar = calendarAt(*this, date);
  if (calendar == nullptr) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  auto add = [&](UCalendarDateFields field, const std::optional<int>& amount) {
    if (amount && *amount != 0) calendar->add(field, *amount, status);
  };
  add(UCAL_EXTENDED_YEAR, c.year);
  add(UCAL_MONTH, c.month);
  add(UCAL_DATE, c.day);
  add(UCAL_HOUR_OF_DAY, c.hour);
  add(UCAL_MINUTE, c.minute);
  add(UCAL_SECOND, c.second);
  if (U_FAILURE(status)) return std::nullopt;
  auto result = timeOf(*calendar);
  if (!result) return std::nullopt;
  // Keep the sub-millisecond part ICU dropped, then add nanoseconds exactly.
  double nanos = subMillisecondNanos(date) + c.nanosecond.value_or(0);
  return result->addingTimeInterval(nanos / 1e9);
}

std::optional<Date> Calendar::dateByAddingUnit(CalendarUnit unit, int value, Date date) const {
  DateComponents c;
  switch (unit) {
    case CalendarUnit::year:
      c.year = value;
      break;
    case CalendarUnit::month:
      c.month = value;
      break;
    case CalendarUnit::day:
      c.day = value;
      break;
    case CalendarUnit::hour:
      c.hour = value;
      break;
    case CalendarUnit::minute:
      c.minute = value;
      break;
    case CalendarUnit::second:
      c.second = value;
      break;
    case CalendarUnit::nanosecond:
      c.nanosecond = value;
      break;
    case CalendarUnit::weekday:
      return std::nullopt;
  }
  return dateByAddingComponents(c, date);
}

Date Calendar::startOfDayForDate(Date date) const {
  auto calendar = calendarAt(*this, date);
  if (calendar == nullptr) return date;
  calendar->set(UCAL_HOUR_OF_DAY, 0);
  calendar->set(UCAL_MINUTE, 0);
  calendar->set(UCAL_SECOND, 0);
  calendar->set(UCAL_MILLISECOND, 0);
  // Where midnight is skipped by a clock change, the day starts at the first
  // wall-clock time that exists.
  calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
  return timeOf(*calendar).value_or(date);
}

bool Calendar::isDateInSameDayAsDate(Date date1, Date date2) const {
  constexpr auto kDay = CalendarUnit::year | CalendarUnit::month | CalendarUnit::day;
  DateComponents a = componentsFromDate(kDay, date1);
  DateComponents b = componentsFromDate(kDay, date2);
  return a.year && a == b;
}

bool Calendar::isDateInTomorrow(Date date, Date now) const {
  auto tomorrow = dateByAddingUnit(CalendarUnit::day, 1, now);
  return tomorrow && isDateInSameDayAsDate(date, *tomorrow);
}

namespace {

// ICU's arrays start at an unused slot 0, then Sunday.
std::vector<std::string> weekdayNames(const Locale& locale, bool abbreviated) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(icu_support::toIcu(locale), status);
  std::vector<std::string> names;
  if (U_FAILURE(status)) return names;
  std::int32_t count = 0;
  const icu::UnicodeString* all = symbols.getWeekdays(
      count, icu::DateFormatSymbols::FORMAT,
      abbreviated ? icu::DateFormatSymbols::ABBREVIATED : icu::DateFormatSymbols::WIDE);
  for (std::int32_t i = UCAL_SUNDAY; i < count && i <= UCAL_SATURDAY; ++i)
    names.push_back(icu_support::toUtf8(all[i]));
  return names;
}

}  // namespace

int Calendar::firstWeekday() const {
  auto calendar = makeGregorian(timeZone_, locale_);
  return calendar ? static_cast<int>(calendar->getFirstDayOfWeek()) : 1;
}

std::vector<std::string> Calendar::shortWeekdaySymbols() const {
  return weekdayNames(locale_, true);
}

std::vector<std::string> Calendar::weekdaySymbols() const { return weekdayNames(locale_, false); }

}  // namespace vigilix::platform
