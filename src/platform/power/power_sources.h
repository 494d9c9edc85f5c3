#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/base/property_value.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/run_loop.h"

namespace vigilix::platform {

// Providing power source types.
inline constexpr const char* kPowerSourceACPower = "AC Power";
inline constexpr const char* kPowerSourceBatteryPower = "Battery Power";
inline constexpr const char* kPowerSourceUPSPower = "UPS Power";

// Keys and values of a power source's description.
inline constexpr const char* kPowerSourceTypeKey = "Type";
inline constexpr const char* kPowerSourceCurrentCapacityKey = "Current Capacity";
inline constexpr const char* kPowerSourceMaxCapacityKey = "Max Capacity";
inline constexpr const char* kPowerSourceStateKey = "Power Source State";
inline constexpr const char* kPowerSourceIsChargingKey = "Is Charging";
inline constexpr const char* kPowerSourceIsChargedKey = "Is Charged";
inline constexpr const char* kPowerSourceInternalBatteryType = "InternalBattery";
inline constexpr const char* kPowerSourceUPSType = "UPS";

// How close the battery is to running out: the system's own warning levels.
// Final (3) is the last warning before the machine sleeps by itself.
enum class BatteryWarningLevel : std::int32_t { None = 1, Early = 2, Final = 3 };

// The machine's power sources (batteries, UPS units) and the one in use.
class PowerSources {
 public:
  virtual ~PowerSources() = default;

  // One description per power source, in the system's order; normally a
  // dictionary, but callers must expect any value. None when the information
  // cannot be read at all.
  virtual std::optional<PropertyArray> copyPowerSourceDescriptions() const = 0;
  // "AC Power", "Battery Power" or "UPS Power"; none when unknown.
  virtual std::optional<std::string> providingPowerSourceType() const = 0;
  // None on mains power or without a battery.
  virtual BatteryWarningLevel batteryWarningLevel() const = 0;

  // Calls `handler` on the main run loop, in `mode`, after every change of
  // the power sources. Null when the change source cannot be created.
  [[nodiscard]] virtual ObserverHandle addChangeObserver(RunLoopMode mode,
                                                         std::function<void()> handler) = 0;

  // The power sources in force: the live reader unless a test installed others.
  static PowerSources& current();
  // Returns the one it replaced (nullptr: the live one).
  static PowerSources* setCurrent(PowerSources* sources);
};

}  // namespace vigilix::platform
