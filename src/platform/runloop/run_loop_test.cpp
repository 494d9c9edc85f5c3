#include "platform/runloop/run_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runloop/dispatch_queue.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

class RunLoopTest : public ::testing::Test {
 protected:
  double sinceStart() const { return platform.now() - start; }

  vigilix::testing::TestPlatform platform;
  Date start = platform.now();
  RunLoop& loop = RunLoop::main();
  std::vector<std::string> events;
  std::vector<double> fireTimes;
};

// --- One-shot timers -------------------------------------------------------

TEST_F(RunLoopTest, OneShotFiresAtItsFireDateNeverEarlierAndOnlyOnce) {
  auto timer = loop.scheduleTimer(10, false, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  EXPECT_EQ(timer->fireDate(), start + 10);
  EXPECT_EQ(timer->timeInterval(), 0);

  platform.advance(9.999);
  EXPECT_TRUE(fireTimes.empty());
  EXPECT_TRUE(timer->isValid());

  platform.advance(0.001);
  ASSERT_EQ(fireTimes, std::vector<double>{10.0});
  EXPECT_FALSE(timer->isValid()) << "a one-shot is spent once it fired";

  platform.advance(100);
  EXPECT_EQ(fireTimes.size(), 1u);
}

TEST_F(RunLoopTest, TimersFireInFireDateOrderAndTiesInSchedulingOrder) {
  auto record = [&](std::string name) {
    return
        [this, name](Timer&) { events.push_back(name + "@" + std::to_string(int(sinceStart()))); };
  };
  auto c = loop.scheduleTimer(3, false, record("c"));
  auto a = loop.scheduleTimer(1, false, record("a"));
  auto tie1 = loop.scheduleTimer(2, false, record("tie1"));
  auto tie2 = loop.scheduleTimer(2, false, record("tie2"));

  platform.advance(5);
  EXPECT_EQ(events, (std::vector<std::string>{"a@1", "tie1@2", "tie2@2", "c@3"}));
}

TEST_F(RunLoopTest, ToleranceIsRecordedButNeverFiresEarly) {
  auto timer = loop.scheduleTimer(10, false, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  timer->setTolerance(5);
  EXPECT_EQ(timer->tolerance(), 5);
  timer->setTolerance(-1);
  EXPECT_EQ(timer->tolerance(), 0) << "a negative tolerance means none";
  timer->setTolerance(5);

  platform.advance(9.9);
  EXPECT_TRUE(fireTimes.empty());
  platform.advance(1);
  EXPECT_EQ(fireTimes, std::vector<double>{10.0});
}

TEST_F(RunLoopTest, ScheduledTimerLivesOnAfterTheCallerDropsItUntilInvalidated) {
  std::weak_ptr<Timer> weak;
  {
    auto timer = loop.scheduleTimer(1, true, [&](Timer& t) {
      fireTimes.push_back(sinceStart());
      if (fireTimes.size() == 3) t.invalidate();
    });
    weak = timer;
  }
  platform.advance(10);
  EXPECT_EQ(fireTimes, (std::vector<double>{1, 2, 3}));
  EXPECT_TRUE(weak.expired()) << "an invalidated timer is released by the loop";
}

// --- Fire dates ------------------------------------------------------------

TEST_F(RunLoopTest, SetFireDateMovesAPendingTimerEitherWay) {
  auto timer = loop.scheduleTimer(10, false, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  timer->setFireDate(start + 4);
  platform.advance(5);
  EXPECT_EQ(fireTimes, std::vector<double>{4.0});

  auto later = loop.scheduleTimer(1, false, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  later->setFireDate(platform.now() + 20);
  platform.advance(19.5);
  EXPECT_EQ(fireTimes.size(), 1u);
  platform.advance(1);
  EXPECT_EQ(fireTimes.back(), 25.0);
}

TEST_F(RunLoopTest, OneShotReArmedFromItsOwnHandlerFiresAgain) {
  auto timer = loop.scheduleTimer(1, false, [&](Timer& t) {
    fireTimes.push_back(sinceStart());
    if (fireTimes.size() < 3) t.setFireDate(platform.now() + 2);
  });
  platform.advance(10);
  EXPECT_EQ(fireTimes, (std::vector<double>{1, 3, 5}));
  EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, InvalidateIsFinal) {
  auto timer = loop.scheduleTimer(1, true, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  timer->invalidate();
  timer->setFireDate(platform.now() + 2);
  loop.addTimer(timer, RunLoopMode::Common);
  platform.advance(10);
  EXPECT_TRUE(fireTimes.empty());
  EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, MadeTimerWaitsUntilAddedThenFiresAtItsFireDate) {
  auto timer =
      loop.makeTimer(start + 5, 0, false, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  platform.advance(10);
  EXPECT_TRUE(fireTimes.empty()) << "not added to any mode yet";

  timer->setFireDate(platform.now() + 5);
  loop.addTimer(timer, RunLoopMode::Common);
  platform.advance(4.9);
  EXPECT_TRUE(fireTimes.empty());
  platform.advance(0.1);
  EXPECT_EQ(fireTimes, std::vector<double>{15.0});
}

TEST_F(RunLoopTest, MadeTimerWithAPastFireDateFiresAsSoonAsAdded) {
  auto timer =
      loop.makeTimer(start - 30, 0, false, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  loop.addTimer(timer, RunLoopMode::Default);
  platform.runUntilIdle();
  EXPECT_EQ(fireTimes, std::vector<double>{0.0});
}

// --- Repeating timers ------------------------------------------------------

TEST_F(RunLoopTest, RepeatingTimerFiresEveryIntervalAndInvalidatesFromInsideItsHandler) {
  auto timer = loop.scheduleTimer(10, true, [&](Timer& t) {
    fireTimes.push_back(sinceStart());
    if (fireTimes.size() == 2) t.invalidate();
  });
  EXPECT_EQ(timer->timeInterval(), 10);
  EXPECT_TRUE(timer->repeats());

  platform.advance(15);
  EXPECT_EQ(fireTimes, std::vector<double>{10});
  EXPECT_EQ(timer->fireDate(), start + 20);
  platform.advance(100);
  EXPECT_EQ(fireTimes, (std::vector<double>{10, 20}));
  EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, LateRepeatingTimerFiresOnceAndSkipsToTheNextMultipleAfterNow) {
  auto timer = loop.scheduleTimer(10, true, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  platform.advanceClockWithoutRunning(35);
  platform.runUntilIdle();
  EXPECT_EQ(fireTimes, std::vector<double>{35})
      << "missed fires at 10, 20 and 30 collapse into one";
  EXPECT_EQ(timer->fireDate(), start + 40);

  platform.advance(5);
  EXPECT_EQ(fireTimes, (std::vector<double>{35, 40}));
}

TEST_F(RunLoopTest, TimerLateByExactlyWholeIntervalsMovesStrictlyAfterNow) {
  auto timer = loop.scheduleTimer(10, true, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  platform.advanceClockWithoutRunning(20);
  platform.runUntilIdle();
  EXPECT_EQ(fireTimes, std::vector<double>{20});
  EXPECT_EQ(timer->fireDate(), start + 30);
}

TEST_F(RunLoopTest, RunUntilIdleDoesNotSpinOnARepeatingTimer) {
  auto timer = loop.scheduleTimer(1, true, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  platform.runUntilIdle();
  EXPECT_TRUE(fireTimes.empty());
  platform.advanceClockWithoutRunning(1);
  platform.runUntilIdle();
  platform.runUntilIdle();
  EXPECT_EQ(fireTimes, std::vector<double>{1});
}

TEST_F(RunLoopTest, RepeatingIntervalOfZeroIsRaisedSoTimeStillPasses) {
  int fires = 0;
  auto timer = loop.scheduleTimer(0, true, [&](Timer&) { ++fires; });
  platform.advance(0.00005);
  EXPECT_EQ(fires, 0) << "the first fire is one raised interval away";
  platform.advance(0.001);
  EXPECT_EQ(fires, 10);
  timer->invalidate();
}

// --- Modes -----------------------------------------------------------------

TEST_F(RunLoopTest, DefaultModeTimerWaitsWhileTrackingAndFiresWhenTrackingEnds) {
  auto timer = loop.scheduleTimer(5, false, [&](Timer&) { events.push_back("default"); });
  platform.beginTracking();
  EXPECT_EQ(loop.currentMode(), RunLoopMode::EventTracking);
  platform.advance(60);
  EXPECT_TRUE(events.empty());

  platform.endTracking();
  EXPECT_EQ(loop.currentMode(), RunLoopMode::Default);
  platform.runUntilIdle();
  EXPECT_EQ(events, std::vector<std::string>{"default"});
}

TEST_F(RunLoopTest, CommonAndTrackingTimersFireWhileTrackingAndMainQueueTasksRunInEveryMode) {
  auto common = loop.scheduleTimer(
      1, false, [&](Timer&) { events.push_back("common"); }, RunLoopMode::Common);
  auto tracking = loop.scheduleTimer(
      2, false, [&](Timer&) { events.push_back("tracking"); }, RunLoopMode::EventTracking);
  auto plain = loop.scheduleTimer(3, false, [&](Timer&) { events.push_back("default"); });
  platform.beginTracking();
  DispatchQueue::main().asyncAfter(4, [&] { events.push_back("main queue"); });
  platform.advance(10);
  EXPECT_EQ(events, (std::vector<std::string>{"common", "tracking", "main queue"}));
  platform.endTracking();
  platform.runUntilIdle();
  EXPECT_EQ(events.back(), "default");
}

TEST_F(RunLoopTest, EventTrackingOnlyTimerWaitsOutsideTracking) {
  auto tracking = loop.scheduleTimer(
      1, false, [&](Timer&) { events.push_back("tracking"); }, RunLoopMode::EventTracking);
  platform.advance(10);
  EXPECT_TRUE(events.empty());
  platform.beginTracking();
  platform.runUntilIdle();
  EXPECT_EQ(events, std::vector<std::string>{"tracking"});
  platform.endTracking();
}

TEST_F(RunLoopTest, AddingADefaultTimerForCommonModesLetsItFireWhileTracking) {
  auto timer = loop.scheduleTimer(1, true, [&](Timer&) { fireTimes.push_back(sinceStart()); });
  loop.addTimer(timer, RunLoopMode::Common);
  platform.beginTracking();
  platform.advance(2.5);
  EXPECT_EQ(fireTimes, (std::vector<double>{1, 2}));
  platform.endTracking();
  timer->invalidate();
}

TEST_F(RunLoopTest, NestedTrackingEndsWithTheOutermostAndExtraEndsAreHarmless) {
  platform.beginTracking();
  platform.beginTracking();
  platform.endTracking();
  EXPECT_EQ(loop.currentMode(), RunLoopMode::EventTracking);
  platform.endTracking();
  EXPECT_EQ(loop.currentMode(), RunLoopMode::Default);
  platform.endTracking();
  platform.beginTracking();
  EXPECT_EQ(loop.currentMode(), RunLoopMode::EventTracking);
  platform.endTracking();
}

TEST_F(RunLoopTest, PerformForDefaultModeWaitsWhileTrackingPerformForCommonDoesNot) {
  platform.beginTracking();
  loop.perform([&] { events.push_back("default"); }, RunLoopMode::Default);
  loop.perform([&] { events.push_back("common"); }, RunLoopMode::Common);
  platform.runUntilIdle();
  EXPECT_EQ(events, std::vector<std::string>{"common"});
  platform.endTracking();
  platform.runUntilIdle();
  EXPECT_EQ(events, (std::vector<std::string>{"common", "default"}));
}

}  // namespace
}  // namespace vigilix::platform
