#include "platform/locale/calendar.h"

#include <gtest/gtest.h>

#include <cmath>

#include "testing/pinned_locale.h"

namespace vigilix::platform {
namespace {

constexpr auto kAll = CalendarUnit::year | CalendarUnit::month | CalendarUnit::day |
                      CalendarUnit::hour | CalendarUnit::minute | CalendarUnit::second |
                      CalendarUnit::weekday;

Calendar in(const std::string& zone) { return Calendar(*TimeZone::named(zone), Locale("en_GB")); }

Date local(const Calendar& calendar, int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return *calendar.dateFromComponents(
      {.year = y, .month = mo, .day = d, .hour = h, .minute = mi, .second = s});
}

TEST(CalendarTest, DefaultCalendarFollowsThePinnedZoneAndLocale) {
  testing::PinnedLocale pin("en_GB", "Europe/London");
  Calendar calendar;
  EXPECT_EQ(calendar.timeZone().identifier(), "Europe/London");
  EXPECT_EQ(calendar.locale().identifier(), "en_GB");
  EXPECT_EQ(Calendar::current(), calendar);
}

TEST(CalendarTest, ComponentsAreReadInTheCalendarsZone) {
  // 2026-12-10 04:30:15 UTC is still 9 December in New York.
  Date date = Date::fromTimeIntervalSince1970(1796877015);
  DateComponents utc = in("UTC").componentsFromDate(kAll, date);
  EXPECT_EQ(utc, (DateComponents{.year = 2026,
                                 .month = 12,
                                 .day = 10,
                                 .hour = 4,
                                 .minute = 30,
                                 .second = 15,
                                 .weekday = 5}));
  DateComponents ny = in("America/New_York").componentsFromDate(kAll, date);
  EXPECT_EQ(ny.day, 9);
  EXPECT_EQ(ny.hour, 23);
  EXPECT_EQ(ny.weekday, 4);  // Wednesday
  EXPECT_EQ(in("UTC").component(CalendarUnit::minute, date), 30);
  // Only the requested fields are filled.
  EXPECT_EQ(in("UTC").componentsFromDate(CalendarUnit::hour, date), DateComponents{.hour = 4});
}

TEST(CalendarTest, WeekdaysCountFromSunday) {
  Calendar calendar = in("Europe/London");
  EXPECT_EQ(calendar.component(CalendarUnit::weekday, local(calendar, 2026, 12, 6)), 1);
  EXPECT_EQ(calendar.component(CalendarUnit::weekday, local(calendar, 2026, 12, 7)), 2);
  EXPECT_EQ(calendar.component(CalendarUnit::weekday, local(calendar, 2026, 12, 12)), 7);
}

// The week's first day and the weekday names follow the locale, Sunday first in the lists.
TEST(CalendarTest, TheWeekStartsAndIsNamedAsTheLocaleSays) {
  struct Row {
    const char* locale;
    int firstWeekday;
    const char* sundayShort;
    const char* mondayFull;
  };
  const Row rows[] = {
      {"en_GB", 2, "Sun", "Monday"},
      {"en_US", 1, "Sun", "Monday"},
      {"de_DE", 2, "So.", "Montag"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.locale);
    const Calendar calendar(*TimeZone::named("UTC"), Locale(row.locale));
    EXPECT_EQ(calendar.firstWeekday(), row.firstWeekday);
    ASSERT_EQ(calendar.shortWeekdaySymbols().size(), 7u);
    ASSERT_EQ(calendar.weekdaySymbols().size(), 7u);
    EXPECT_EQ(calendar.shortWeekdaySymbols()[0], row.sundayShort);
    EXPECT_EQ(calendar.weekdaySymbols()[1], row.mondayFull);
  }
}

TEST(CalendarTest, DateFromComponentsCarriesOverflowingFields) {
  Calendar calendar = in("UTC");
  EXPECT_EQ(calendar.dateFromComponents({.year = 2026, .month = 12, .day = 10, .hour = 25}),
            local(calendar, 2026, 12, 11, 1));
  EXPECT_EQ(calendar.dateFromComponents({.year = 2026, .month = 12, .day = 10, .minute = -30}),
            local(calendar, 2026, 12, 9, 23, 30));
  EXPECT_EQ(calendar.dateFromComponents({.year = 2001}), Date(0));
  EXPECT_EQ(calendar.dateFromComponents({.year = 2001, .nanosecond = 250'000'000}), Date(0.25));
}

TEST(CalendarTest, AddingADayKeepsTheWallClockAcrossAClockChange) {
  Calendar london = in("Europe/London");
  // Clocks go forward on 29 March 2026: that day has 23 hours.
  Date before = local(london, 2026, 3, 28, 12);
  auto after = london.dateByAddingUnit(CalendarUnit::day, 1, before);
  ASSERT_TRUE(after);
  EXPECT_EQ(*after, local(london, 2026, 3, 29, 12));
  EXPECT_EQ(*after - before, 23 * 3600);
  // Hours are elapsed time, not wall-clock time.
  EXPECT_EQ(*london.dateByAddingUnit(CalendarUnit::hour, 24, before) - before, 24 * 3600);
}

TEST(CalendarTest, AddingComponentsClampsMonthEndsAndKeepsFractions) {
  Calendar calendar = in("UTC");
  EXPECT_EQ(calendar.dateByAddingComponents({.month = 1}, local(calendar, 2026, 1, 31)),
            local(calendar, 2026, 2, 28));
  EXPECT_EQ(
      calendar.dateByAddingComponents({.day = 1, .hour = 1}, local(calendar, 2026, 12, 31, 23)),
      local(calendar, 2027, 1, 2, 0));
  Date withFraction = local(calendar, 2026, 5, 1).addingTimeInterval(0.5);
  EXPECT_DOUBLE_EQ(calendar.dateByAddingUnit(CalendarUnit::minute, 1, withFraction)
                       ->timeIntervalSince(local(calendar, 2026, 5, 1, 0, 1)),
                   0.5);
  EXPECT_FALSE(calendar.dateByAddingUnit(CalendarUnit::weekday, 1, withFraction));
  EXPECT_FALSE(calendar.dateByAddingUnit(CalendarUnit::day, 1, Date(NAN)));
}

TEST(CalendarTest, StartOfDayAndDayQuestions) {
  Calendar ny = in("America/New_York");
  Date evening = local(ny, 2026, 12, 9, 23, 59, 59);
  EXPECT_EQ(ny.startOfDayForDate(evening), local(ny, 2026, 12, 9));
  Date nextMorning = local(ny, 2026, 12, 10, 0, 0, 1);
  EXPECT_FALSE(ny.isDateInSameDayAsDate(evening, nextMorning));
  EXPECT_TRUE(ny.isDateInToday(local(ny, 2026, 12, 9), evening));
  EXPECT_TRUE(ny.isDateInTomorrow(nextMorning, evening));
  EXPECT_FALSE(ny.isDateInTomorrow(evening, evening));
  EXPECT_FALSE(ny.isDateInTomorrow(local(ny, 2026, 12, 11), evening));
  // The same two instants share a day in London, five hours ahead.
  Calendar london = in("Europe/London");
  EXPECT_TRUE(london.isDateInSameDayAsDate(evening, nextMorning));
}

TEST(CalendarTest, StartOfDayWhereMidnightIsSkipped) {
  // Havana moved its clocks from 00:00 to 01:00 on 8 March 2026.
  Calendar havana = in("America/Havana");
  Date noon = local(havana, 2026, 3, 8, 12);
  DateComponents start =
      havana.componentsFromDate(CalendarUnit::day | CalendarUnit::hour | CalendarUnit::minute,
                                havana.startOfDayForDate(noon));
  EXPECT_EQ(start, (DateComponents{.day = 8, .hour = 1, .minute = 0}));
}

}  // namespace
}  // namespace vigilix::platform
