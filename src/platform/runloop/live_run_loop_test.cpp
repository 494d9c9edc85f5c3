// The live loop with real threads. These tests wait for real events, briefly;
// every other test of the run loop uses virtual time.
#include "platform/runloop/live_run_loop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/runloop/descriptor_sources.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/live_clock.h"

namespace vigilix::platform {
namespace {

constexpr double kGenerousDeadline = 10.0;

class LiveRunLoopTest : public ::testing::Test {
 protected:
  Date deadline() const { return LiveClock::shared().now() + kGenerousDeadline; }

  LiveRunLoop& loop = LiveRunLoop::main();
};

TEST_F(LiveRunLoopTest, WithoutATestPlatformTheAccessorsHandOutTheLiveLoop) {
  EXPECT_EQ(&RunLoop::main(), &LiveRunLoop::main());
  EXPECT_EQ(&Clock::current(), &LiveClock::shared());
  EXPECT_EQ(&DispatchQueue::main(), &LivePlatform::shared().mainQueue());
}

TEST_F(LiveRunLoopTest, PostingFromAnotherThreadWakesTheLoopAndRunsOnTheLoopThread) {
  std::thread::id ranOn;
  bool ranOnMain = false;
  const auto begin = std::chrono::steady_clock::now();
  std::thread poster([&] {
    DispatchQueue::main().async([&] {
      ranOn = std::this_thread::get_id();
      ranOnMain = DispatchQueue::isMainThread() && DispatchQueue::main().isCurrent();
      loop.stop();
    });
  });
  loop.runUntil(deadline());
  poster.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_TRUE(ranOnMain);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5))
      << "the post woke the loop instead of the deadline";
}

TEST_F(LiveRunLoopTest, DescriptorSourcesRunOnTheMainThreadUntilRemoved) {
  enum class Setup { Readable, RemovedBeforeReady, DeadlineOnly, RemovesItselfWhenCalled };
  struct Row {
    const char* name;
    Setup setup;
    int expectedCalls;
    short expectedRevents;
  };
  const Row rows[] = {
      {"written from another thread", Setup::Readable, 1, POLLIN},
      {"removed before it became ready", Setup::RemovedBeforeReady, 0, 0},
      {"deadline passed without readiness", Setup::DeadlineOnly, 1, 0},
      {"removed by its own callback, data unread", Setup::RemovesItselfWhenCalled, 1, POLLIN},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::array<int, 2> pipeEnds{};
    ASSERT_EQ(::pipe2(pipeEnds.data(), O_CLOEXEC | O_NONBLOCK), 0);
    int calls = 0;
    short revents = -1;
    bool allOnMain = true;
    SourceHandle handle;
    auto dispatch = [&](short ready) {
      ++calls;
      revents = ready;
      allOnMain = allOnMain && DispatchQueue::isMainThread();
      char byte = 0;
      if (row.setup == Setup::RemovesItselfWhenCalled) {
        handle.reset();
      } else if (ready & POLLIN) {
        EXPECT_EQ(::read(pipeEnds[0], &byte, 1), 1);
      }
      loop.stop();
    };
    if (row.setup == Setup::DeadlineOnly) {
      const double due = LiveClock::shared().uptime() + 0.02;
      // `due` by value: the source outlives this block.
      handle = DescriptorSources::main().add(
          [&calls, due] {
            return DescriptorInterest{-1, 0, calls == 0 ? std::optional(due) : std::nullopt};
          },
          dispatch);
    } else {
      handle = DescriptorSources::main().add(pipeEnds[0], POLLIN, dispatch);
    }
    if (row.setup == Setup::RemovedBeforeReady) handle.reset();
    std::thread writer([&] { EXPECT_EQ(::write(pipeEnds[1], "x", 1), 1); });
    loop.runUntil(row.expectedCalls > 0 ? deadline() : LiveClock::shared().now() + 0.1);
    writer.join();
    // A while longer: a source that is gone, or served, is not called again.
    loop.runUntil(LiveClock::shared().now() + 0.05);
    handle.reset();
    EXPECT_EQ(calls, row.expectedCalls);
    if (calls > 0) {
      EXPECT_EQ(revents, row.expectedRevents);
    }
    EXPECT_TRUE(allOnMain);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
  }
}

TEST_F(LiveRunLoopTest, OtherThreadsAreNotTheMainThread) {
  loop.runUntil(LiveClock::shared().now());  // makes this thread the loop's thread
  bool otherIsMain = true;
  std::thread([&] { otherIsMain = DispatchQueue::isMainThread(); }).join();
  EXPECT_TRUE(DispatchQueue::isMainThread());
  EXPECT_FALSE(otherIsMain);
}

TEST_F(LiveRunLoopTest, RunUntilReturnsAtTheDateWhenNothingStopsIt) {
  const Date until = LiveClock::shared().now() + 0.05;
  loop.runUntil(until);
  EXPECT_GE(LiveClock::shared().now(), until);
}

TEST_F(LiveRunLoopTest, TimerFiresNoEarlierThanItsFireDateAndDelayedTasksKeepTheirOrder) {
  std::vector<std::string> events;
  Date firedAt;
  // Posted in the order they fall due, so a slow machine cannot reorder them.
  DispatchQueue::main().async([&] { events.push_back("now"); });
  DispatchQueue::main().asyncAfter(0.01, [&] { events.push_back("early"); });
  auto timer = loop.scheduleTimer(0.03, false, [&](Timer& t) {
    firedAt = LiveClock::shared().now();
    EXPECT_GE(firedAt, t.fireDate());
    events.push_back("timer");
  });
  const Date fireDate = timer->fireDate();
  DispatchQueue::main().asyncAfter(0.06, [&] {
    events.push_back("late");
    loop.stop();
  });
  loop.runUntil(deadline());
  EXPECT_EQ(events, (std::vector<std::string>{"now", "early", "timer", "late"}));
  EXPECT_GE(firedAt, fireDate);
}

TEST_F(LiveRunLoopTest, SerialQueueRunsInFifoOrderOnItsOwnThreadAndFinishesPostedWork) {
  std::vector<int> order;
  bool allOnWorker = true;
  {
    auto queue = DispatchQueue::makeSerial("run.tarvo.vigilix.LiveTest");
    for (int i = 0; i < 100; ++i) {
      queue->async([&, i, q = queue.get()] {
        allOnWorker = allOnWorker && q->isCurrent() && !DispatchQueue::isMainThread();
        order.push_back(i);
      });
    }
    EXPECT_FALSE(queue->isCurrent());
  }  // destruction waits for the tasks already posted
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
  EXPECT_TRUE(allOnWorker);
}

TEST_F(LiveRunLoopTest, TimerSourceOnASerialQueueRepeatsUntilCancelled) {
  auto queue = DispatchQueue::makeSerial("run.tarvo.vigilix.LiveTimer");
  auto source = DispatchTimerSource::make(*queue);
  int fires = 0;
  std::promise<void> thirdFire;
  source->setEventHandler([&] {
    EXPECT_TRUE(queue->isCurrent());
    if (++fires == 3) {
      source->cancel();  // from its own queue: no call after this
      thirdFire.set_value();
    }
  });
  source->schedule(0.005, 0.005, 0);
  source->resume();
  ASSERT_EQ(thirdFire.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
  std::promise<int> countAfterCancel;
  queue->asyncAfter(0.03, [&] { countAfterCancel.set_value(fires); });
  auto later = countAfterCancel.get_future();
  ASSERT_EQ(later.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(later.get(), 3);
  EXPECT_TRUE(source->isCancelled());
  // Joins the worker, so no task still touches the promises when they go.
  source.reset();
  queue.reset();
}

TEST_F(LiveRunLoopTest, StopWithoutARunningLoopIsIgnored) {
  loop.stop();
  const Date until = LiveClock::shared().now() + 0.02;
  loop.runUntil(until);
  EXPECT_GE(LiveClock::shared().now(), until) << "an earlier stop must not end a later run";
}

TEST(LiveClockTest, ReadsTheMachineClocks) {
  const LiveClock& clock = LiveClock::shared();
  const double unixNow =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_NEAR(clock.now().timeIntervalSince1970(), unixNow, 1.0);
  const double up1 = clock.uptime();
  const double up2 = clock.uptime();
  EXPECT_GT(up1, 0);
  EXPECT_LE(up1, up2);
  // Continuous time counts sleep too, so it never trails uptime.
  EXPECT_GE(static_cast<double>(clock.continuousNanoseconds()) / 1e9 + 0.001, clock.uptime());
}

}  // namespace
}  // namespace vigilix::platform
