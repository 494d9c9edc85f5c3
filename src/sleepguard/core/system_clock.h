#pragma once

#include <cstdint>
#include <string>

#include "sleepguard/core/guard_collaborators.h"

namespace vigilix {

// The machine's clocks for the guard, in nanoseconds: continuous time is
// CLOCK_BOOTTIME (it counts sleep), absolute time CLOCK_MONOTONIC (it stops
// while the machine sleeps). The boot session identifier is the kernel's
// boot_id (/proc/sys/kernel/random/boot_id under the file-system root), ""
// when it cannot be read. Never fails; any thread.
class VGXSystemClock final : public VGXGuardClock {
 public:
  std::uint64_t continuousNanoseconds() override;
  std::uint64_t absoluteNanoseconds() override;
  std::string bootSessionID() override;
};

}  // namespace vigilix
