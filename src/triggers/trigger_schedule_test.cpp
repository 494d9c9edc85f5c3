#include "triggers/trigger_schedule.h"

#include <gtest/gtest.h>

#include "platform/locale/calendar.h"

namespace vigilix {
namespace {

using platform::Calendar;
using platform::Date;
using platform::DateComponents;

constexpr int kSunday = 1, kMonday = 2, kThursday = 5, kFriday = 6, kSaturday = 7;

int at(int hour, int minute) { return hour * 60 + minute; }

struct Case {
  int weekday;
  int minuteOfDay;
  bool expected;
};

void expectCases(const TriggerSchedule& schedule, std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(schedule.isActive(c.weekday, c.minuteOfDay), c.expected)
        << "weekday " << c.weekday << " minute " << c.minuteOfDay;
  }
}

TEST(TriggerScheduleTest, SameDayWindowIncludesStartAndExcludesEnd) {
  const TriggerSchedule schedule{{kMonday}, 540, 1020};
  expectCases(schedule, {{kMonday, at(8, 59), false},
                         {kMonday, at(9, 0), true},
                         {kMonday, at(16, 59), true},
                         {kMonday, at(17, 0), false},
                         {kSunday, at(12, 0), false}});
}

TEST(TriggerScheduleTest, OvernightTailBelongsToTheStartDay) {
  const TriggerSchedule friday{{kFriday}, at(22, 0), at(6, 0)};
  expectCases(friday, {{kFriday, at(23, 0), true},
                       {kFriday, at(22, 0), true},
                       {kFriday, at(21, 59), false},
                       {kSaturday, at(5, 59), true},
                       {kSaturday, at(6, 0), false},
                       {kSaturday, at(23, 0), false},
                       // The small hours of Friday belong to Thursday's window.
                       {kFriday, at(5, 0), false}});

  const TriggerSchedule thursdayAndFriday{{kThursday, kFriday}, at(22, 0), at(6, 0)};
  expectCases(thursdayAndFriday, {{kFriday, at(5, 0), true}});
}

TEST(TriggerScheduleTest, OvernightTailWrapsAcrossTheWeek) {
  expectCases(TriggerSchedule{{kSunday}, at(22, 0), at(6, 0)}, {{kMonday, at(2, 0), true}});
  expectCases(TriggerSchedule{{kSaturday}, at(22, 0), at(6, 0)},
              {{kSunday, at(2, 0), true}, {kSaturday, at(2, 0), false}});
}

TEST(TriggerScheduleTest, EqualStartAndEndMeanTheWholeListedDay) {
  expectCases(TriggerSchedule{{kMonday}, 600, 600}, {{kMonday, 0, true},
                                                     {kMonday, at(10, 0), true},
                                                     {kMonday, at(23, 59), true},
                                                     {kSunday, at(23, 59), false},
                                                     {3, 0, false}});
}

TEST(TriggerScheduleTest, EmptyWeekdaysAndUnlistedNumbersNeverMatch) {
  expectCases(TriggerSchedule{{}, 0, 0}, {{kMonday, 0, false}, {kSunday, at(12, 0), false}});
  expectCases(TriggerSchedule{{}, at(22, 0), at(6, 0)}, {{kMonday, at(2, 0), false}});
  expectCases(TriggerSchedule{{0, 8}, 0, 0}, {{kSunday, 0, false}, {kSaturday, 0, false}});
}

TEST(TriggerScheduleTest, MinutesOutsideTheDayAreComparedAsTheyAre) {
  // An end beyond the day keeps the window open to midnight.
  expectCases(TriggerSchedule{{kMonday}, at(20, 0), 2000},
              {{kMonday, at(23, 59), true}, {kMonday, at(19, 59), false}});
}

class TriggerScheduleCalendarTest : public ::testing::Test {
 protected:
  Date date(const Calendar& calendar, int day, int hour, int minute) const {
    DateComponents c;
    c.year = 2024;
    c.month = 1;
    c.day = day;  // 2024-01-01 is a Monday.
    c.hour = hour;
    c.minute = minute;
    return calendar.dateFromComponents(c).value();
  }

  Calendar newYork_{platform::TimeZone::named("America/New_York").value(),
                    platform::Locale("en_US")};
  Calendar utc_{platform::TimeZone::utc(), platform::Locale("en_US")};
};

TEST_F(TriggerScheduleCalendarTest, ReadsWeekdayAndTimeInTheCalendarsZone) {
  const TriggerSchedule fridayNight{{kFriday}, at(22, 0), at(6, 0)};
  // Friday 2024-01-05 23:00 in New York is already Saturday 04:00 in UTC.
  const Date fridayLate = date(newYork_, 5, 23, 0);
  EXPECT_TRUE(fridayNight.isActive(fridayLate, newYork_));
  EXPECT_TRUE(fridayNight.isActive(fridayLate, utc_));  // Saturday 04:00, the tail.
  EXPECT_FALSE(fridayNight.isActive(date(newYork_, 6, 6, 0), newYork_));
  EXPECT_TRUE(fridayNight.isActive(date(newYork_, 6, 5, 59), newYork_));

  const TriggerSchedule mondayWork{{kMonday}, 540, 1020};
  EXPECT_TRUE(mondayWork.isActive(date(utc_, 1, 9, 0), utc_));
  EXPECT_FALSE(mondayWork.isActive(date(utc_, 1, 9, 0), newYork_));  // 04:00 there.
  EXPECT_FALSE(TriggerSchedule{}.isActive(date(utc_, 1, 9, 0), utc_));
}

}  // namespace
}  // namespace vigilix
