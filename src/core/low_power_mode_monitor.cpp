#include "core/low_power_mode_monitor.h"

#include "platform/runloop/weakly.h"

namespace vigilix {

std::shared_ptr<DZLLowPowerModeMonitor> DZLLowPowerModeMonitor::make(
    platform::LowPowerMode& mode, platform::NotificationCenter& center,
    platform::DispatchQueue& mainQueue) {
  return std::shared_ptr<DZLLowPowerModeMonitor>(
      new DZLLowPowerModeMonitor(mode, center, mainQueue));
}

void DZLLowPowerModeMonitor::registerForLowPowerModeChanges() {
  if (observer_) return;
  observer_ = center_.addObserver(
      platform::kPowerStateDidChangeNotification, nullptr, nullptr,
      platform::weakly(this, [](DZLLowPowerModeMonitor& self) {
        const bool enabled = self.isLowPowerModeEnabled();
        self.mainQueue_.async(platform::weakly(&self, [enabled](DZLLowPowerModeMonitor& monitor) {
          if (monitor.handler_) monitor.handler_(enabled);
        }));
      }));
}

}  // namespace vigilix
