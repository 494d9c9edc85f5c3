#include "core/device.h"

#include "platform/base/shared_instances.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

using platform::weakly;

namespace {

constinit platform::SharedInstance<DZLDevice> sharedDevice{+[] { return DZLDevice::make(); }};

const char* yesOrNo(bool value) { return value ? "YES" : "NO"; }

}  // namespace

DZLDevice& DZLDevice::currentDevice() { return sharedDevice.get(); }

std::shared_ptr<DZLDevice> DZLDevice::make(platform::PowerSources& sources,
                                           platform::LowPowerMode& mode,
                                           platform::NotificationCenter& center,
                                           platform::DispatchQueue& mainQueue) {
  return std::shared_ptr<DZLDevice>(new DZLDevice(sources, mode, center, mainQueue));
}

DZLDevice::DZLDevice(platform::PowerSources& sources, platform::LowPowerMode& mode,
                     platform::NotificationCenter& center, platform::DispatchQueue& mainQueue)
    : batteryMonitor_(sources),
      lowPowerModeMonitor_(DZLLowPowerModeMonitor::make(mode, center, mainQueue)),
      center_(center),
      mainQueue_(mainQueue) {}

void DZLDevice::setBatteryMonitoringEnabled(bool enabled) {
  if (enabled) {
    if (!batteryMonitor_.hasBattery()) return;
    batteryMonitor_.setCapacityChangeHandler(weakly(this, [](DZLDevice& self) {
      if (self.isBatteryMonitoringEnabled())
        self.deviceParameterDidChange(kDZLDeviceParameterBattery);
    }));
    batteryMonitor_.registerForCapacityChangesIfNeeded();
  } else {
    batteryMonitor_.unregisterFromCapacityChanges();
    batteryMonitor_.setCapacityChangeHandler(nullptr);
  }
  log_.log("Battery Monitoring: {}", yesOrNo(enabled));
}

void DZLDevice::setLowPowerModeMonitoringEnabled(bool enabled) {
  if (enabled) {
    if (!lowPowerModeMonitor_->supportsLowPowerMode()) return;
    lowPowerModeMonitor_->setLowPowerModeChangeHandler(weakly(this, [](DZLDevice& self) {
      if (self.isLowPowerModeMonitoringEnabled())
        self.deviceParameterDidChange(kDZLDeviceParameterLowPowerMode);
    }));
    lowPowerModeMonitor_->registerForLowPowerModeChanges();
  } else {
    lowPowerModeMonitor_->unregisterFromLowPowerModeChanges();
    lowPowerModeMonitor_->setLowPowerModeChangeHandler(nullptr);
  }
  log_.log("Low Power Mode Monitoring: {}", yesOrNo(enabled));
}

void DZLDevice::deviceParameterDidChange(const std::string& parameter) {
  platform::PropertyDictionary userInfo{{kDZLDeviceParameterKey, parameter}};
  const std::string described = platform::debugDescription(platform::PropertyValue(userInfo));
  mainQueue_.async(weakly(this, [userInfo = std::move(userInfo)](DZLDevice& self) {
    self.center_.post(kDZLDeviceParameterDidChangeNotification, &self, userInfo);
  }));
  log_.log("Device parameter did change: {}, {}.", parameter, described);
}

}  // namespace vigilix
