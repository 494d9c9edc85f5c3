#include "testing/virtual_processes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runloop/dispatch_queue.h"
#include "testing/test_platform.h"

namespace vigilix::testing {
namespace {

class VirtualProcessesTest : public ::testing::Test {
 protected:
  std::shared_ptr<platform::DispatchProcessSource> watch(std::int32_t pid, std::string name) {
    auto source = platform::DispatchProcessSource::make(pid, platform::DispatchQueue::main());
    if (source) source->setEventHandler([this, name] { events.push_back(name); });
    return source;
  }

  TestPlatform platform;
  VirtualProcesses& processes = platform.processes();
  std::vector<std::string> events;
};

TEST_F(VirtualProcessesTest, AnExitIsDeliveredOnTheQueueToResumedSourcesOnly) {
  const auto pid = processes.start();
  const auto other = processes.start();
  EXPECT_NE(pid, other);
  auto first = watch(pid, "first");
  auto second = watch(pid, "second");
  auto cancelled = watch(pid, "cancelled");
  auto suspended = watch(pid, "suspended");
  auto unrelated = watch(other, "unrelated");
  for (auto* source : {&first, &second, &cancelled, &unrelated}) (*source)->resume();
  cancelled->cancel();
  EXPECT_EQ(processes.watchCount(pid), 3u);

  processes.exit(pid);
  EXPECT_FALSE(processes.isRunning(pid));
  EXPECT_TRUE(events.empty()) << "delivered on the queue, not inside exit";
  platform.runUntilIdle();
  EXPECT_EQ(events, (std::vector<std::string>{"first", "second"}));

  suspended->resume();
  platform.runUntilIdle();
  EXPECT_EQ(events, (std::vector<std::string>{"first", "second", "suspended"}));
  EXPECT_EQ(processes.watchCount(pid), 0u);
  EXPECT_EQ(processes.watchCount(other), 1u);
}

TEST_F(VirtualProcessesTest, SourcesOnlyForRunningProcesses) {
  const auto ended = processes.start();
  processes.exit(ended);
  EXPECT_TRUE(processes.isRunning(1));
  EXPECT_NE(watch(1, "init"), nullptr);
  for (const std::int32_t pid : {ended, 0, -1, 12345}) {
    SCOPED_TRACE(pid);
    EXPECT_EQ(watch(pid, "none"), nullptr);
  }
}

TEST_F(VirtualProcessesTest, CancellingOrDroppingASourceStopsItsWatch) {
  const auto pid = processes.start();
  auto dropped = watch(pid, "dropped");
  auto cancelled = watch(pid, "cancelled");
  dropped->resume();
  cancelled->resume();
  dropped.reset();
  cancelled->cancel();
  EXPECT_EQ(processes.watchCount(pid), 0u);
  processes.exit(pid);
  platform.runUntilIdle();
  EXPECT_TRUE(events.empty());
}

}  // namespace
}  // namespace vigilix::testing
