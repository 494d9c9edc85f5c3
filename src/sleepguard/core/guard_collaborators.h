#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/property_value.h"
#include "sleepguard/core/guard_values.h"

namespace vigilix {

// The five collaborators of the sleep-guard core. The core calls them from
// its own lock, one call at a time; implementations need no locking of their
// own for the core's sake. Failures are returned as VGXGuardError, never
// thrown.

// The system sleep switch.
struct VGXPowerSettingRunner {
  virtual ~VGXPowerSettingRunner() = default;
  // Turns system sleep off (true) or back on (false).
  virtual std::expected<void, VGXGuardError> setSleepDisabled(bool disabled) = 0;
  // True when system sleep is currently disabled.
  virtual std::expected<bool, VGXGuardError> readSleepDisabled() = 0;
  // Ends other processes that keep sleep disabled; true when none are left.
  virtual bool killStrayDisablers() = 0;
  // Retries reaping children that turned sleep off; true when some remain.
  // Runners that start no children have none.
  virtual bool reapUnreapedChildren() { return false; }
};

// Power and thermal readings; none when they cannot be read.
struct VGXSensorSource {
  virtual ~VGXSensorSource() = default;
  virtual std::optional<VGXSensorSample> sample() = 0;
};

// Continuous nanoseconds count while the machine sleeps, absolute ones do
// not; their difference grows by the time slept. The boot session identifier
// is empty when unknown.
struct VGXGuardClock {
  virtual ~VGXGuardClock() = default;
  virtual std::uint64_t continuousNanoseconds() = 0;
  virtual std::uint64_t absoluteNanoseconds() = 0;
  virtual std::string bootSessionID() = 0;
};

// The guard's records in its state directory. Writes are atomic: a reader
// sees the old record or the new one. `quarantine` moves a damaged record
// aside, keeping it for inspection.
struct VGXGuardStore {
  virtual ~VGXGuardStore() = default;
  virtual VGXFileRead read(const VGXGuardFile& file) = 0;
  virtual std::expected<void, VGXGuardError> write(const VGXGuardFile& file,
                                                   const platform::Bytes& data) = 0;
  // A routine write whose loss in a crash of the machine costs nothing: as
  // atomic as `write`, but not flushed to the disk (each flush is a wait on
  // the disk, several wake-ups every 10 s while a lease is held).
  virtual std::expected<void, VGXGuardError> writeUnflushed(const VGXGuardFile& file,
                                                            const platform::Bytes& data) {
    return write(file, data);
  }
  virtual std::expected<void, VGXGuardError> remove(const VGXGuardFile& file) = 0;
  virtual std::expected<void, VGXGuardError> quarantine(const VGXGuardFile& file) = 0;
};

// The closed-lid policy of a user; none when the user has none, which the
// core treats like a policy that forbids the hold.
struct VGXGuardPolicySource {
  virtual ~VGXGuardPolicySource() = default;
  virtual std::optional<VGXGuardPolicy> policy(std::uint32_t uid) = 0;
};

}  // namespace vigilix

namespace vigilix {

// The io text with which `setSleepDisabled(true)` reports that a child it
// started could not be reaped; the core then requires `reapUnreapedChildren`
// to report none left before a clear counts.
inline constexpr std::string_view kDisablingChildNotReaped = "disabling child not reaped";

}  // namespace vigilix
