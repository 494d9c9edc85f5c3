#pragma once

#include "testing/fake_power_assertions.h"
#include "testing/fake_power_device_state.h"
#include "testing/fake_power_sources.h"

namespace vigilix::testing {

// Installs fake power assertions, power sources, Low Power Mode, thermal
// state and the lid for as long as it lives, then puts back what was installed before.
// Nest them in scope order only.
class FakePower {
 public:
  FakePower();
  ~FakePower();
  FakePower(const FakePower&) = delete;
  FakePower& operator=(const FakePower&) = delete;

  FakePowerAssertions assertions;
  FakePowerSources sources;
  FakeLowPowerMode lowPowerMode;
  FakeThermalMonitor thermal;
  FakeLidState lid;

 private:
  platform::PowerAssertions* previousAssertions_;
  platform::PowerSources* previousSources_;
  platform::LowPowerMode* previousLowPowerMode_;
  platform::ThermalMonitor* previousThermal_;
  platform::LidState* previousLid_;
};

}  // namespace vigilix::testing
