#include "platform/locale/date_formatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "testing/pinned_locale.h"

namespace vigilix::platform {
namespace {

// Thursday 10 December 2026, 15:05:30 in the pinned zone.
Date thursdayAfternoon() {
  return *Calendar().dateFromComponents(
      {.year = 2026, .month = 12, .day = 10, .hour = 15, .minute = 5, .second = 30});
}

DateFormatter styled(DateFormatStyle date, DateFormatStyle time) {
  DateFormatter formatter;
  formatter.setDateStyle(date);
  formatter.setTimeStyle(time);
  return formatter;
}

TEST(DateFormatterTest, ShortTimeUsesAnOrdinarySpaceBeforeTheDayPeriod) {
  testing::PinnedLocale pin("en_US", "America/New_York");
  EXPECT_EQ(styled(DateFormatStyle::noStyle, DateFormatStyle::shortStyle)
                .stringFromDate(thursdayAfternoon()),
            "3:05 PM");  // U+0020, not U+202F
  EXPECT_EQ(styled(DateFormatStyle::shortStyle, DateFormatStyle::shortStyle)
                .stringFromDate(thursdayAfternoon()),
            "12/10/26, 3:05 PM");
}

TEST(DateFormatterTest, BritishEnglishUsesTheTwentyFourHourClock) {
  testing::PinnedLocale pin("en_GB", "Europe/London");
  EXPECT_EQ(styled(DateFormatStyle::noStyle, DateFormatStyle::shortStyle)
                .stringFromDate(thursdayAfternoon()),
            "15:05");
  EXPECT_EQ(styled(DateFormatStyle::shortStyle, DateFormatStyle::shortStyle)
                .stringFromDate(thursdayAfternoon()),
            "10/12/2026, 15:05");
  EXPECT_EQ(styled(DateFormatStyle::noStyle, DateFormatStyle::noStyle)
                .stringFromDate(thursdayAfternoon()),
            "");
}

TEST(DateFormatterTest, TheCalendarsZoneDecidesTheWallClock) {
  testing::PinnedLocale pin("en_GB", "Europe/London");
  Date date = thursdayAfternoon();
  DateFormatter formatter = styled(DateFormatStyle::noStyle, DateFormatStyle::shortStyle);
  formatter.setCalendar(Calendar(*TimeZone::named("America/New_York"), Locale("en_GB")));
  EXPECT_EQ(formatter.stringFromDate(date), "10:05");
  formatter.setTimeZone(*TimeZone::named("Asia/Tokyo"));
  EXPECT_EQ(formatter.stringFromDate(date), "00:05");
  formatter.setLocale(Locale("en_US"));
  EXPECT_EQ(formatter.stringFromDate(date), "12:05 AM");
}

TEST(DateFormatterTest, TemplatesFollowTheLocalesOrder) {
  for (auto [locale, time, day, fixed] : {std::tuple{"en_US", "3:05 PM", "Thu, Dec 10", "3:05 PM"},
                                          std::tuple{"en_GB", "15:05", "Thu, 10 Dec", "3:05 pm"}}) {
    testing::PinnedLocale pin(locale, "Europe/London");
    DateFormatter formatter;
    formatter.setLocalizedDateFormatFromTemplate("jmm");
    EXPECT_EQ(formatter.stringFromDate(thursdayAfternoon()), time) << locale;
    formatter.setLocalizedDateFormatFromTemplate("EEE d MMM");
    EXPECT_EQ(formatter.stringFromDate(thursdayAfternoon()), day) << locale;
    // A fixed pattern keeps its own twelve-hour clock in every locale.
    formatter.setDateFormat("h:mm a");
    EXPECT_EQ(formatter.stringFromDate(thursdayAfternoon()), fixed) << locale;
  }
}

TEST(DateFormatterTest, RelativeFormattingNamesNeighbouringDays) {
  testing::PinnedLocale pin("en_US", "America/New_York");
  Calendar calendar;
  Date now = thursdayAfternoon();
  DateFormatter formatter = styled(DateFormatStyle::mediumStyle, DateFormatStyle::noStyle);
  formatter.setRelativeDateFormatting(now);
  auto inDays = [&](int days, int hour) {
    Date day = *calendar.dateByAddingUnit(CalendarUnit::day, days, calendar.startOfDayForDate(now));
    return formatter.stringFromDate(day + hour * 3600.0);
  };
  EXPECT_EQ(inDays(0, 23), "today");
  EXPECT_EQ(inDays(1, 0), "tomorrow");
  EXPECT_EQ(inDays(-1, 12), "yesterday");
  EXPECT_EQ(inDays(2, 0), "Dec 12, 2026");
  // With a time the date is written out.
  formatter.setTimeStyle(DateFormatStyle::shortStyle);
  EXPECT_EQ(inDays(1, 9), "Dec 11, 2026, 9:00 AM");
  // Off again.
  formatter.setTimeStyle(DateFormatStyle::noStyle);
  formatter.setRelativeDateFormatting(std::nullopt);
  EXPECT_EQ(inDays(1, 0), "Dec 11, 2026");
}

TEST(DateFormatterTest, NonFiniteDatesFormatAsNothing) {
  testing::PinnedLocale pin("en_US", "America/New_York");
  EXPECT_EQ(
      styled(DateFormatStyle::shortStyle, DateFormatStyle::shortStyle).stringFromDate(Date(NAN)),
      "");
}

}  // namespace
}  // namespace vigilix::platform
