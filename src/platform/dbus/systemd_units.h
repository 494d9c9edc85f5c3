#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dbus/bus_connection.h"
#include "platform/dbus/bus_error.h"

namespace vigilix::platform {

// A unit as systemd's manager reports it on the system bus.
struct SystemdUnitState {
  std::string unitFileState;  // GetUnitFileState: "enabled", "disabled", ...
  std::string activeState;    // the unit's ActiveState: "active", "inactive", ...
  bool operator==(const SystemdUnitState&) const = default;
};

// org.freedesktop.systemd1.Manager on the system bus. Every call blocks until
// answered: never call from the main thread. Reads share one connection (copies
// of this object too); enabling and disabling open their own.
// Enabling may wait for the user to answer polkit's password prompt, so it
// is allowed `interactiveTimeoutMicroseconds`.
class SystemdUnits {
 public:
  explicit SystemdUnits(std::uint64_t interactiveTimeoutMicroseconds = 300'000'000)
      : interactiveTimeout_(interactiveTimeoutMicroseconds),
        reading_(std::make_shared<Reading>()) {}

  // Reads keep their connection for the next: the state is read again while a guard is
  // awaited, and a connection of its own each time cost the bus a handshake.
  std::expected<SystemdUnitState, BusError> read(std::string_view unit) const;
  // EnableUnitFiles then StartUnit ("replace"), both with interactive
  // authorization.
  std::expected<void, BusError> enableAndStart(std::string_view unit) const;
  // StopUnit then DisableUnitFiles; a unit that is already stopped is fine.
  std::expected<void, BusError> disableAndStop(std::string_view unit) const;

 private:
  struct Reading {
    std::mutex mutex;
    std::optional<BusConnection> bus;
  };
  static std::expected<SystemdUnitState, BusError> readOn(const BusConnection& bus,
                                                          std::string_view unit);

  std::uint64_t interactiveTimeout_;
  std::shared_ptr<Reading> reading_;
};

}  // namespace vigilix::platform
