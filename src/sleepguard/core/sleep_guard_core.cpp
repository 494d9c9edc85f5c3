#include "sleepguard/core/sleep_guard_core.h"

#include <algorithm>
#include <limits>

#include "platform/base/uuid.h"

namespace vigilix {

namespace {

constexpr std::uint64_t kMaxNs = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kNsPerSecond = 1'000'000'000;

// Seconds as nanoseconds; a negative count is 0, none when it overflows.
std::optional<std::uint64_t> nanoseconds(std::int64_t seconds) {
  if (seconds <= 0) return 0;
  const auto s = static_cast<std::uint64_t>(seconds);
  if (s > kMaxNs / kNsPerSecond) return std::nullopt;
  return s * kNsPerSecond;
}

}  // namespace

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
  return a > kMaxNs - b ? kMaxNs : a + b;
}

bool capReached(std::uint64_t counterNs, std::int64_t capSeconds) {
  const auto cap = nanoseconds(capSeconds);
  return cap ? counterNs >= *cap : counterNs == kMaxNs;
}

VGXSleepGuardCore::VGXSleepGuardCore(VGXPowerSettingRunner& runner, VGXSensorSource& sensors,
                                     VGXGuardClock& clock, VGXGuardStore& store,
                                     VGXGuardPolicySource& policies, std::string guardVersion,
                                     std::int64_t leaseSeconds, std::int64_t staleSensorSeconds)
    : runner_(runner),
      sensors_(sensors),
      clock_(clock),
      store_(store),
      policies_(policies),
      leaseSeconds_(std::max<std::int64_t>(leaseSeconds, 1)),
      staleSensorSeconds_(std::max<std::int64_t>(staleSensorSeconds, 0)),
      instanceID_(platform::UUID::generate().uuidString()),
      snapshot_(VGXGuardStatus::initial(std::move(guardVersion))) {}

VGXGuardStatus VGXSleepGuardCore::status() {
  std::lock_guard guard(lock_);
  return snapshot_;
}

std::optional<std::uint64_t> VGXSleepGuardCore::leaseExpiresAt() {
  std::lock_guard guard(lock_);
  if (!snapshot_.state.isHeld() || !grant_) return std::nullopt;
  const auto lease = nanoseconds(leaseSeconds_);
  if (!lease) return std::nullopt;
  return saturatingAdd(leaseAt_, *lease);
}

bool VGXSleepGuardCore::maintenancePending() {
  if (store_.read(VGXGuardFile::maintenance()).kind == VGXFileRead::Kind::absent) return false;
  maintenance_ = true;
  return true;
}

std::optional<VGXGuardError> VGXSleepGuardCore::maintenanceRefusal() {
  if (maintenancePending() || maintenance_) return VGXGuardError::maintenance();
  if (drain_) return VGXGuardError::draining();
  return std::nullopt;
}

std::optional<VGXGuardError> VGXSleepGuardCore::sensorRefusal(
    const std::optional<VGXSensorSample>& sample, std::uint64_t now,
    const std::optional<VGXGuardPolicy>& policy) const {
  if (!sample) return VGXGuardError::unsafe("sensors");
  const auto limit = nanoseconds(staleSensorSeconds_);
  if (sample->takenAt > now || (limit && now - sample->takenAt > *limit)) {
    return VGXGuardError::unsafe("stale sensors");
  }
  if (sample->thermal >= platform::ThermalState::Serious) return VGXGuardError::unsafe("heat");
  if (sample->chargePercent > 100) return VGXGuardError::unsafe("charge");
  if (policy && sample->onBattery && sample->chargePercent < policy->batteryFloorPercent) {
    return VGXGuardError::unsafe("battery");
  }
  return std::nullopt;
}

std::expected<bool, VGXGuardError> VGXSleepGuardCore::readBack() {
  auto disabled = runner_.readSleepDisabled();
  if (!disabled) {
    snapshot_.lastReadback.reset();
    return disabled;
  }
  snapshot_.lastReadback = *disabled;
  snapshot_.lastReadbackAt = now();
  return disabled;
}

bool VGXSleepGuardCore::leaseLapsed(std::uint64_t now) const {
  if (now < leaseAt_) return true;
  const auto lease = nanoseconds(leaseSeconds_);
  return lease && now - leaseAt_ >= *lease;
}

bool VGXSleepGuardCore::isOpen(std::uint32_t uid, const Safety& record,
                               const VGXGuardPolicy& policy) const {
  return !pendingRearm_.contains(uid) && record.requiresRearm != true && !record.latch &&
         !capReached(record.batteryHeldNs, policy.batteryCapSeconds) &&
         !capReached(record.heldNs, policy.totalCapSeconds);
}

VGXHoldGrant VGXSleepGuardCore::newGrant() {
  grant_ = VGXHoldGrant{instanceID_, generation_, platform::UUID::generate().uuidString(),
                        leaseSeconds_};
  leaseAt_ = now();
  return *grant_;
}

}  // namespace vigilix
