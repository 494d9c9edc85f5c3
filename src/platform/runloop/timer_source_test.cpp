#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "platform/runloop/dispatch_queue.h"
#include "testing/manual_dispatch_queue.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

using Kind = DispatchTimerSource::ClockKind;

class TimerSourceTest : public ::testing::Test {
 protected:
  double sinceStart() const { return platform.uptime() - startUptime; }

  std::shared_ptr<DispatchTimerSource> makeRecording(DispatchQueue& queue) {
    auto source = DispatchTimerSource::make(queue);
    source->setEventHandler([this] { fireTimes.push_back(sinceStart()); });
    return source;
  }

  vigilix::testing::TestPlatform platform;
  double startUptime = platform.uptime();
  std::vector<double> fireTimes;
};

// --- Arming and firing -----------------------------------------------------

TEST_F(TimerSourceTest, NothingFiresBeforeResume) {
  auto source = makeRecording(DispatchQueue::main());
  source->schedule(1, 1, 0);
  platform.advance(5);
  EXPECT_TRUE(fireTimes.empty()) << "a source is created suspended";

  source->resume();
  platform.advance(1);
  EXPECT_EQ(fireTimes, (std::vector<double>{5, 6}))
      << "the deadline counts from schedule: passed while suspended, it fires at resume";
  source->cancel();
}

TEST_F(TimerSourceTest, IntervalZeroFiresOnceAtTheDeadlineNeverEarlier) {
  auto source = makeRecording(DispatchQueue::main());
  source->schedule(10, 0, 0.5);
  source->resume();
  EXPECT_EQ(source->leeway(), 0.5);
  platform.advance(9.999);
  EXPECT_TRUE(fireTimes.empty());
  platform.advance(100);
  EXPECT_EQ(fireTimes, std::vector<double>{10});
  EXPECT_FALSE(source->isCancelled());
}

TEST_F(TimerSourceTest, RepeatingSourceFiresOnItsGridOnASerialQueue) {
  auto queue = DispatchQueue::makeSerial("run.tarvo.vigilix.TriggerMonitor");
  bool onQueue = true;
  auto source = DispatchTimerSource::make(*queue);
  source->setEventHandler([&] {
    onQueue = onQueue && queue->isCurrent();
    fireTimes.push_back(sinceStart());
  });
  source->schedule(5, 5, 0);
  source->resume();
  platform.advance(16);
  EXPECT_EQ(fireTimes, (std::vector<double>{5, 10, 15}));
  EXPECT_TRUE(onQueue);
  source->cancel();
}

TEST_F(TimerSourceTest, RescheduleReplacesTheEarlierDeadline) {
  auto source = makeRecording(DispatchQueue::main());
  source->schedule(10, 0, 0);
  source->resume();
  platform.advance(2);
  source->schedule(3, 0, 0);
  platform.advance(20);
  EXPECT_EQ(fireTimes, std::vector<double>{5});
}

TEST_F(TimerSourceTest, LateRepeatingSourceFiresOnceThenKeepsToItsGrid) {
  auto source = makeRecording(DispatchQueue::main());
  source->schedule(5, 5, 0);
  source->resume();
  platform.advanceClockWithoutRunning(17);
  platform.runUntilIdle();
  EXPECT_EQ(fireTimes, std::vector<double>{17});
  platform.advance(3);
  EXPECT_EQ(fireTimes, (std::vector<double>{17, 20}));
  source->cancel();
}

TEST_F(TimerSourceTest, DeadlineThatIsNotANumberNeverComesAndDelaysNothingElse) {
  auto never = makeRecording(DispatchQueue::main());
  never->schedule(std::numeric_limits<double>::quiet_NaN(), 0, 0, Kind::Wall);
  never->resume();
  auto soon = makeRecording(DispatchQueue::main());
  soon->schedule(1, 0, 0);
  soon->resume();
  platform.advance(1e6);
  EXPECT_EQ(fireTimes, std::vector<double>{1});
}

// --- Cancel ----------------------------------------------------------------

TEST_F(TimerSourceTest, CancelInsideTheHandlerStopsEveryLaterCall) {
  std::shared_ptr<DispatchTimerSource> source = DispatchTimerSource::make(DispatchQueue::main());
  source->setEventHandler([&] {
    fireTimes.push_back(sinceStart());
    if (fireTimes.size() == 2) source->cancel();
  });
  source->schedule(1, 1, 0);
  source->resume();
  platform.advance(10);
  EXPECT_EQ(fireTimes, (std::vector<double>{1, 2}));
  EXPECT_TRUE(source->isCancelled());

  source->schedule(1, 1, 0);
  source->resume();
  platform.advance(10);
  EXPECT_EQ(fireTimes.size(), 2u) << "cancel is final";
}

TEST_F(TimerSourceTest, CancelAfterTheFireWasQueuedSuppressesTheHandler) {
  vigilix::testing::ManualDispatchQueue queue;
  auto source = makeRecording(queue);
  source->schedule(1, 0, 0);
  source->resume();
  platform.advance(1);
  EXPECT_EQ(queue.pendingCount(), 1u) << "the fire waits on its queue";

  source->cancel();
  queue.runAll();
  EXPECT_TRUE(fireTimes.empty()) << "no handler call once cancel returned on the queue's side";
}

TEST_F(TimerSourceTest, DestroyingTheSourceCancelsIt) {
  auto source = makeRecording(DispatchQueue::main());
  source->schedule(1, 1, 0);
  source->resume();
  platform.advance(1);
  source.reset();
  platform.advance(10);
  EXPECT_EQ(fireTimes, std::vector<double>{1});
}

TEST_F(TimerSourceTest, FiresWaitingOnABusyQueueAreMergedIntoOneCall) {
  vigilix::testing::ManualDispatchQueue queue;
  auto source = makeRecording(queue);
  source->schedule(1, 1, 0);
  source->resume();
  platform.advance(3.5);
  EXPECT_EQ(queue.pendingCount(), 1u);
  queue.runAll();
  EXPECT_EQ(fireTimes.size(), 1u);
  platform.advance(1);
  queue.runAll();
  EXPECT_EQ(fireTimes.size(), 2u);
  source->cancel();
}

// --- Sleep -----------------------------------------------------------------

TEST_F(TimerSourceTest, WallOneShotWhoseDeadlinePassesDuringSleepNeverFires) {
  auto source = makeRecording(DispatchQueue::main());
  source->schedule(60, 0, 0, Kind::Wall);
  source->resume();
  platform.advance(30);
  platform.sleepFor(120);
  platform.advance(3600);
  EXPECT_TRUE(fireTimes.empty());
}

TEST_F(TimerSourceTest, WallRepeatingSourceGoesOnAtItsNextGridPointAfterWake) {
  std::vector<double> wallTimes;
  const Date start = platform.now();
  auto source = DispatchTimerSource::make(DispatchQueue::main());
  source->setEventHandler([&] { wallTimes.push_back(platform.now() - start); });
  source->schedule(10, 10, 0, Kind::Wall);
  source->resume();
  platform.advance(15);
  platform.sleepFor(27);  // wall 42: the fires at 20, 30 and 40 pass asleep
  EXPECT_EQ(wallTimes, std::vector<double>{10});
  platform.advance(8);
  EXPECT_EQ(wallTimes, (std::vector<double>{10, 50}));
  source->cancel();
}

TEST_F(TimerSourceTest, UptimeSourceKeepsItsScheduleAcrossSleep) {
  auto source = makeRecording(DispatchQueue::main());
  source->schedule(10, 0, 0, Kind::Uptime);
  source->resume();
  platform.advance(4);
  platform.sleepFor(3600);
  EXPECT_TRUE(fireTimes.empty());
  platform.advance(6);
  EXPECT_EQ(fireTimes, std::vector<double>{10}) << "ten seconds of awake time";
}

TEST_F(TimerSourceTest, WallSourceDueBeforeSleepStillFiresAfterWake) {
  auto source = makeRecording(DispatchQueue::main());
  source->schedule(5, 0, 0, Kind::Wall);
  source->resume();
  platform.advanceClockWithoutRunning(6);  // due, but the loop has not run yet
  platform.sleepFor(60);
  EXPECT_EQ(fireTimes.size(), 1u) << "only due times that pass during the sleep are missed";
}

}  // namespace
}  // namespace vigilix::platform
