#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/base/icu_formatting.h"
#include "platform/locale/calendar.h"
#include "platform/locale/date_components_formatter.h"
#include "platform/locale/date_formatter.h"
#include "platform/locale/time_zone.h"
#include "testing/captured_log.h"
#include "testing/pinned_locale.h"

namespace vigilix::platform {
namespace {

// With ICU's formatting library missing or not ICU's, each text takes the path of a failing ICU
// call, and the missing library is logged once.
TEST(IcuUnavailableTest, EachTextTakesItsFailurePath) {
  testing::PinnedLocale pin("en_US", "America/New_York");
  const Date date = Date::fromTimeIntervalSince1970(1'700'000'000.5);
  auto styled = [&](DateFormatStyle style, std::optional<Date> relativeTo) {
    DateFormatter formatter;
    formatter.setDateStyle(style);
    formatter.setRelativeDateFormatting(relativeTo);
    return formatter.stringFromDate(date);
  };
  struct Row {
    const char* name;
    std::function<std::string()> text;
    std::string expected;
  };
  const Row rows[] = {
      {"date by style", [&] { return styled(DateFormatStyle::shortStyle, std::nullopt); }, ""},
      {"relative day", [&] { return styled(DateFormatStyle::mediumStyle, date); }, ""},
      {"date by template",
       [&] {
         DateFormatter formatter;
         formatter.setLocalizedDateFormatFromTemplate("jmm");
         return formatter.stringFromDate(date);
       },
       ""},
      {"duration",
       [] { return DateComponentsFormatter().stringFromTimeInterval(3600).value_or("none"); },
       "none"},
      {"date's fields",
       [&] {
         return Calendar().componentsFromDate(CalendarUnit::year, date) == DateComponents{}
                    ? "empty"
                    : "some";
       },
       "empty"},
      {"date from fields",
       [] { return Calendar().dateFromComponents({.year = 2024}) ? "some" : "none"; }, "none"},
      {"start of day kept as the date",
       [&] { return Calendar().startOfDayForDate(date) == date ? "kept" : "moved"; }, "kept"},
      {"first weekday", [] { return std::to_string(Calendar().firstWeekday()); }, "1"},
      {"weekday names", [] { return std::to_string(Calendar().weekdaySymbols().size()); }, "0"},
      {"zone by name", [] { return TimeZone::named("Europe/Paris") ? "known" : "unknown"; },
       "unknown"},
  };
  struct Library {
    const char* name;
    const char* file;
    const char* logged;
  };
  const Library libraries[] = {
      {"not installed", "libicui18n-not-installed.so", "libicui18n-not-installed.so"},
      {"without ICU's functions", "libm.so.6", "ICU lacks uloc_canonicalize"},
  };
  for (const Library& library : libraries) {
    SCOPED_TRACE(library.name);
    testing::CapturedLog log;
    icu_library::ScopedFormattingLibrary missing(library.file);
    for (const Row& row : rows) {
      SCOPED_TRACE(row.name);
      EXPECT_EQ(row.text(), row.expected);
    }
    EXPECT_EQ(log.count(LogLevel::Error), 1u);
    EXPECT_TRUE(log.containsFragment(library.logged));
  }
  // The installed library answers again once the missing one is gone.
  EXPECT_EQ(DateComponentsFormatter().stringFromTimeInterval(3600), "1 hour");
}

}  // namespace
}  // namespace vigilix::platform
