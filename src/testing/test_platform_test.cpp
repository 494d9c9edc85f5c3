#include "testing/test_platform.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/shared_instances.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/live_clock.h"
#include "platform/runloop/live_run_loop.h"
#include "platform/runloop/run_loop.h"
#include "platform/runloop/run_loop_platform.h"

namespace vigilix::testing {
namespace {

using platform::Date;
using platform::DispatchQueue;
using platform::DispatchTimerSource;
using platform::RunLoop;
using platform::Timer;

constexpr double kNanosecondsPerSecond = 1e9;

// --- Installation ----------------------------------------------------------

TEST(TestPlatformInstallation, StartsAtTheDocumentedDateAndUptime) {
  TestPlatform platform;
  EXPECT_EQ(platform.now().timeIntervalSince1970(), 1767603600.0);  // 2026-01-05 09:00:00 UTC
  EXPECT_EQ(platform.uptime(), 1000.0);
  EXPECT_EQ(platform::Clock::current().continuousNanoseconds(), 1000ull * 1'000'000'000ull);
}

TEST(TestPlatformInstallation, StartsAtAChosenDate) {
  const Date chosen = Date::fromTimeIntervalSince1970(1700000000);
  TestPlatform platform(chosen);
  EXPECT_EQ(platform::Clock::current().now(), chosen);
}

TEST(TestPlatformInstallation, InstallsVirtualTimeAndRestoresTheLivePlatform) {
  {
    TestPlatform platform;
    EXPECT_EQ(&platform::Clock::current(), &platform.clock());
    EXPECT_EQ(&platform::RunLoopPlatform::current(), &platform.scheduler());
    EXPECT_EQ(&RunLoop::main(), &platform.scheduler().mainRunLoop());
  }
  EXPECT_EQ(&platform::Clock::current(), &platform::LiveClock::shared());
  EXPECT_EQ(dynamic_cast<VirtualScheduler*>(&platform::RunLoopPlatform::current()), nullptr);
  EXPECT_EQ(&RunLoop::main(), &platform::LiveRunLoop::main());
}

constinit platform::SharedInstance<int> sharedCounter;

TEST(TestPlatformInstallation, ResetsSharedInstancesWhenItEnds) {
  sharedCounter.get() = 7;
  { TestPlatform platform; }
  EXPECT_EQ(sharedCounter.existing(), nullptr);
  EXPECT_EQ(sharedCounter.get(), 0);
}

TEST(TestPlatformInstallation, PendingWorkIsDroppedUnrunWhenItEnds) {
  int ran = 0;
  auto counter = std::make_shared<int>(0);
  std::weak_ptr<int> weak = counter;
  {
    TestPlatform platform;
    DispatchQueue::main().async([&ran, counter] { ++ran; });
    auto timer = RunLoop::main().scheduleTimer(1, true, [&ran, counter](Timer&) { ++ran; });
    counter.reset();
  }
  EXPECT_EQ(ran, 0);
  EXPECT_TRUE(weak.expired()) << "dropped work releases what it captured";
}

// --- Verbs -----------------------------------------------------------------

class TestPlatformVerbs : public ::testing::Test {
 protected:
  double wallSinceStart() const { return platform.now() - startWall; }
  double uptimeSinceStart() const { return platform.uptime() - startUptime; }
  double continuousSinceStart() const {
    return static_cast<double>(platform.clock().continuousNanoseconds() - startContinuous) /
           kNanosecondsPerSecond;
  }

  TestPlatform platform;
  Date startWall = platform.now();
  double startUptime = platform.uptime();
  std::uint64_t startContinuous = platform.clock().continuousNanoseconds();
  std::vector<std::string> events;
};

TEST_F(TestPlatformVerbs, AdvanceRunsDueWorkAtItsDueTimeAndEndsExactlyAtTheSpan) {
  std::vector<double> at;
  DispatchQueue::main().asyncAfter(2.5, [&] { at.push_back(uptimeSinceStart()); });
  auto timer =
      RunLoop::main().scheduleTimer(1, false, [&](Timer&) { at.push_back(wallSinceStart()); });
  platform.advance(7);
  EXPECT_EQ(at, (std::vector<double>{1, 2.5}));
  EXPECT_EQ(wallSinceStart(), 7);
  EXPECT_EQ(uptimeSinceStart(), 7);
  EXPECT_DOUBLE_EQ(continuousSinceStart(), 7);
}

TEST_F(TestPlatformVerbs, AdvanceOrdersWallAndUptimeWorkDueTogetherByPostingOrder) {
  auto timer = RunLoop::main().scheduleTimer(5, false, [&](Timer&) { events.push_back("wall"); });
  DispatchQueue::main().asyncAfter(5, [&] { events.push_back("uptime"); });
  auto second =
      RunLoop::main().scheduleTimer(5, false, [&](Timer&) { events.push_back("wall 2"); });
  platform.advance(5);
  EXPECT_EQ(events, (std::vector<std::string>{"wall", "uptime", "wall 2"}));
}

TEST_F(TestPlatformVerbs, AdvanceByZeroOrLessRunsWhatIsDueNowAndNeverGoesBack) {
  DispatchQueue::main().async([&] { events.push_back("now"); });
  DispatchQueue::main().asyncAfter(1, [&] { events.push_back("later"); });
  platform.advance(-5);
  EXPECT_EQ(events, std::vector<std::string>{"now"});
  EXPECT_EQ(uptimeSinceStart(), 0);
}

TEST_F(TestPlatformVerbs, AdvanceClockWithoutRunningMovesEveryClockAndRunsNothing) {
  DispatchQueue::main().async([&] { events.push_back("now"); });
  platform.advanceClockWithoutRunning(30);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(wallSinceStart(), 30);
  EXPECT_EQ(uptimeSinceStart(), 30);
  EXPECT_DOUBLE_EQ(continuousSinceStart(), 30);
  platform.runUntilIdle();
  EXPECT_EQ(events, std::vector<std::string>{"now"});
}

TEST_F(TestPlatformVerbs, OverdueWorkRunsInDueOrderNotPostingOrder) {
  DispatchQueue::main().asyncAfter(3, [&] { events.push_back("3"); });
  DispatchQueue::main().asyncAfter(1, [&] { events.push_back("1"); });
  platform.advanceClockWithoutRunning(10);
  DispatchQueue::main().async([&] { events.push_back("posted now"); });
  platform.runUntilIdle();
  EXPECT_EQ(events, (std::vector<std::string>{"1", "3", "posted now"}));
}

TEST_F(TestPlatformVerbs, RunUntilIdleNeverMovesTime) {
  DispatchQueue::main().asyncAfter(0.001, [&] { events.push_back("later"); });
  platform.runUntilIdle();
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(uptimeSinceStart(), 0);
  EXPECT_EQ(wallSinceStart(), 0);
}

TEST_F(TestPlatformVerbs, RunUntilIdleReportsWorkThatReschedulesItselfForNowForever) {
  std::function<void()> again = [&] { DispatchQueue::main().async(again); };
  DispatchQueue::main().async(again);
  EXPECT_NONFATAL_FAILURE(platform.runUntilIdle(), "runUntilIdle gave up");
  again = [] {};
  platform.runUntilIdle();
}

TEST_F(TestPlatformVerbs, SetNowMovesOnlyTheWallClock) {
  const Date later = startWall + 86400;
  platform.setNow(later);
  EXPECT_EQ(platform.now(), later);
  EXPECT_EQ(uptimeSinceStart(), 0);
  EXPECT_EQ(continuousSinceStart(), 0);
}

TEST_F(TestPlatformVerbs, WallTimerFiresByTheWallClockAfterSetNow) {
  auto timer =
      RunLoop::main().scheduleTimer(3600, false, [&](Timer&) { events.push_back("fired"); });
  platform.setNow(startWall + 3600);
  platform.runUntilIdle();
  EXPECT_EQ(events, std::vector<std::string>{"fired"});
}

TEST_F(TestPlatformVerbs, TrackingVerbsReachTheMainRunLoop) {
  platform.beginTracking();
  EXPECT_EQ(RunLoop::main().currentMode(), platform::RunLoopMode::EventTracking);
  platform.endTracking();
  EXPECT_EQ(RunLoop::main().currentMode(), platform::RunLoopMode::Default);
}

// --- Sleep -----------------------------------------------------------------

class TestPlatformSleep : public TestPlatformVerbs {
 protected:
  platform::ObserverHandle wakeObserver =
      platform::NotificationCenter::workspaceCenter().addObserver(
          "NSWorkspaceDidWakeNotification", nullptr, nullptr,
          [this](const platform::Notification&) {
            events.push_back("did wake at " + std::to_string(int(wallSinceStart())));
          });
};

TEST_F(TestPlatformSleep, MovesWallAndContinuousTimeButNotUptimeAndPostsDidWake) {
  platform.sleepFor(600);
  EXPECT_EQ(wallSinceStart(), 600);
  EXPECT_DOUBLE_EQ(continuousSinceStart(), 600);
  EXPECT_EQ(uptimeSinceStart(), 0);
  EXPECT_EQ(events, std::vector<std::string>{"did wake at 600"});
}

TEST_F(TestPlatformSleep, OneShotWallTimerDueDuringSleepNeverFiresAndTheWakeHandlerRunsFirst) {
  auto timer = RunLoop::main().scheduleTimer(60, false, [&](Timer&) { events.push_back("timer"); });
  platform.advance(30);
  platform.sleepFor(60);
  platform.advance(3600);
  EXPECT_EQ(events, std::vector<std::string>{"did wake at 90"});
}

TEST_F(TestPlatformSleep, RepeatingWallTimerGoesOnAtItsNextFireDateAfterWake) {
  std::vector<double> at;
  auto timer =
      RunLoop::main().scheduleTimer(60, true, [&](Timer&) { at.push_back(wallSinceStart()); });
  platform.sleepFor(150);  // 60 and 120 pass asleep
  EXPECT_TRUE(at.empty());
  EXPECT_EQ(timer->fireDate(), startWall + 180);
  platform.advance(30);
  EXPECT_EQ(at, std::vector<double>{180});
  timer->invalidate();
}

TEST_F(TestPlatformSleep, UptimeWorkKeepsItsScheduleInAwakeTime) {
  DispatchQueue::main().asyncAfter(10, [&] { events.push_back("after 10 awake"); });
  platform.advance(4);
  platform.sleepFor(3600);
  platform.advance(5.9);
  EXPECT_EQ(events, std::vector<std::string>{"did wake at 3604"});
  platform.advance(0.1);
  EXPECT_EQ(events.back(), "after 10 awake");
}

TEST_F(TestPlatformSleep, WorkDueAtWakeRunsAfterTheWakeNotificationIsPosted) {
  // A handler on the main queue, as the keep-awake timer observes wake.
  auto onMain = platform::NotificationCenter::workspaceCenter().addObserver(
      "NSWorkspaceDidWakeNotification", nullptr, &DispatchQueue::main(),
      [&](const platform::Notification&) { events.push_back("main-queue wake handler"); });
  platform.sleepFor(10);
  EXPECT_EQ(events, (std::vector<std::string>{"did wake at 10", "main-queue wake handler"}));
}

}  // namespace
}  // namespace vigilix::testing
