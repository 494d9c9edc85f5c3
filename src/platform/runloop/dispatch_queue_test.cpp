#include "platform/runloop/dispatch_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "testing/manual_dispatch_queue.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

class DispatchQueueTest : public ::testing::Test {
 protected:
  auto record(std::string name) {
    return [this, name] { events.push_back(name); };
  }

  vigilix::testing::TestPlatform platform;
  double startUptime = platform.uptime();
  std::vector<std::string> events;
};

// --- Main queue ------------------------------------------------------------

TEST_F(DispatchQueueTest, AsyncRunsOnlyWhenTheLoopRunsInPostingOrder) {
  auto& main = DispatchQueue::main();
  main.async(record("1"));
  main.async(record("2"));
  main.async([&] {
    events.push_back("3");
    main.async(record("posted by 3"));
  });
  EXPECT_TRUE(events.empty()) << "posting never runs the task";
  platform.runUntilIdle();
  EXPECT_EQ(events, (std::vector<std::string>{"1", "2", "3", "posted by 3"}));
}

TEST_F(DispatchQueueTest, AsyncAfterRunsByDueTimeWithTiesInPostingOrder) {
  auto& main = DispatchQueue::main();
  std::vector<double> at;
  auto stamp = [&](std::string name) {
    return [&, name] {
      events.push_back(name);
      at.push_back(platform.uptime() - startUptime);
    };
  };
  main.asyncAfter(2, stamp("a@2"));
  main.asyncAfter(1, stamp("b@1"));
  main.asyncAfter(2, stamp("c@2"));
  main.async(stamp("d@0"));
  main.asyncAfter(-5, stamp("e@0"));

  platform.advance(1.999);
  EXPECT_EQ(events, (std::vector<std::string>{"d@0", "e@0", "b@1"}));
  platform.advance(0.001);
  EXPECT_EQ(events, (std::vector<std::string>{"d@0", "e@0", "b@1", "a@2", "c@2"}));
  EXPECT_EQ(at, (std::vector<double>{0, 0, 1, 2, 2}));
}

TEST_F(DispatchQueueTest, WorkPostedDuringAdvanceRunsAtItsOwnDueTimeWithinTheSpan) {
  auto& main = DispatchQueue::main();
  main.asyncAfter(1, [&] {
    events.push_back("first");
    main.asyncAfter(2, record("chained"));
  });
  platform.advance(2.9);
  EXPECT_EQ(events, std::vector<std::string>{"first"});
  platform.advance(0.1);
  EXPECT_EQ(events, (std::vector<std::string>{"first", "chained"}));
  EXPECT_DOUBLE_EQ(platform.uptime() - startUptime, 3.0);
}

TEST_F(DispatchQueueTest, AsyncAfterFollowsUptimeSoSleepDoesNotBringItCloser) {
  DispatchQueue::main().asyncAfter(10, record("after"));
  platform.sleepFor(3600);
  EXPECT_TRUE(events.empty());
  platform.advance(9.9);
  EXPECT_TRUE(events.empty());
  platform.advance(0.1);
  EXPECT_EQ(events, std::vector<std::string>{"after"});
}

TEST_F(DispatchQueueTest, MainThreadIsTheTestThread) {
  EXPECT_TRUE(DispatchQueue::isMainThread());
  EXPECT_TRUE(DispatchQueue::main().isCurrent());
  bool otherIsMain = true;
  bool otherIsCurrent = true;
  std::thread other([&] {
    otherIsMain = DispatchQueue::isMainThread();
    otherIsCurrent = DispatchQueue::main().isCurrent();
  });
  other.join();
  EXPECT_FALSE(otherIsMain);
  EXPECT_FALSE(otherIsCurrent);
}

// --- Serial queues ---------------------------------------------------------

TEST_F(DispatchQueueTest, SerialQueuesRunOnTheTestThreadInterleavedByPostingOrder) {
  auto first = DispatchQueue::makeSerial("run.tarvo.vigilix.First");
  auto second = DispatchQueue::makeSerial("run.tarvo.vigilix.Second");
  EXPECT_EQ(first->label(), "run.tarvo.vigilix.First");

  first->async(record("first 1"));
  second->async(record("second 1"));
  first->async(record("first 2"));
  DispatchQueue::main().async(record("main"));
  EXPECT_TRUE(events.empty());
  platform.runUntilIdle();
  EXPECT_EQ(events, (std::vector<std::string>{"first 1", "second 1", "first 2", "main"}));
}

TEST_F(DispatchQueueTest, IsCurrentOnlyInsideTheQueuesOwnTasks) {
  auto worker = DispatchQueue::makeSerial("worker");
  auto other = DispatchQueue::makeSerial("other");
  EXPECT_FALSE(worker->isCurrent());
  worker->async([&] {
    events.push_back(std::string("worker current=") + (worker->isCurrent() ? "yes" : "no") +
                     " other current=" + (other->isCurrent() ? "yes" : "no"));
    DispatchQueue::main().async([&] {
      events.push_back(std::string("hand-off worker current=") +
                       (worker->isCurrent() ? "yes" : "no"));
    });
  });
  platform.runUntilIdle();
  EXPECT_EQ(events, (std::vector<std::string>{"worker current=yes other current=no",
                                              "hand-off worker current=no"}));
  EXPECT_FALSE(worker->isCurrent());
}

TEST_F(DispatchQueueTest, InsideASerialQueueTaskThisIsNotTheMainThread) {
  // In the live program the task runs on the queue's worker; code that must
  // hop to the main queue first has to see that under the test platform too.
  auto worker = DispatchQueue::makeSerial("worker");
  vigilix::testing::ManualDispatchQueue manual;
  auto describe = [&](std::string where) {
    events.push_back(where + (DispatchQueue::isMainThread() ? " main" : " off-main") +
                     (DispatchQueue::main().isCurrent() ? " main-current" : ""));
  };
  worker->async([&] {
    describe("worker");
    DispatchQueue::main().async([&] { describe("hand-off"); });
  });
  manual.async([&] { describe("manual"); });
  platform.runUntilIdle();
  manual.runAll();
  describe("test body");
  EXPECT_EQ(events, (std::vector<std::string>{"worker off-main", "hand-off main main-current",
                                              "manual off-main", "test body main main-current"}));
}

TEST_F(DispatchQueueTest, SerialQueueDelayedWorkRunsOnVirtualTime) {
  auto worker = DispatchQueue::makeSerial("worker");
  worker->asyncAfter(5, record("late"));
  worker->async(record("now"));
  platform.advance(4.999);
  EXPECT_EQ(events, std::vector<std::string>{"now"});
  platform.advance(0.001);
  EXPECT_EQ(events, (std::vector<std::string>{"now", "late"}));
}

TEST_F(DispatchQueueTest, TasksOfADroppedQueueStillRun) {
  {
    auto worker = DispatchQueue::makeSerial("short-lived");
    worker->async(record("ran"));
  }
  platform.runUntilIdle();
  EXPECT_EQ(events, std::vector<std::string>{"ran"});
}

}  // namespace
}  // namespace vigilix::platform
