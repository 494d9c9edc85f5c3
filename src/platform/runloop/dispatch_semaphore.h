#pragma once

#include <memory>

namespace vigilix::platform {

// A counting semaphore (dispatch_semaphore) whose timed wait counts uptime
// seconds on the platform's clock: live the monotonic clock, under the test
// platform virtual time, so the deadline passes when the test advances time.
// Any thread may signal or wait. Under the test platform, wait only from a
// thread other than the test's, which has to move time on.
class DispatchSemaphore {
 public:
  explicit DispatchSemaphore(long value = 0);
  ~DispatchSemaphore();
  DispatchSemaphore(const DispatchSemaphore&) = delete;
  DispatchSemaphore& operator=(const DispatchSemaphore&) = delete;

  // Raises the count by one, waking one waiter.
  void signal();
  // Takes one from the count, waiting for a signal until `seconds` of uptime
  // have passed. True when it took one; false when the time ran out.
  bool wait(double seconds);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace vigilix::platform
