#include "testing/fake_power.h"

namespace vigilix::testing {

FakePower::FakePower() {
  platform::PowerAssertions::setCurrent(&assertions);
  platform::PowerSources::setCurrent(&sources);
  platform::LowPowerMode::setCurrent(&lowPowerMode);
  platform::ThermalMonitor::setCurrent(&thermal);
}

FakePower::~FakePower() {
  platform::ThermalMonitor::setCurrent(nullptr);
  platform::LowPowerMode::setCurrent(nullptr);
  platform::PowerSources::setCurrent(nullptr);
  platform::PowerAssertions::setCurrent(nullptr);
}

}  // namespace vigilix::testing
