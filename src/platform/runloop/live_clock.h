#pragma once

#include "platform/runloop/clock.h"

namespace vigilix::platform {

// The machine's clocks: CLOCK_REALTIME for the date, CLOCK_MONOTONIC for
// uptime (stops while the machine sleeps), CLOCK_BOOTTIME for continuous time.
class LiveClock final : public Clock {
 public:
  Date now() const override;
  double uptime() const override;
  std::uint64_t continuousNanoseconds() const override;

  // The one live clock of the process.
  static LiveClock& shared();
};

}  // namespace vigilix::platform
