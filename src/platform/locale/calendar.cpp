#include "platform/locale/calendar.h"

#include <cmath>
#include <memory>
#include <utility>

#include "platform/base/text.h"
#include "platform/locale/icu_support.h"

namespace vigilix::platform {
namespace {

using icu_support::fromUDate;
using icu_support::Handle;
using icu_support::makeGregorian;
using icu_support::toUDate;

// ICU keeps milliseconds; the nanosecond field is carried through them.
constexpr int kNanosPerMilli = 1'000'000;

// A calendar with the ICU functions that work on it.
struct IcuCalendar {
  const icu_support::Formatting& icu;
  Handle<UCalendar> handle;

  UCalendar* get() const { return handle.get(); }
  explicit operator bool() const { return handle != nullptr; }
};

std::optional<IcuCalendar> gregorian(const Calendar& calendar) {
  const auto* icu = icu_library::formatting();
  if (icu == nullptr) return std::nullopt;
  IcuCalendar made{*icu, makeGregorian(*icu, calendar.timeZone(), calendar.locale())};
  if (!made) return std::nullopt;
  return made;
}

std::optional<IcuCalendar> calendarAt(const Calendar& calendar, Date date) {
  auto made = gregorian(calendar);
  if (!made || !date.isFinite()) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  // Whole milliseconds only, so that a result never counts the fraction twice.
  made->icu.calendarSetMillis(made->get(), std::floor(toUDate(date)), &status);
  if (U_FAILURE(status)) return std::nullopt;
  return made;
}

std::optional<Date> timeOf(const IcuCalendar& calendar) {
  UErrorCode status = U_ZERO_ERROR;
  UDate millis = calendar.icu.calendarGetMillis(calendar.get(), &status);
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
  if (!calendar) return out;
  UErrorCode status = U_ZERO_ERROR;
  auto get = [&](UCalendarDateFields icuField) {
    return calendar->icu.calendarGet(calendar->get(), icuField, &status);
  };
  auto field = [&](CalendarUnit unit, UCalendarDateFields icuField, int offset,
                   std::optional<int>& slot) {
    if (!contains(units, unit)) return;
    int value = get(icuField);
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
    int millis = get(UCAL_MILLISECOND);
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
  auto calendar = gregorian(*this);
  if (!calendar) return std::nullopt;
  const auto& icu = calendar->icu;
  UCalendar* fields = calendar->get();
  icu.calendarClear(fields);
  icu.calendarSetAttribute(fields, UCAL_LENIENT, 1);
  icu.calendarSet(fields, UCAL_EXTENDED_YEAR, c.year.value_or(1970));
  icu.calendarSet(fields, UCAL_MONTH, c.month.value_or(1) - 1);
  icu.calendarSet(fields, UCAL_DATE, c.day.value_or(1));
  icu.calendarSet(fields, UCAL_HOUR_OF_DAY, c.hour.value_or(0));
  icu.calendarSet(fields, UCAL_MINUTE, c.minute.value_or(0));
  icu.calendarSet(fields, UCAL_SECOND, c.second.value_or(0));
  int nanos = c.nanosecond.value_or(0);
  icu.calendarSet(fields, UCAL_MILLISECOND, nanos / kNanosPerMilli);
  auto date = timeOf(*calendar);
  if (!date) return std::nullopt;
  return date->addingTimeInterval((nanos % kNanosPerMilli) / 1e9);
}

std::optional<Date> Calendar::dateByAddingComponents(const DateComponents& c, Date date) const {
  auto calendar = calendarAt(*this, date);
  if (!calendar) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  auto add = [&](UCalendarDateFields field, const std::optional<int>& amount) {
    if (amount && *amount != 0) calendar->icu.calendarAdd(calendar->get(), field, *amount, &status);
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
  if (!calendar) return date;
  const auto& icu = calendar->icu;
  for (UCalendarDateFields field : {UCAL_HOUR_OF_DAY, UCAL_MINUTE, UCAL_SECOND, UCAL_MILLISECOND}) {
    icu.calendarSet(calendar->get(), field, 0);
  }
  // Where midnight is skipped by a clock change, the day starts at the first
  // wall-clock time that exists.
  icu.calendarSetAttribute(calendar->get(), UCAL_SKIPPED_WALL_TIME, UCAL_WALLTIME_NEXT_VALID);
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

// The weekday names of the locale's Gregorian calendar, Sunday first.
std::vector<std::string> weekdayNames(const Calendar& calendar, bool abbreviated) {
  std::vector<std::string> names;
  auto made = gregorian(calendar);
  if (!made) return names;
  const auto& icu = made->icu;
  // A format's symbols follow the calendar set on it, whatever the locale's own calendar.
  auto format = icu_support::openFormat(icu, UDAT_PATTERN, UDAT_PATTERN,
                                        icu_support::canonical(icu, calendar.locale()), u"");
  if (format == nullptr) return names;
  icu.dateSetCalendar(format.get(), made->get());
  const UDateFormatSymbolType type = abbreviated ? UDAT_SHORT_WEEKDAYS : UDAT_WEEKDAYS;
  for (int32_t day = UCAL_SUNDAY; day <= UCAL_SATURDAY; ++day) {
    auto name = icu_support::textOf([&](UChar* out, int32_t capacity, UErrorCode* error) {
      return icu.dateSymbol(format.get(), type, day, out, capacity, error);
    });
    if (!name) return {};
    names.push_back(utf16ToUtf8(*name));
  }
  return names;
}

}  // namespace

int Calendar::firstWeekday() const {
  auto calendar = gregorian(*this);
  if (!calendar) return 1;
  return calendar->icu.calendarGetAttribute(calendar->get(), UCAL_FIRST_DAY_OF_WEEK);
}

std::vector<std::string> Calendar::shortWeekdaySymbols() const { return weekdayNames(*this, true); }

std::vector<std::string> Calendar::weekdaySymbols() const { return weekdayNames(*this, false); }

}  // namespace vigilix::platform
