#include <atomic>

#include "platform/power/low_power_mode.h"
#include "platform/power/thermal_state.h"
#include "platform/power/thermal_zones.h"

namespace vigilix::platform {

namespace {

class LiveLowPowerMode : public LowPowerMode {
 public:
  bool isLowPowerModeEnabled() const override { return false; }
};

std::atomic<LowPowerMode*> installedLowPowerMode{nullptr};
std::atomic<ThermalMonitor*> installedThermalMonitor{nullptr};

}  // namespace

LowPowerMode& LowPowerMode::current() {
  static LiveLowPowerMode* live = new LiveLowPowerMode();
  LowPowerMode* installed = installedLowPowerMode.load();
  return installed ? *installed : *live;
}

LowPowerMode* LowPowerMode::setCurrent(LowPowerMode* mode) {
  return installedLowPowerMode.exchange(mode);
}

std::optional<ThermalState> thermalStateFromRawValue(std::int64_t rawValue) {
  if (rawValue < 0 || rawValue > static_cast<std::int64_t>(ThermalState::Critical))
    return std::nullopt;
  return static_cast<ThermalState>(rawValue);
}

ThermalMonitor& ThermalMonitor::current() {
  static LiveThermalMonitor* live = new LiveThermalMonitor();
  ThermalMonitor* installed = installedThermalMonitor.load();
  return installed ? *installed : *live;
}

ThermalMonitor* ThermalMonitor::setCurrent(ThermalMonitor* monitor) {
  return installedThermalMonitor.exchange(monitor);
}

}  // namespace vigilix::platform
