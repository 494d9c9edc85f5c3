#include "platform/dbus/systemd_units.h"

#include "platform/dbus/bus_connection.h"

namespace vigilix::platform {
namespace {

constexpr const char* kService = "org.freedesktop.systemd1";
constexpr const char* kManagerPath = "/org/freedesktop/systemd1";
constexpr const char* kManager = "org.freedesktop.systemd1.Manager";

MethodAddress manager(const char* member) { return {kService, kManagerPath, kManager, member}; }

// Lets polkit ask the user instead of refusing at once.
void interactive(BusArgumentWriter& out) { out.allowInteractiveAuthorization(); }

}  // namespace

std::expected<SystemdUnitState, BusError> SystemdUnits::read(std::string_view unitName) const {
  std::lock_guard lock(reading_->mutex);
  // An error the bus answered with (no systemd on it) leaves the connection sound; a call that
  // failed without an answer may have lost it (the bus restarted).
  const auto answered = [](const auto& state) { return state || !state.error().name.empty(); };
  if (reading_->bus) {
    auto state = readOn(*reading_->bus, unitName);
    if (answered(state)) return state;
    reading_->bus.reset();
  }
  auto bus = BusConnection::openSystem();
  if (!bus) return std::unexpected(bus.error());
  reading_->bus.emplace(std::move(*bus));
  auto state = readOn(*reading_->bus, unitName);
  if (!answered(state)) reading_->bus.reset();
  return state;
}

std::expected<SystemdUnitState, BusError> SystemdUnits::readOn(const BusConnection& bus,
                                                               std::string_view unitName) {
  const std::string unit(unitName);
  const auto named = [&unit](BusArgumentWriter& out) { out.string(unit); };
  auto fileState = readReply<std::string>(bus.call(manager("GetUnitFileState"), named));
  if (!fileState) return std::unexpected(fileState.error());
  auto path = readReply<BusObjectPath>(bus.call(manager("LoadUnit"), named));
  if (!path) return std::unexpected(path.error());
  auto active = bus.property<std::string>(kService, path->value.c_str(),
                                          "org.freedesktop.systemd1.Unit", "ActiveState");
  if (!active) return std::unexpected(active.error());
  return SystemdUnitState{std::move(*fileState), std::move(*active)};
}

std::expected<void, BusError> SystemdUnits::enableAndStart(std::string_view unitName) const {
  const std::string unit(unitName);
  auto bus = BusConnection::openSystem(interactiveTimeout_);
  if (!bus) return std::unexpected(bus.error());
  auto enabled = bus->call(manager("EnableUnitFiles"), [&](BusArgumentWriter& out) {
    interactive(out);
    // Persistently (not runtime only), replacing a stale link.
    out.strings({unit}).boolean(false).boolean(true);
  });
  if (!enabled) return std::unexpected(enabled.error());
  if (auto reloaded = bus->call(manager("Reload"), interactive); !reloaded) {
    return std::unexpected(reloaded.error());
  }
  auto started = bus->call(manager("StartUnit"), [&](BusArgumentWriter& out) {
    interactive(out);
    out.string(unit).string("replace");
  });
  if (!started) return std::unexpected(started.error());
  return {};
}

std::expected<void, BusError> SystemdUnits::disableAndStop(std::string_view unitName) const {
  const std::string unit(unitName);
  auto bus = BusConnection::openSystem(interactiveTimeout_);
  if (!bus) return std::unexpected(bus.error());
  auto stopped = bus->call(manager("StopUnit"), [&](BusArgumentWriter& out) {
    interactive(out);
    out.string(unit).string("replace");
  });
  if (!stopped) return std::unexpected(stopped.error());
  auto disabled = bus->call(manager("DisableUnitFiles"), [&](BusArgumentWriter& out) {
    interactive(out);
    out.strings({unit}).boolean(false);
  });
  if (!disabled) return std::unexpected(disabled.error());
  return {};
}

}  // namespace vigilix::platform
