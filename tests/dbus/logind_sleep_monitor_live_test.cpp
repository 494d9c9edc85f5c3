// Sleep and wake from logind's PrepareForSleep, against logind on a private
// system bus.

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "dbus/mock_logind_test_fixture.h"
#include "platform/notifications/notification_center.h"
#include "platform/power/logind_sleep_monitor.h"
#include "testing/manual_dispatch_queue.h"

namespace vigilix::testing {
namespace {

using platform::LogindSleepMonitor;

bool holdsDelayLock() {
  auto locks = platform::LiveLogindInhibitors().listInhibitors();
  return locks && std::ranges::any_of(*locks, [](const platform::LogindInhibitor& lock) {
           return lock.pid == static_cast<std::uint32_t>(::getpid()) && lock.mode == "delay" &&
                  lock.who == "Vigilix" && lock.what == "sleep" &&
                  lock.why == LogindSleepMonitor::kWhy;
         });
}

class LogindSleepMonitorTest : public MockLogindTest {
 protected:
  // Runs the main queue's tasks until `name` has been posted.
  bool posted(const std::string& name) {
    return waitUntil([&] {
      main.runAll();
      return std::ranges::count(seen, name) > 0;
    });
  }

  ManualDispatchQueue main;
  std::vector<std::string> seen;  // posted names, on this thread
  platform::ObserverHandle observer = platform::NotificationCenter::workspaceCenter().addObserver(
      "", nullptr, nullptr,
      [this](const platform::Notification& notification) { seen.push_back(notification.name); });
};

TEST_F(LogindSleepMonitorTest, SleepWaitsForTheWillSleepPostAndWakeTakesTheLockAgain) {
  LogindSleepMonitor monitor(main);
  ASSERT_TRUE(monitor.start());
  EXPECT_TRUE(holdsDelayLock());

  emitPrepareForSleep(true);
  ASSERT_TRUE(waitUntil([&] { return main.pendingCount() > 0; }));
  EXPECT_TRUE(holdsDelayLock()) << "held while the will-sleep work waits";
  ASSERT_TRUE(posted("NSWorkspaceWillSleepNotification"));
  EXPECT_TRUE(waitUntil([] { return !holdsDelayLock(); })) << "let go once the post returned";
  EXPECT_EQ(std::ranges::count(seen, "NSWorkspaceDidWakeNotification"), 0);

  emitPrepareForSleep(false);
  ASSERT_TRUE(posted("NSWorkspaceDidWakeNotification"));
  EXPECT_TRUE(waitUntil([] { return holdsDelayLock(); }));
  EXPECT_EQ(seen, (std::vector<std::string>{"NSWorkspaceWillSleepNotification",
                                            "NSWorkspaceDidWakeNotification"}));
}

TEST_F(LogindSleepMonitorTest, AStuckMainThreadHoldsSleepUpOnlyBriefly) {
  LogindSleepMonitor monitor(main);
  ASSERT_TRUE(monitor.start());
  emitPrepareForSleep(true);  // nobody runs the main queue
  EXPECT_TRUE(waitUntil([] { return !holdsDelayLock(); }, std::chrono::seconds(8)));
  EXPECT_TRUE(posted("NSWorkspaceWillSleepNotification")) << "still posted, late";
}

TEST_F(LogindSleepMonitorTest, WithoutLogindNothingIsWatched) {
  logind().kill();
  LogindSleepMonitor monitor(main);
  EXPECT_FALSE(monitor.start());
}

}  // namespace
}  // namespace vigilix::testing
