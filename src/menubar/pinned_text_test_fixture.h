#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "menubar/awake_status_text.h"
#include "platform/base/date.h"
#include "platform/locale/calendar.h"
#include "platform/locale/locale.h"
#include "testing/pinned_locale.h"

namespace vigilix::testing {

// Texts of the menu bar in a pinned locale and time zone, at 15:25 local time
// on Thursday 10 December 2026, with an app-name resolver that records what
// it was asked.
class PinnedTextTest : public ::testing::Test {
 protected:
  explicit PinnedTextTest(const char* locale = "en_US", const char* zone = "America/New_York")
      : pin_(locale, zone) {}

  // Thursday 10 December 2026 at the given local time.
  platform::Date at(int hour, int minute, int second = 0, int day = 10) const {
    return *calendar_.dateFromComponents(
        {.year = 2026, .month = 12, .day = day, .hour = hour, .minute = minute, .second = second});
  }

  PinnedLocale pin_;
  platform::Calendar calendar_;
  platform::Locale locale_ = platform::Locale::current();
  platform::Date now_ = at(15, 25);
  std::vector<std::string> resolved_;
  AppNameResolver appName_ = [this](const std::string& id) {
    resolved_.push_back(id);
    return "Name of " + id;
  };
};

}  // namespace vigilix::testing
