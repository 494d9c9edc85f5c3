#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/notifications/notification_center.h"
#include "platform/runloop/run_loop.h"

namespace vigilix::platform {

// Providing power source types.
inline constexpr const char* kPowerSourceACPower = "AC Power";
inline constexpr const char* kPowerSourceBatteryPower = "Battery Power";
inline constexpr const char* kPowerSourceUPSPower = "UPS Power";

// One power source the system lists: a battery of the machine itself, or a UPS.
struct PowerSourceReading {
  enum class Kind { internalBattery, ups };
  Kind kind = Kind::internalBattery;
  // The machine runs on this source's charge ("Battery Power"), not on mains ("AC Power").
  bool onBattery = false;
  bool isCharging = false;
  bool isCharged = false;
  // The charge now and when full, in one unit (the kernel's percent and 100); none when the
  // source gives none.
  std::optional<std::int64_t> currentCapacity = std::nullopt;
  std::optional<std::int64_t> maxCapacity = std::nullopt;
  bool operator==(const PowerSourceReading&) const = default;
};

// How close the battery is to running out: the system's own warning levels.
// Final (3) is the last warning before the machine sleeps by itself.
enum class BatteryWarningLevel : std::int32_t { None = 1, Early = 2, Final = 3 };

// The machine's power sources (batteries, UPS units) and the one in use.
class PowerSources {
 public:
  virtual ~PowerSources() = default;

  // One reading per power source, in the system's order. None when the
  // information cannot be read at all.
  virtual std::optional<std::vector<PowerSourceReading>> readPowerSources() const = 0;
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
