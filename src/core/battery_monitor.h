#pragma once

#include <functional>
#include <optional>

#include "platform/notifications/notification_center.h"
#include "platform/power/power_sources.h"

namespace vigilix {

// Reads the first power source and follows its changes.
// Main thread only; the change observer lives on the main run loop in the
// default mode (no change is heard while a menu is being tracked).
class DZLBatteryMonitor {
 public:
  using CapacityChangeHandler = std::function<void(double capacity)>;

  explicit DZLBatteryMonitor(platform::PowerSources& sources = platform::PowerSources::current());

  // The first source; none when there is none.
  std::optional<platform::PowerSourceReading> firstSource() const;
  bool hasBattery() const;
  // The first source's current capacity; -1.0 without a source or that value.
  double currentCapacity() const;
  // 1 on battery; on mains 2 charging, else 3 charged, else 0; 0 otherwise.
  int state() const;

  bool isRegistered() const { return changeSource_ != nullptr; }
  void registerForCapacityChangesIfNeeded();
  void unregisterFromCapacityChanges() { changeSource_.reset(); }
  // Called with currentCapacity at every change of the power sources.
  void setCapacityChangeHandler(CapacityChangeHandler handler) {
    capacityChangeHandler_ = std::move(handler);
  }

 private:
  platform::PowerSources& sources_;
  platform::ObserverHandle changeSource_;
  CapacityChangeHandler capacityChangeHandler_;
};

}  // namespace vigilix
