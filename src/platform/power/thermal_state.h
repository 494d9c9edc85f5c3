#pragma once

#include <cstdint>
#include <optional>

#include "platform/base/observer_token.h"

namespace vigilix::platform {

// Posted on the default centre when the thermal state changes, while some
// caller follows the changes (ThermalMonitor::followChanges).
inline constexpr const char* kThermalStateDidChangeNotification =
    "NSProcessInfoThermalStateDidChangeNotification";

// The system's thermal state by raw value, ordered: the application's heat rule
// and the guard's safety both read it. A later system may report a value above
// Critical; callers must be ready for it.
enum class ThermalState : std::int32_t { Nominal = 0, Fair = 1, Serious = 2, Critical = 3 };

// The state for a raw value, or none for a value this system does not know.
std::optional<ThermalState> thermalStateFromRawValue(std::int64_t rawValue);

class ThermalMonitor {
 public:
  virtual ~ThermalMonitor() = default;
  virtual ThermalState thermalState() const = 0;

  // While the handle lives, kThermalStateDidChangeNotification is posted
  // whenever the state moves away from the last one seen, starting from
  // `known` (the state the caller last acted on, so a change it has not yet
  // seen is posted too). Changes are only looked for while someone follows
  // them: the live monitor reads its sensors on a timer.
  [[nodiscard]] virtual ObserverHandle followChanges(ThermalState known) = 0;

  // Live: the machine's thermal zones (LiveThermalMonitor); tests install their own.
  static ThermalMonitor& current();
  // Returns the one it replaced (nullptr: the live one).
  static ThermalMonitor* setCurrent(ThermalMonitor* monitor);
};

}  // namespace vigilix::platform
