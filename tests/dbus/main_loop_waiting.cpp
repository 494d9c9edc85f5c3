#include "dbus/main_loop_waiting.h"

#include <algorithm>

#include "platform/runloop/live_clock.h"
#include "platform/runloop/live_run_loop.h"

namespace vigilix::testing {

bool runMainLoopUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
  const platform::LiveClock& clock = platform::LiveClock::shared();
  const platform::Date end = clock.now() + std::chrono::duration<double>(deadline).count();
  for (;;) {
    if (condition()) return true;
    if (clock.now() >= end) return false;
    platform::LiveRunLoop::main().runUntil(std::min(end, clock.now() + 0.005));
  }
}

}  // namespace vigilix::testing
