#pragma once

#include <functional>
#include <optional>

#include "platform/base/property_value.h"
#include "platform/notifications/notification_center.h"
#include "platform/power/power_sources.h"

namespace vigilix {

// Reads the first power source's description and follows its changes.
// Main thread only; the change observer lives on the main run loop in the
// default mode (no change is heard while a menu is being tracked).
class DZLBatteryMonitor {
 public:
  using CapacityChangeHandler = std::function<void(double capacity)>;

  explicit DZLBatteryMonitor(platform::PowerSources& sources = platform::PowerSources::current());

  // The first source's description; none when there is none or it is no dictionary.
  std::optional<platform::PropertyDictionary> powerSourceInfos() const;
  bool hasBattery() const;
  // "Current Capacity" as a number; -1.0 without a source or that value.
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
