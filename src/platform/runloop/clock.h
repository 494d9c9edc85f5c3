#pragma once

#include <cstdint>

#include "platform/base/date.h"

namespace vigilix::platform {

// The one source of time. Live: the real clocks; under the test platform:
// virtual time that only moves when a test says so.
class Clock {
 public:
  virtual ~Clock() = default;
  // Wall-clock time.
  virtual Date now() const = 0;
  // Seconds since boot, not counting sleep (CLOCK_MONOTONIC live).
  virtual double uptime() const = 0;
  // Nanoseconds since boot, counting sleep (CLOCK_BOOTTIME live).
  virtual std::uint64_t continuousNanoseconds() const = 0;

  // The clock in force: the live clock unless a test platform installed one.
  static Clock& current();
  // Installs a clock (nullptr restores the live one). For the test platform.
  static void setCurrent(Clock* clock);
};

}  // namespace vigilix::platform
