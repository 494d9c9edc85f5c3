#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "menubar/awake_status_text.h"
#include "platform/base/date.h"
#include "platform/locale/calendar.h"
#include "platform/locale/locale.h"
#include "platform/locale/time_zone.h"
#include "testing/pinned_locale.h"

namespace vigilix::testing {

// Texts of the menu bar at 15:25 local time on Thursday 10 December 2026, in
// American English in New York or British English in London, with an
// app-name resolver that records what it was asked.
class PinnedTextTest : public ::testing::Test {
 protected:
  StatusTextContext context(bool british = false) {
    const char* locale = british ? "en_GB" : "en_US";
    StatusTextContext context;
    context.calendar = platform::Calendar(
        *platform::TimeZone::named(british ? "Europe/London" : "America/New_York"),
        platform::Locale(locale));
    context.locale = platform::Locale(locale);
    context.appName = [this](const std::string& id) {
      resolved_.push_back(id);
      return "Name of " + id;
    };
    context.now = *context.calendar.dateFromComponents(
        {.year = 2026, .month = 12, .day = 10, .hour = 15, .minute = 25});
    return context;
  }

  // Texts nobody pinned would follow the machine's locale and zone.
  PinnedLocale pin_{"en_US", "America/New_York"};
  std::vector<std::string> resolved_;
};

}  // namespace vigilix::testing
