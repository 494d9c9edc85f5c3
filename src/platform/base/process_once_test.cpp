#include "platform/base/process_once.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/base/shared_instances.h"

namespace vigilix::platform {
namespace {

TEST(ProcessOnceTest, RunsOnceUntilReset) {
  ProcessOnce once;
  int runs = 0;
  EXPECT_FALSE(once.hasRun());
  EXPECT_TRUE(once.call([&] { ++runs; }));
  EXPECT_FALSE(once.call([&] { ++runs; }));
  EXPECT_TRUE(once.hasRun());
  EXPECT_EQ(runs, 1);
  once.reset();
  EXPECT_TRUE(once.call([&] { ++runs; }));
  EXPECT_EQ(runs, 2);
}

TEST(ProcessOnceTest, SharedInstanceResetRearmsEveryLiveGuard) {
  ProcessOnce first;
  ProcessOnce second;
  first.call([] {});
  second.call([] {});
  {
    ProcessOnce gone;  // destroyed before the reset: must not be touched
    gone.call([] {});
  }
  resetSharedInstances();
  EXPECT_FALSE(first.hasRun());
  EXPECT_FALSE(second.hasRun());
}

TEST(ProcessOnceTest, ReentrantCallDoesNotRunAgain) {
  ProcessOnce once;
  int runs = 0;
  once.call([&] {
    ++runs;
    EXPECT_FALSE(once.call([&] { ++runs; }));
  });
  EXPECT_EQ(runs, 1);
}

TEST(ProcessOnceTest, ThrowingFunctionLeavesTheGuardUnrun) {
  ProcessOnce once;
  EXPECT_THROW(once.call([] { throw std::runtime_error("no"); }), std::runtime_error);
  EXPECT_FALSE(once.hasRun());
  EXPECT_TRUE(once.call([] {}));
}

TEST(ProcessOnceTest, ConcurrentCallersRunTheFunctionOnce) {
  ProcessOnce once;
  std::atomic<int> runs{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) threads.emplace_back([&] { once.call([&] { ++runs; }); });
  for (auto& t : threads) t.join();
  EXPECT_EQ(runs.load(), 1);
}

}  // namespace
}  // namespace vigilix::platform
