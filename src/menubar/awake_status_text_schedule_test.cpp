#include <gtest/gtest.h>

#include <set>

#include "menubar/awake_status_text.h"
#include "testing/pinned_locale.h"

namespace vigilix {
namespace {

using platform::Calendar;
using platform::Date;

constexpr int kSunday = 1, kMonday = 2, kTuesday = 3, kFriday = 6, kSaturday = 7;

class ScheduleWindowEndTest : public ::testing::Test {
 protected:
  // December 2026: Sunday the 6th, Monday the 7th, Tuesday the 8th ...
  Date at(int day, int hour, int minute) const {
    return *calendar_.dateFromComponents(
        {.year = 2026, .month = 12, .day = day, .hour = hour, .minute = minute, .second = 30});
  }
  Date exactly(int day, int hour, int minute) const {
    return *calendar_.dateFromComponents(
        {.year = 2026, .month = 12, .day = day, .hour = hour, .minute = minute});
  }
  std::optional<Date> end(const std::set<int>& days, int start, int stop, Date date) const {
    return AwakeStatusText::scheduleWindowEnd(days, start, stop, date, calendar_);
  }

  testing::PinnedLocale pin_{"en_GB", "Europe/London"};
  Calendar calendar_;
};

TEST_F(ScheduleWindowEndTest, OvernightWindowOnMondayOnly) {
  const std::set<int> monday{kMonday};
  EXPECT_EQ(end(monday, 1320, 360, at(7, 23, 0)), exactly(8, 6, 0));  // Monday 23:00
  EXPECT_EQ(end(monday, 1320, 360, at(7, 22, 0)), exactly(8, 6, 0));  // opens at 22:00
  EXPECT_EQ(end(monday, 1320, 360, at(8, 3, 0)), exactly(8, 6, 0));   // Tuesday 03:00
  EXPECT_EQ(end(monday, 1320, 360, at(8, 5, 59)), exactly(8, 6, 0));
  EXPECT_EQ(end(monday, 1320, 360, at(8, 6, 0)), std::nullopt);   // closed at its end
  EXPECT_EQ(end(monday, 1320, 360, at(8, 23, 0)), std::nullopt);  // Tuesday is not listed
  EXPECT_EQ(end(monday, 1320, 360, at(7, 3, 0)), std::nullopt);   // Sunday is not listed
  EXPECT_EQ(end(monday, 1320, 360, at(7, 12, 0)), std::nullopt);  // between end and start
}

TEST_F(ScheduleWindowEndTest, OvernightWindowAcrossTheWeekEnd) {
  // Saturday evening runs into Sunday morning: weekday 1's day before is 7.
  const std::set<int> saturday{kSaturday};
  EXPECT_EQ(end(saturday, 1320, 360, at(6, 2, 0)), exactly(6, 6, 0));
  EXPECT_EQ(end(saturday, 1320, 360, at(12, 23, 30)), exactly(13, 6, 0));
  const std::set<int> sunday{kSunday};
  EXPECT_EQ(end(sunday, 1320, 360, at(12, 2, 0)), std::nullopt);
}

TEST_F(ScheduleWindowEndTest, DaytimeWindowOnWeekdays) {
  const std::set<int> weekdays{kMonday, kTuesday, 4, 5, kFriday};
  EXPECT_EQ(end(weekdays, 540, 1020, exactly(8, 8, 59)), std::nullopt);
  EXPECT_EQ(end(weekdays, 540, 1020, exactly(8, 9, 0)), exactly(8, 17, 0));
  EXPECT_EQ(end(weekdays, 540, 1020, at(8, 16, 59)), exactly(8, 17, 0));
  EXPECT_EQ(end(weekdays, 540, 1020, exactly(8, 17, 0)), std::nullopt);
  EXPECT_EQ(end(weekdays, 540, 1020, at(12, 10, 0)), std::nullopt);  // Saturday
  EXPECT_EQ(end({}, 540, 1020, at(8, 10, 0)), std::nullopt);
}

TEST_F(ScheduleWindowEndTest, WholeDayWindowsHaveNoEnd) {
  EXPECT_EQ(end({kTuesday}, 0, 0, at(8, 10, 0)), std::nullopt);
  EXPECT_EQ(end({kTuesday}, 600, 600, at(8, 10, 0)), std::nullopt);
}

TEST_F(ScheduleWindowEndTest, MinutesBeyondTheDayCarryOver) {
  // Stored values are not range-checked; 1500 minutes is 01:00 the next day.
  EXPECT_EQ(end({kTuesday}, 540, 1500, at(8, 23, 0)), exactly(9, 1, 0));
}

TEST_F(ScheduleWindowEndTest, OvernightEndKeepsItsWallClockAcrossAClockChange) {
  // Clocks go back in London early on Sunday 25 October 2026.
  const std::set<int> saturday{kSaturday};
  Date saturdayNight = *calendar_.dateFromComponents(
      {.year = 2026, .month = 10, .day = 24, .hour = 23, .minute = 0});
  Date sundayMorning =
      *calendar_.dateFromComponents({.year = 2026, .month = 10, .day = 25, .hour = 6, .minute = 0});
  EXPECT_EQ(end(saturday, 1320, 360, saturdayNight), sundayMorning);
  EXPECT_EQ(sundayMorning - saturdayNight, 8 * 3600);
}

TEST_F(ScheduleWindowEndTest, WeekdayAndTimeAreReadInTheCalendarsZone) {
  // Monday 23:00 in London is Monday 18:00 in New York: outside the window there.
  Calendar newYork(*platform::TimeZone::named("America/New_York"), platform::Locale("en_US"));
  EXPECT_EQ(AwakeStatusText::scheduleWindowEnd({kMonday}, 1320, 360, at(7, 23, 0), newYork),
            std::nullopt);
  EXPECT_EQ(AwakeStatusText::scheduleWindowEnd({kMonday}, 1020, 1200, at(7, 23, 0), newYork),
            at(7, 23, 0) + 2 * 3600 - 30);
}

}  // namespace
}  // namespace vigilix
