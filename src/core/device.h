#pragma once

#include <memory>
#include <string>

#include "core/battery_monitor.h"
#include "core/low_power_mode_monitor.h"
#include "platform/base/logger.h"

namespace vigilix {

inline constexpr const char* kDZLDeviceParameterDidChangeNotification =
    "DZLDeviceParameterDidChangeNotification";
inline constexpr const char* kDZLDeviceParameterKey = "DZLDeviceParameterKey";
inline constexpr const char* kDZLDeviceParameterBattery = "DZLDeviceParameterBattery";
inline constexpr const char* kDZLDeviceParameterLowPowerMode = "DZLDeviceParameterLowPowerMode";

// Watches the battery charge and Low Power Mode and posts
// kDZLDeviceParameterDidChangeNotification (object: the device; user info:
// the parameter) on the default centre, from the main queue, at each change.
// Both watches start off. Main thread only.
class DZLDevice : public std::enable_shared_from_this<DZLDevice> {
 public:
  // The process's one device, over the current platform.
  static DZLDevice& currentDevice();
  static std::shared_ptr<DZLDevice> make(
      platform::PowerSources& sources = platform::PowerSources::current(),
      platform::LowPowerMode& mode = platform::LowPowerMode::current(),
      platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter(),
      platform::DispatchQueue& mainQueue = platform::DispatchQueue::main());

  DZLBatteryMonitor& batteryMonitor() { return batteryMonitor_; }
  DZLLowPowerModeMonitor& lowPowerModeMonitor() { return *lowPowerModeMonitor_; }

  bool isBatteryMonitoringEnabled() const { return batteryMonitor_.isRegistered(); }
  // On: nothing at all on a machine without an internal battery.
  void setBatteryMonitoringEnabled(bool enabled);
  bool isLowPowerModeMonitoringEnabled() const { return lowPowerModeMonitor_->registered(); }
  void setLowPowerModeMonitoringEnabled(bool enabled);

  void deviceParameterDidChange(const std::string& parameter);

 private:
  DZLDevice(platform::PowerSources& sources, platform::LowPowerMode& mode,
            platform::NotificationCenter& center, platform::DispatchQueue& mainQueue);

  DZLBatteryMonitor batteryMonitor_;
  std::shared_ptr<DZLLowPowerModeMonitor> lowPowerModeMonitor_;
  platform::NotificationCenter& center_;
  platform::DispatchQueue& mainQueue_;
  platform::Logger log_{"DeviceInfo"};
};

}  // namespace vigilix
