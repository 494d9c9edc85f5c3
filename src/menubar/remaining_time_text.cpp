#include "menubar/remaining_time_text.h"

#include "platform/locale/date_components_formatter.h"
#include "platform/runloop/clock.h"

namespace vigilix::RemainingTime {

namespace {

std::string remaining(platform::Date date, bool withPhrase) {
  platform::DateComponentsFormatter formatter;
  formatter.setUnitsStyle(platform::UnitsStyle::shortStyle);
  formatter.setAllowedUnits(platform::CalendarUnit::hour | platform::CalendarUnit::minute |
                            platform::CalendarUnit::second);
  formatter.setIncludesTimeRemainingPhrase(withPhrase);
  const platform::Date from = platform::Clock::current().now() - 1;
  return formatter.stringFromTimeInterval(date - from).value_or("");
}

}  // namespace

std::string dzl_localizedRemainingTime(platform::Date date) { return remaining(date, true); }

std::string dzl_localizedRemainingTimeWithoutPhrase(platform::Date date) {
  return remaining(date, false);
}

}  // namespace vigilix::RemainingTime
