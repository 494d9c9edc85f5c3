#pragma once

#include "testing/fake_power_assertions.h"
#include "testing/fake_power_device_state.h"
#include "testing/fake_power_sources.h"

namespace vigilix::testing {

// Installs fake power assertions, power sources, Low Power Mode and thermal
// state for as long as it lives, then restores the live ones.
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
};

}  // namespace vigilix::testing
