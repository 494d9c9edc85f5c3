// Process sources and the descriptor watcher with real processes and threads.
// These tests wait for real events, briefly; the virtual table is tested with
// the test platform.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

#include "platform/runloop/descriptor_watcher.h"
#include "platform/runloop/dispatch_process_source.h"
#include "platform/runloop/live_clock.h"
#include "platform/runloop/live_run_loop.h"

namespace vigilix::platform {
namespace {

constexpr auto kGenerousWait = std::chrono::seconds(10);

// A child that waits to be killed.
pid_t startChild() {
  const pid_t child = fork();
  if (child == 0) {
    for (;;) pause();
  }
  return child;
}

// The watcher gets a copy of the read end, so writing never meets a closed pipe.
struct Pipe {
  Pipe() { EXPECT_EQ(pipe(fds), 0); }
  ~Pipe() {
    close(fds[0]);
    close(fds[1]);
  }
  int readEnd() const { return dup(fds[0]); }
  void write1() { EXPECT_EQ(write(fds[1], "x", 1), 1); }
  int fds[2] = {-1, -1};
};

TEST(DescriptorWatcherTest, ReportsEachReadyDescriptorOnceAndNeverACancelledOne) {
  DescriptorWatcher watcher;
  Pipe cancelled, reported;
  std::atomic<int> cancelledCalls = 0;
  std::atomic<int> reportedCalls = 0;
  std::promise<void> done;
  const auto id = watcher.watch(cancelled.readEnd(), [&] { ++cancelledCalls; });
  watcher.watch(reported.readEnd(), [&] {
    ++reportedCalls;
    done.set_value();
  });
  EXPECT_EQ(watcher.count(), 2u);
  EXPECT_TRUE(watcher.cancel(id));
  EXPECT_FALSE(watcher.cancel(id));
  cancelled.write1();
  reported.write1();
  ASSERT_EQ(done.get_future().wait_for(kGenerousWait), std::future_status::ready);
  reported.write1();  // still readable: a reported descriptor is not watched again
  EXPECT_EQ(watcher.count(), 0u);
  EXPECT_EQ(reportedCalls, 1);
  EXPECT_EQ(cancelledCalls, 0);
}

class LiveProcessSourceTest : public ::testing::Test {
 protected:
  // Runs the main loop until `handled` or the deadline.
  void runUntilHandled() { LiveRunLoop::main().runUntil(LiveClock::shared().now() + 10.0); }
  std::shared_ptr<DispatchProcessSource> watch(pid_t pid) {
    auto source = DispatchProcessSource::make(pid, DispatchQueue::main());
    if (source) {
      source->setEventHandler([this] {
        handledOnMain = DispatchQueue::isMainThread();
        ++handled;
        LiveRunLoop::main().stop();
      });
    }
    return source;
  }

  int handled = 0;
  bool handledOnMain = false;
};

TEST_F(LiveProcessSourceTest, ReportsTheExitOnTheMainQueueOnce) {
  const pid_t child = startChild();
  ASSERT_GT(child, 0);
  auto source = watch(child);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->processIdentifier(), child);
  source->resume();
  ASSERT_EQ(kill(child, SIGKILL), 0);
  runUntilHandled();
  EXPECT_EQ(waitpid(child, nullptr, 0), child);
  EXPECT_EQ(handled, 1);
  EXPECT_TRUE(handledOnMain);
  LiveRunLoop::main().runUntil(LiveClock::shared().now() + 0.05);
  EXPECT_EQ(handled, 1);
}

TEST_F(LiveProcessSourceTest, AProcessThatEndedBeforeResumeReportsAtOnceAndACancelledOneNever) {
  const pid_t ended = startChild();
  const pid_t cancelledChild = startChild();
  ASSERT_GT(ended, 0);
  ASSERT_GT(cancelledChild, 0);
  ASSERT_EQ(kill(ended, SIGKILL), 0);
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(ended), nullptr, WEXITED | WNOWAIT), 0);
  auto cancelled = watch(cancelledChild);
  ASSERT_NE(cancelled, nullptr);
  cancelled->resume();
  cancelled->cancel();
  EXPECT_TRUE(cancelled->isCancelled());
  ASSERT_EQ(kill(cancelledChild, SIGKILL), 0);
  EXPECT_EQ(waitpid(cancelledChild, nullptr, 0), cancelledChild);
  auto source = watch(ended);  // ended but not reaped: it still exists
  ASSERT_NE(source, nullptr);
  source->resume();
  runUntilHandled();
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(waitpid(ended, nullptr, 0), ended);
}

TEST_F(LiveProcessSourceTest, NoSourceForAProcessThatDoesNotExist) {
  const pid_t reaped = startChild();
  ASSERT_GT(reaped, 0);
  ASSERT_EQ(kill(reaped, SIGKILL), 0);
  ASSERT_EQ(waitpid(reaped, nullptr, 0), reaped);
  for (const pid_t pid : {reaped, 0, -1, -reaped}) {
    SCOPED_TRACE(pid);
    EXPECT_EQ(DispatchProcessSource::make(pid, DispatchQueue::main()), nullptr);
  }
}

}  // namespace
}  // namespace vigilix::platform
