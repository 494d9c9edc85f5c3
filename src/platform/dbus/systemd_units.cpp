#include "platform/dbus/systemd_units.h"

#include <systemd/sd-bus.h>

#include "platform/dbus/bus_connection.h"

namespace vigilix::platform {
namespace {

constexpr const char* kService = "org.freedesktop.systemd1";
constexpr const char* kManagerPath = "/org/freedesktop/systemd1";
constexpr const char* kManager = "org.freedesktop.systemd1.Manager";

MethodAddress manager(const char* member) { return {kService, kManagerPath, kManager, member}; }

// Lets polkit ask the user instead of refusing at once.
int interactive(sd_bus_message* message) {
  return sd_bus_message_set_allow_interactive_authorization(message, 1);
}

int appendUnitList(sd_bus_message* message, const std::string& unit) {
  int result = sd_bus_message_open_container(message, 'a', "s");
  if (result >= 0) result = sd_bus_message_append(message, "s", unit.c_str());
  if (result >= 0) result = sd_bus_message_close_container(message);
  return result;
}

std::expected<std::string, BusError> readString(const BusMessage& reply, const char* type) {
  const char* text = nullptr;
  const int result = sd_bus_message_read(reply.get(), type, &text);
  if (result <= 0) return std::unexpected(busErrorFromResult(result < 0 ? result : -EBADMSG));
  return std::string(text);
}

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
  auto fileState = bus.call(manager("GetUnitFileState"), [&](sd_bus_message* message) {
    return sd_bus_message_append(message, "s", unit.c_str());
  });
  if (!fileState) return std::unexpected(fileState.error());
  SystemdUnitState state;
  auto text = readString(*fileState, "s");
  if (!text) return std::unexpected(text.error());
  state.unitFileState = std::move(*text);

  auto loaded = bus.call(manager("LoadUnit"), [&](sd_bus_message* message) {
    return sd_bus_message_append(message, "s", unit.c_str());
  });
  if (!loaded) return std::unexpected(loaded.error());
  auto path = readString(*loaded, "o");
  if (!path) return std::unexpected(path.error());
  const std::string unitInterface = "org.freedesktop.systemd1.Unit";
  auto active =
      bus.call({kService, path->c_str(), "org.freedesktop.DBus.Properties", "Get"},
               [&](sd_bus_message* message) {
                 return sd_bus_message_append(message, "ss", unitInterface.c_str(), "ActiveState");
               });
  if (!active) return std::unexpected(active.error());
  int result = sd_bus_message_enter_container(active->get(), 'v', "s");
  if (result <= 0) return std::unexpected(busErrorFromResult(result < 0 ? result : -EBADMSG));
  text = readString(*active, "s");
  if (!text) return std::unexpected(text.error());
  state.activeState = std::move(*text);
  return state;
}

std::expected<void, BusError> SystemdUnits::enableAndStart(std::string_view unitName) const {
  const std::string unit(unitName);
  auto bus = BusConnection::openSystem(interactiveTimeout_);
  if (!bus) return std::unexpected(bus.error());
  auto enabled = bus->call(manager("EnableUnitFiles"), [&](sd_bus_message* message) {
    int result = interactive(message);
    if (result >= 0) result = appendUnitList(message, unit);
    // Persistently (not runtime only), replacing a stale link.
    if (result >= 0) result = sd_bus_message_append(message, "bb", 0, 1);
    return result;
  });
  if (!enabled) return std::unexpected(enabled.error());
  if (auto reloaded = bus->call(manager("Reload"), interactive); !reloaded) {
    return std::unexpected(reloaded.error());
  }
  auto started = bus->call(manager("StartUnit"), [&](sd_bus_message* message) {
    int result = interactive(message);
    if (result >= 0) result = sd_bus_message_append(message, "ss", unit.c_str(), "replace");
    return result;
  });
  if (!started) return std::unexpected(started.error());
  return {};
}

std::expected<void, BusError> SystemdUnits::disableAndStop(std::string_view unitName) const {
  const std::string unit(unitName);
  auto bus = BusConnection::openSystem(interactiveTimeout_);
  if (!bus) return std::unexpected(bus.error());
  auto stopped = bus->call(manager("StopUnit"), [&](sd_bus_message* message) {
    int result = interactive(message);
    if (result >= 0) result = sd_bus_message_append(message, "ss", unit.c_str(), "replace");
    return result;
  });
  if (!stopped) return std::unexpected(stopped.error());
  auto disabled = bus->call(manager("DisableUnitFiles"), [&](sd_bus_message* message) {
    int result = interactive(message);
    if (result >= 0) result = appendUnitList(message, unit);
    if (result >= 0) result = sd_bus_message_append(message, "b", 0);
    return result;
  });
  if (!disabled) return std::unexpected(disabled.error());
  return {};
}

}  // namespace vigilix::platform
