// Sleep and wake from logind's PrepareForSleep, against logind on a private
// system bus.

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
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

// PrepareForSleep as another connection on the bus sends it.
void emitForgedPrepareForSleep(const std::filesystem::path& folder, bool sleeping) {
  TestChildProcess emit(
      {"/usr/bin/busctl", "--system", "emit", "/org/freedesktop/login1",
       "org.freedesktop.login1.Manager", "PrepareForSleep", "b", sleeping ? "true" : "false"},
      folder / "busctl-emit.log");
  ASSERT_EQ(emit.wait(), 0) << readFile(folder / "busctl-emit.log");
}

TEST_F(LogindSleepMonitorTest, OnlyLogindsOwnSignalsAreBelieved) {
  LogindSleepMonitor monitor(main);
  ASSERT_TRUE(monitor.start());
  struct Row {
    const char* name;
    std::function<void()> emit;
    const char* posted;  // none: nothing may be posted
  };
  const Row rows[] = {
      {"a sleep from another connection",
       [this] { emitForgedPrepareForSleep(bus().folder(), true); }, nullptr},
      {"a wake from another connection",
       [this] { emitForgedPrepareForSleep(bus().folder(), false); }, nullptr},
      {"logind's own sleep", [] { emitPrepareForSleep(true); }, "NSWorkspaceWillSleepNotification"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    seen.clear();
    row.emit();
    if (row.posted) {
      EXPECT_TRUE(posted(row.posted));
      continue;
    }
    // logind's own wake comes after the forged signal on the same bus: once
    // it is seen, the forged one was seen before it, and ignored.
    emitPrepareForSleep(false);
    ASSERT_TRUE(posted("NSWorkspaceDidWakeNotification"));
    EXPECT_EQ(seen, std::vector<std::string>{"NSWorkspaceDidWakeNotification"});
    EXPECT_TRUE(holdsDelayLock());
  }
}

// logind absent at start, then started, then restarted: the delay lock
// follows it, and its signals are believed from each new owner.
TEST_F(LogindSleepMonitorTest, TheDelayLockFollowsLogindComingAndGoing) {
  logind().kill();
  LogindSleepMonitor monitor(main);
  ASSERT_TRUE(monitor.start()) << "watching for logind to come";
  std::optional<DbusMock> started;
  struct Row {
    const char* name;
    std::function<void()> change;
    bool locked;
  };
  const Row rows[] = {
      {"logind absent", [] {}, false},
      {"logind starts",
       [&] { started.emplace(bus(), logindInhibitTemplate(), "org.freedesktop.login1"); }, true},
      {"logind goes", [&] { started->kill(); }, false},
      {"logind starts again",
       [&] {
         started.reset();
         started.emplace(bus(), logindInhibitTemplate(), "org.freedesktop.login1");
       },
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.change();
    if (row.locked) {
      EXPECT_TRUE(waitUntil([] { return holdsDelayLock(); }));
    } else {
      EXPECT_FALSE(bus().hasOwner("org.freedesktop.login1"));
    }
  }
  seen.clear();
  emitPrepareForSleep(true);
  EXPECT_TRUE(posted("NSWorkspaceWillSleepNotification")) << "the new logind is believed";
}

}  // namespace
}  // namespace vigilix::testing
