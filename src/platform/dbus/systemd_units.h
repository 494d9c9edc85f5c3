#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "platform/dbus/bus_error.h"

namespace vigilix::platform {

// A unit as systemd's manager reports it on the system bus.
struct SystemdUnitState {
  std::string unitFileState;  // GetUnitFileState: "enabled", "disabled", ...
  std::string activeState;    // the unit's ActiveState: "active", "inactive", ...
  bool operator==(const SystemdUnitState&) const = default;
};

// org.freedesktop.systemd1.Manager on the system bus. Each call opens its own
// connection and blocks until answered: never call from the main thread.
// Enabling may wait for the user to answer polkit's password prompt, so it
// is allowed `interactiveTimeoutMicroseconds`.
class SystemdUnits {
 public:
  explicit SystemdUnits(std::uint64_t interactiveTimeoutMicroseconds = 300'000'000)
      : interactiveTimeout_(interactiveTimeoutMicroseconds) {}

  std::expected<SystemdUnitState, BusError> read(std::string_view unit) const;
  // EnableUnitFiles then StartUnit ("replace"), both with interactive
  // authorization.
  std::expected<void, BusError> enableAndStart(std::string_view unit) const;
  // StopUnit then DisableUnitFiles; a unit that is already stopped is fine.
  std::expected<void, BusError> disableAndStop(std::string_view unit) const;

 private:
  std::uint64_t interactiveTimeout_;
};

}  // namespace vigilix::platform
