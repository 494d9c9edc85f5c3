#include "platform/system/clock_change_filter.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/notifications/notification_center.h"
#include "platform/system/clock_change_monitor.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

TEST(ClockChangeFilterTest, OnlyAJumpBeyondTheTimeThatPassedIsAChangeAndSetsAreGatheredForASecond) {
  struct Row {
    const char* name;
    std::function<void(testing::TestPlatform&, ClockChangeFilter&)> sets;
    int noticesAtOnce;
    int noticesAfterASecond;
  };
  const auto set = [](double by) {
    return [by](testing::TestPlatform& platform, ClockChangeFilter& filter) {
      platform.setNow(platform.now() + by);
      filter.clockWasSet();
    };
  };
  const Row rows[] = {
      {"within the tolerance", set(0.9), 0, 0},
      {"an hour ahead", set(3600), 1, 1},
      {"a day back", set(-86400), 1, 1},
      {"a sleep moves continuous time too",
       [](auto& platform, auto& filter) {
         platform.sleepFor(3600);
         filter.clockWasSet();
       },
       0, 0},
      {"small sets that add up",
       [&](auto& platform, auto& filter) {
         for (int step = 0; step < 3; ++step) {
           set(0.4)(platform, filter);
           platform.advance(1.5);
         }
       },
       1, 1},
      {"a set within the gathering second waits for its end",
       [&](auto& platform, auto& filter) {
         set(3600)(platform, filter);
         platform.advance(0.5);
         set(-7200)(platform, filter);
       },
       1, 2},
      {"a set undone within the gathering second is none",
       [&](auto& platform, auto& filter) {
         set(0)(platform, filter);
         set(3600)(platform, filter);
         set(-3600)(platform, filter);
       },
       0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    int notices = 0;
    const auto observer = NotificationCenter::defaultCenter().addObserver(
        kSystemClockDidChangeNotification, nullptr, nullptr,
        [&notices](const Notification&) { ++notices; });
    ClockChangeFilter filter(Clock::current(), DispatchQueue::main());
    row.sets(platform, filter);
    EXPECT_EQ(notices, row.noticesAtOnce);
    platform.advance(ClockChangeFilter::kGatheringSeconds);
    EXPECT_EQ(notices, row.noticesAfterASecond);
    // Without further sets the gathering ends, and with it the filter's timer.
    platform.advance(ClockChangeFilter::kGatheringSeconds);
    EXPECT_FALSE(filter.gathering());
    EXPECT_EQ(platform.scheduler().pendingCount(), 0u);
  }
}

}  // namespace
}  // namespace vigilix::platform
