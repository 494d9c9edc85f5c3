#include "testing/manual_dispatch_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runloop/dispatch_queue.h"
#include "testing/test_platform.h"

namespace vigilix::testing {
namespace {

using platform::DispatchQueue;

class ManualDispatchQueueTest : public ::testing::Test {
 protected:
  auto record(std::string name) {
    return [this, name] { events.push_back(name); };
  }

  TestPlatform platform;
  ManualDispatchQueue queue{"run.tarvo.vigilix.TriggerMonitor"};
  std::vector<std::string> events;
};

TEST_F(ManualDispatchQueueTest, TasksWaitUntilTheTestRunsThemOneAtATimeInOrder) {
  queue.async(record("1"));
  queue.async(record("2"));
  platform.advance(60);
  EXPECT_TRUE(events.empty()) << "the platform's verbs never drain a manual queue";
  EXPECT_EQ(queue.pendingCount(), 2u);

  EXPECT_TRUE(queue.runNext());
  EXPECT_EQ(events, std::vector<std::string>{"1"});
  EXPECT_TRUE(queue.runNext());
  EXPECT_FALSE(queue.runNext());
  EXPECT_EQ(events, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(queue.label(), "run.tarvo.vigilix.TriggerMonitor");
}

TEST_F(ManualDispatchQueueTest, RunAllAlsoRunsWhatItsTasksPost) {
  queue.async([&] {
    events.push_back("outer");
    queue.async(record("inner"));
  });
  EXPECT_EQ(queue.runAll(), 2u);
  EXPECT_EQ(events, (std::vector<std::string>{"outer", "inner"}));
  EXPECT_EQ(queue.runAll(), 0u);
}

TEST_F(ManualDispatchQueueTest, IsCurrentOnlyWhileRunningItsOwnTask) {
  bool inside = false;
  bool mainInside = false;
  queue.async([&] { inside = queue.isCurrent(); });
  DispatchQueue::main().async([&] { mainInside = queue.isCurrent(); });
  EXPECT_FALSE(queue.isCurrent());
  queue.runAll();
  platform.runUntilIdle();
  EXPECT_TRUE(inside);
  EXPECT_FALSE(mainInside);
}

TEST_F(ManualDispatchQueueTest, DelayedWorkJoinsTheLineWhenVirtualTimeReachesIt) {
  queue.asyncAfter(5, record("delayed"));
  queue.asyncAfter(0, record("immediate"));
  platform.advance(4.999);
  EXPECT_EQ(queue.pendingCount(), 1u);
  platform.advance(0.001);
  EXPECT_EQ(queue.pendingCount(), 2u);
  queue.runAll();
  EXPECT_EQ(events, (std::vector<std::string>{"immediate", "delayed"}));
}

TEST_F(ManualDispatchQueueTest, InterleavesSamplingOnTheQueueWithHandOffToTheMainQueue) {
  int epoch = 1;
  // Work on the queue reads the epoch and hands its result to the main queue,
  // which drops results from an older epoch.
  auto sample = [&] {
    const int seen = epoch;
    DispatchQueue::main().async(
        [&, seen] { events.push_back(seen == epoch ? "delivered" : "dropped"); });
  };
  queue.async(sample);
  queue.runNext();  // sampled under epoch 1
  ++epoch;          // a stop lands before the main queue runs the hand-off
  queue.async(sample);
  platform.runUntilIdle();
  queue.runNext();
  platform.runUntilIdle();
  EXPECT_EQ(events, (std::vector<std::string>{"dropped", "delivered"}));
}

// Accepts any queue, as code under test does.
void postTwice(DispatchQueue& target, std::vector<std::string>& events) {
  target.async([&] { events.push_back("a"); });
  target.async([&] { events.push_back("b"); });
}

TEST_F(ManualDispatchQueueTest, StandsInWhereverADispatchQueueIsAccepted) {
  postTwice(queue, events);
  auto shared = std::make_shared<ManualDispatchQueue>();
  std::shared_ptr<DispatchQueue> asQueue = shared;
  postTwice(*asQueue, events);
  EXPECT_TRUE(events.empty());
  shared->runAll();
  queue.runAll();
  EXPECT_EQ(events, (std::vector<std::string>{"a", "b", "a", "b"}));
}

TEST(ManualDispatchQueueLifetime, DelayedWorkForADestroyedQueueIsDropped) {
  TestPlatform platform;
  bool ran = false;
  {
    ManualDispatchQueue queue;
    queue.asyncAfter(1, [&] { ran = true; });
  }
  platform.advance(2);
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace vigilix::testing
