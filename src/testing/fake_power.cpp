#include "testing/fake_power.h"

namespace vigilix::testing {

FakePower::FakePower()
    : previousAssertions_(platform::PowerAssertions::setCurrent(&assertions)),
      previousSources_(platform::PowerSources::setCurrent(&sources)),
      previousLowPowerMode_(platform::LowPowerMode::setCurrent(&lowPowerMode)),
      previousThermal_(platform::ThermalMonitor::setCurrent(&thermal)),
      previousLid_(platform::LidState::setCurrent(&lid)) {}

FakePower::~FakePower() {
  platform::LidState::setCurrent(previousLid_);
  platform::ThermalMonitor::setCurrent(previousThermal_);
  platform::LowPowerMode::setCurrent(previousLowPowerMode_);
  platform::PowerSources::setCurrent(previousSources_);
  platform::PowerAssertions::setCurrent(previousAssertions_);
}

}  // namespace vigilix::testing
