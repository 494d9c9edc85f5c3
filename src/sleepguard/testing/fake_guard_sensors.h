#pragma once

#include <cstdint>
#include <optional>

#include "sleepguard/core/guard_collaborators.h"
#include "sleepguard/testing/fake_guard_clock.h"

namespace vigilix::testing {

// Sensors whose reading is taken `ageSeconds` before the clock's now; none
// while `available` is false.
class FakeGuardSensors final : public VGXSensorSource {
 public:
  explicit FakeGuardSensors(FakeGuardClock& clock) : clock_(clock) {}

  std::optional<VGXSensorSample> sample() override;

  bool available = true;
  bool onBattery = false;
  std::int64_t chargePercent = 80;
  platform::ThermalState thermal = platform::ThermalState::Nominal;
  // Negative: a reading from the future.
  std::int64_t ageSeconds = 0;

 private:
  FakeGuardClock& clock_;
};

}  // namespace vigilix::testing
