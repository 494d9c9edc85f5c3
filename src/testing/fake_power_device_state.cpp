#include "testing/fake_power_device_state.h"

#include "platform/notifications/notification_center.h"

namespace vigilix::testing {

void FakeLowPowerMode::setLowPowerModeEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  platform::NotificationCenter::defaultCenter().post(platform::kPowerStateDidChangeNotification);
}

void FakeThermalMonitor::setThermalState(platform::ThermalState state) {
  if (state == state_) return;
  state_ = state;
  platform::NotificationCenter::defaultCenter().post(platform::kThermalStateDidChangeNotification);
}

}  // namespace vigilix::testing
