#pragma once

#include <optional>

namespace vigilix::platform {

// How a work loop's thread waits when nothing is due. Without one the loop
// waits on a condition variable; the live main loop waits in poll(2).
class LoopWaiter {
 public:
  virtual ~LoopWaiter() = default;
  // On the loop's thread, no lock held. Returns after `seconds` of uptime,
  // once the wall clock reads `wallSeconds` later than now (on time across a
  // sleep of the machine or a set clock), when woken, or early for any
  // reason (the loop looks again). None: no such limit.
  virtual void wait(std::optional<double> seconds, std::optional<double> wallSeconds) = 0;
  // Any thread. A wake that comes before the wait begins ends that wait.
  virtual void wake() = 0;
};

}  // namespace vigilix::platform
