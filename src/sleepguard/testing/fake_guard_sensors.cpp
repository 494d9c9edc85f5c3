#include "sleepguard/testing/fake_guard_sensors.h"

namespace vigilix::testing {

std::optional<VGXSensorSample> FakeGuardSensors::sample() {
  if (!available) return std::nullopt;
  const auto now = static_cast<std::int64_t>(clock_.continuousNanoseconds());
  const auto takenAt = now - ageSeconds * static_cast<std::int64_t>(FakeGuardClock::kNsPerSecond);
  return VGXSensorSample{static_cast<std::uint64_t>(takenAt), onBattery, chargePercent, thermal};
}

}  // namespace vigilix::testing
