#include "platform/locale/date_components_formatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "testing/pinned_locale.h"

namespace vigilix::platform {
namespace {

constexpr double kMinute = 60, kHour = 3600, kDay = 86400;

class DateComponentsFormatterTest : public ::testing::Test {
 protected:
  DateComponentsFormatterTest() { formatter_.setMaximumUnitCount(2); }
  std::string format(double seconds) {
    return formatter_.stringFromTimeInterval(seconds).value_or("<none>");
  }
  testing::PinnedLocale pin_{"en_US", "America/New_York"};
  DateComponentsFormatter formatter_;
};

TEST_F(DateComponentsFormatterTest, FullStyleSpellsUnitsOut) {
  EXPECT_EQ(format(2 * kHour + 5 * kMinute), "2 hours, 5 minutes");
  EXPECT_EQ(format(kDay + kHour), "1 day, 1 hour");
  EXPECT_EQ(format(1), "1 second");
  EXPECT_EQ(format(45), "45 seconds");
}

TEST_F(DateComponentsFormatterTest, UnitsBelowTheLastShownOneAreTruncated) {
  EXPECT_EQ(format(2 * kHour + 5 * kMinute + 59), "2 hours, 5 minutes");
  EXPECT_EQ(format(59.99), "59 seconds");
  EXPECT_EQ(format(3 * kDay + 23 * kHour + 59 * kMinute), "3 days, 23 hours");
}

TEST_F(DateComponentsFormatterTest, ZeroUnitsAreLeftOutOfTheWindow) {
  // The window starts at the first non-zero unit and is two units wide.
  EXPECT_EQ(format(kHour + 1), "1 hour");
  EXPECT_EQ(format(kDay + 5 * kMinute), "1 day");
  EXPECT_EQ(format(5 * kMinute + 1), "5 minutes, 1 second");
  formatter_.setMaximumUnitCount(0);
  EXPECT_EQ(format(kDay + 5 * kMinute + 1), "1 day, 5 minutes, 1 second");
}

TEST_F(DateComponentsFormatterTest, ZeroReadsAsTheSmallestAllowedUnit) {
  EXPECT_EQ(format(0), "0 seconds");
  EXPECT_EQ(format(0.4), "0 seconds");
  formatter_.setAllowedUnits(CalendarUnit::day | CalendarUnit::hour | CalendarUnit::minute);
  EXPECT_EQ(format(45), "0 minutes");
  EXPECT_EQ(format(kHour + 45), "1 hour");
}

TEST_F(DateComponentsFormatterTest, AllowedUnitsCarryTheWholeSpan) {
  formatter_.setAllowedUnits(CalendarUnit::hour | CalendarUnit::minute);
  EXPECT_EQ(format(2 * kDay + 30 * kMinute), "48 hours, 30 minutes");
  formatter_.setAllowedUnits(CalendarUnit::second);
  EXPECT_EQ(format(2 * kMinute + 5), "125 seconds");
}

TEST_F(DateComponentsFormatterTest, ShortAndAbbreviatedStylesUseTheLocalesWords) {
  formatter_.setUnitsStyle(UnitsStyle::shortStyle);
  EXPECT_EQ(format(2 * kHour + 5 * kMinute), "2 hr, 5 min");
  EXPECT_EQ(format(45), "45 sec");
  formatter_.setUnitsStyle(UnitsStyle::abbreviated);
  EXPECT_EQ(format(2 * kHour + 5 * kMinute), "2h 5m");

  formatter_.setCalendar(Calendar(TimeZone::utc(), Locale("en_GB")));
  formatter_.setUnitsStyle(UnitsStyle::shortStyle);
  EXPECT_EQ(format(2 * kHour + 5 * kMinute), "2 hrs, 5 mins");
  formatter_.setCalendar(Calendar(TimeZone::utc(), Locale("de_DE")));
  formatter_.setUnitsStyle(UnitsStyle::full);
  EXPECT_EQ(format(2 * kHour + kMinute), "2 Stunden, 1 Minute");
}

// Large amounts group their digits and several units join as each locale writes them.
TEST_F(DateComponentsFormatterTest, AmountsAndListsFollowTheLocale) {
  struct Row {
    const char* name;
    const char* locale;
    UnitsStyle style;
    CalendarUnit units;
    double seconds;
    std::string expected;
  };
  constexpr auto kHours = CalendarUnit::hour;
  constexpr auto kDaysToMinutes = CalendarUnit::day | CalendarUnit::hour | CalendarUnit::minute;
  const Row rows[] = {
      {"thousands grouped", "en_US", UnitsStyle::full, kHours, 1234 * kHour, "1,234 hours"},
      {"POSIX groups nothing", "en_US_POSIX", UnitsStyle::full, kHours, 1234 * kHour, "1234 hours"},
      {"four digits grouped though the locale's rule would not", "es_ES", UnitsStyle::full, kHours,
       1234 * kHour, "1.234 horas"},
      {"narrow list joins with spaces", "en_US", UnitsStyle::abbreviated, kDaysToMinutes,
       1234 * kDay + 5 * kHour, "1,234d 5h"},
      {"short words and list", "de_DE", UnitsStyle::shortStyle,
       CalendarUnit::hour | CalendarUnit::minute, 12345 * kHour + 5 * kMinute,
       "12.345 Std., 5 Min."},
      {"last unit joined by the locale's conjunction", "fr_FR", UnitsStyle::full, kDaysToMinutes,
       3 * kDay + kHour + 5 * kMinute, "3\u00a0jours, 1\u00a0heure et 5 minutes"},
  };
  formatter_.setMaximumUnitCount(0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    formatter_.setCalendar(Calendar(TimeZone::utc(), Locale(row.locale)));
    formatter_.setUnitsStyle(row.style);
    formatter_.setAllowedUnits(row.units);
    EXPECT_EQ(format(row.seconds), row.expected);
  }
}

TEST_F(DateComponentsFormatterTest, RemainingPhraseFollowsTheUnits) {
  formatter_.setUnitsStyle(UnitsStyle::shortStyle);
  formatter_.setIncludesTimeRemainingPhrase(true);
  EXPECT_EQ(format(30 * kMinute), "30 min remaining");
}

TEST_F(DateComponentsFormatterTest, NegativeSpansCarryTheSignOnce) {
  EXPECT_EQ(format(-(kHour + 5 * kMinute)), "-1 hour, 5 minutes");
  EXPECT_EQ(format(-0.5), "0 seconds");
}

TEST_F(DateComponentsFormatterTest, NothingForSpansThatCannotBeWritten) {
  EXPECT_EQ(format(NAN), "<none>");
  EXPECT_EQ(format(std::numeric_limits<double>::infinity()), "<none>");
  EXPECT_EQ(format(1e300), "<none>");
  formatter_.setAllowedUnits(CalendarUnit::year | CalendarUnit::month);
  EXPECT_EQ(format(60), "<none>");
}

}  // namespace
}  // namespace vigilix::platform
