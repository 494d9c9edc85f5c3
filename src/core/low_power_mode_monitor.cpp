#include "core/low_power_mode_monitor.h"

namespace vigilix {

std::shared_ptr<DZLLowPowerModeMonitor> DZLLowPowerModeMonitor::make(
    platform::LowPowerMode& mode, platform::NotificationCenter& center,
    platform::DispatchQueue& mainQueue) {
  return std::shared_ptr<DZLLowPowerModeMonitor>(
      new DZLLowPowerModeMonitor(mode, center, mainQueue));
}

void DZLLowPowerModeMonitor::registerForLowPowerModeChanges() {
  if (observer_) return;
  observer_ = center_.addObserver(platform::kPowerStateDidChangeNotification, nullptr, nullptr,
                                  [weak = weak_from_this()](const platform::Notification&) {
                                    auto self = weak.lock();
                                    if (!self) return;
                                    const bool enabled = self->isLowPowerModeEnabled();
                                    self->mainQueue_.async([weak, enabled] {
                                      auto monitor = weak.lock();
                                      if (monitor && monitor->handler_) monitor->handler_(enabled);
                                    });
                                  });
}

}  // namespace vigilix
