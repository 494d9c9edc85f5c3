#include "menubar/remaining_time_text.h"

#include <gtest/gtest.h>

#include "testing/pinned_locale.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

TEST(RemainingTime, CountsFromOneSecondBeforeNow) {
  testing::TestPlatform platform;
  testing::PinnedLocale pin("en_US", "America/New_York");
  struct Row {
    const char* name;
    double fromNow;
    const char* withPhrase;
    const char* without;
  };
  const Row rows[] = {
      {"a half hour set a moment ago", 1799.5, "30 min remaining", "30 min"},
      {"hours, minutes and seconds", 3725, "1 hr, 2 min, 6 sec remaining", "1 hr, 2 min, 6 sec"},
      {"no days: hours go on", 90000, "25 hr, 1 sec remaining", "25 hr, 1 sec"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const platform::Date date = platform.now() + row.fromNow;
    EXPECT_EQ(RemainingTime::dzl_localizedRemainingTime(date), row.withPhrase);
    EXPECT_EQ(RemainingTime::dzl_localizedRemainingTimeWithoutPhrase(date), row.without);
  }
}

}  // namespace
}  // namespace vigilix
