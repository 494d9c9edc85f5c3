#include "platform/runloop/dispatch_semaphore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

using namespace std::chrono_literals;

class DispatchSemaphoreTest : public ::testing::Test {
 protected:
  vigilix::testing::TestPlatform platform;
};

// What a wait returns, by what happens to it: a count already there, a
// signal while waiting, virtual time passing short of or up to the deadline.
TEST_F(DispatchSemaphoreTest, WaitEndsBySignalOrByVirtualDeadline) {
  {
    SCOPED_TRACE("a count already there is taken at once");
    DispatchSemaphore semaphore(1);
    EXPECT_TRUE(semaphore.wait(2.0));
    EXPECT_EQ(platform.scheduler().pendingCount(), 0u);
  }
  {
    SCOPED_TRACE("a signal while waiting wakes the waiter before the deadline");
    DispatchSemaphore semaphore;
    auto waiter = std::async(std::launch::async, [&] { return semaphore.wait(2.0); });
    ASSERT_TRUE(platform.waitUntilPending(1));
    platform.advance(1.9);
    semaphore.signal();
    EXPECT_TRUE(waiter.get());
    EXPECT_EQ(platform.scheduler().pendingCount(), 0u) << "the deadline entry is cancelled";
  }
  {
    SCOPED_TRACE("the deadline passing on virtual time ends the wait");
    DispatchSemaphore semaphore;
    auto waiter = std::async(std::launch::async, [&] { return semaphore.wait(2.0); });
    ASSERT_TRUE(platform.waitUntilPending(1));
    platform.advance(1.999);
    EXPECT_EQ(waiter.wait_for(20ms), std::future_status::timeout);
    platform.advance(0.001);
    EXPECT_FALSE(waiter.get());
    semaphore.signal();  // a late signal stays in the count
    EXPECT_TRUE(semaphore.wait(0));
  }
}

}  // namespace
}  // namespace vigilix::platform
