#include "platform/base/current_instance.h"
#include "platform/power/live_thermal_monitor.h"
#include "platform/power/low_power_mode.h"
#include "platform/power/power_profiles_low_power_mode.h"
#include "platform/power/thermal_state.h"

namespace vigilix::platform {

namespace {

constinit CurrentInstance<LowPowerMode> currentLowPowerMode{
    &processLifetimeInstance<LowPowerMode, PowerProfilesLowPowerMode>};
constinit CurrentInstance<ThermalMonitor> currentThermalMonitor{
    &processLifetimeInstance<ThermalMonitor, LiveThermalMonitor>};

}  // namespace

LowPowerMode& LowPowerMode::current() { return currentLowPowerMode.get(); }

LowPowerMode* LowPowerMode::setCurrent(LowPowerMode* mode) {
  return currentLowPowerMode.install(mode);
}

std::optional<ThermalState> thermalStateFromRawValue(std::int64_t rawValue) {
  if (rawValue < 0 || rawValue > static_cast<std::int64_t>(ThermalState::Critical))
    return std::nullopt;
  return static_cast<ThermalState>(rawValue);
}

ThermalMonitor& ThermalMonitor::current() { return currentThermalMonitor.get(); }

ThermalMonitor* ThermalMonitor::setCurrent(ThermalMonitor* monitor) {
  return currentThermalMonitor.install(monitor);
}

}  // namespace vigilix::platform
