#include "closedlid/live_unit_registry.h"

namespace vigilix {

VGXUnitError unitErrorFromBus(const platform::BusError& error) {
  const bool notAuthorized =
      error.name == "org.freedesktop.DBus.Error.AccessDenied" ||
      error.name == "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired" ||
      error.name == "org.freedesktop.DBus.Error.AuthFailed";
  const bool noSuchUnit = error.name == "org.freedesktop.systemd1.NoSuchUnit" ||
                          error.name == "org.freedesktop.DBus.Error.FileNotFound";
  return {notAuthorized, noSuchUnit, error.description()};
}

std::expected<VGXUnitReading, VGXUnitError> LiveUnitRegistry::read(std::string_view unit) {
  auto state = units_.read(unit);
  if (!state) return std::unexpected(unitErrorFromBus(state.error()));
  return VGXUnitReading{state->unitFileState, state->activeState};
}

std::expected<void, VGXUnitError> LiveUnitRegistry::enableAndStart(std::string_view unit) {
  auto result = units_.enableAndStart(unit);
  if (!result) return std::unexpected(unitErrorFromBus(result.error()));
  return {};
}

std::expected<void, VGXUnitError> LiveUnitRegistry::disableAndStop(std::string_view unit) {
  auto result = units_.disableAndStop(unit);
  if (!result) return std::unexpected(unitErrorFromBus(result.error()));
  return {};
}

}  // namespace vigilix
