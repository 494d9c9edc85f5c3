#pragma once

#include <functional>
#include <memory>

#include "platform/notifications/notification_center.h"
#include "platform/power/low_power_mode.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

// Follows the system's Low Power Mode flag. Main thread only; the handler
// is called on the main queue, at most once per change notice, never after
// the monitor is gone.
class DZLLowPowerModeMonitor : public std::enable_shared_from_this<DZLLowPowerModeMonitor> {
 public:
  using Handler = std::function<void(bool enabled)>;

  static std::shared_ptr<DZLLowPowerModeMonitor> make(
      platform::LowPowerMode& mode = platform::LowPowerMode::current(),
      platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter(),
      platform::DispatchQueue& mainQueue = platform::DispatchQueue::main());

  bool supportsLowPowerMode() const { return true; }
  bool isLowPowerModeEnabled() const { return mode_.isLowPowerModeEnabled(); }

  bool registered() const { return observer_ != nullptr; }
  // Once: a second call keeps the one observer.
  void registerForLowPowerModeChanges();
  void unregisterFromLowPowerModeChanges() { observer_.reset(); }
  void setLowPowerModeChangeHandler(Handler handler) { handler_ = std::move(handler); }

 private:
  DZLLowPowerModeMonitor(platform::LowPowerMode& mode, platform::NotificationCenter& center,
                         platform::DispatchQueue& mainQueue)
      : mode_(mode), center_(center), mainQueue_(mainQueue) {}

  platform::LowPowerMode& mode_;
  platform::NotificationCenter& center_;
  platform::DispatchQueue& mainQueue_;
  platform::ObserverHandle observer_;
  Handler handler_;
};

}  // namespace vigilix
