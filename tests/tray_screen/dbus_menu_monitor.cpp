#include "tray_screen/dbus_menu_monitor.h"

#include <systemd/sd-bus.h>

#include <cstdlib>
#include <stdexcept>

namespace vigilix::testing {

namespace {

std::string text(const char* value) { return value != nullptr ? value : ""; }

// Fills in the arguments of the calls whose outcome a test looks at; a call
// whose arguments do not read keeps only its address.
void readArguments(sd_bus_message* message, DBusMenuCall& call) {
  if (call.member == "GetLayout") {
    char** names = nullptr;
    if (sd_bus_message_read(message, "ii", &call.parentID, &call.depth) < 0 ||
        sd_bus_message_read_strv(message, &names) < 0 || names == nullptr) {
      return;
    }
    for (char** name = names; *name != nullptr; ++name) {
      call.propertyNames.emplace_back(*name);
      std::free(*name);
    }
    std::free(names);
  } else if (call.member == "Event") {
    const char* event = nullptr;
    if (sd_bus_message_read(message, "is", &call.parentID, &event) >= 0) call.events = text(event);
  } else if (call.member == "EventGroup") {
    if (sd_bus_message_enter_container(message, 'a', "(isvu)") < 0) return;
    while (sd_bus_message_enter_container(message, 'r', "isvu") > 0) {
      std::int32_t id = 0;
      const char* event = nullptr;
      if (sd_bus_message_read(message, "is", &id, &event) < 0) return;
      if (!call.events.empty()) call.events += ' ';
      call.events += text(event);
      if (sd_bus_message_skip(message, "vu") < 0 || sd_bus_message_exit_container(message) < 0) {
        return;
      }
    }
  }
}

}  // namespace

DBusMenuMonitor::DBusMenuMonitor() {
  sd_bus* bus = nullptr;
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr || sd_bus_new(&bus) < 0) throw std::runtime_error("no session bus");
  bus_.reset(bus);
  sd_bus_error error = SD_BUS_ERROR_NULL;
  const bool started =
      sd_bus_set_monitor(bus, 1) >= 0 && sd_bus_set_address(bus, address) >= 0 &&
      sd_bus_set_bus_client(bus, 1) >= 0 && sd_bus_start(bus) >= 0 &&
      sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus.Monitoring", "BecomeMonitor", &error, nullptr, "asu",
                         1, "type='method_call',interface='com.canonical.dbusmenu'", 0u) >= 0;
  const std::string why = text(error.message);
  sd_bus_error_free(&error);
  if (!started) throw std::runtime_error("cannot monitor the session bus: " + why);
}

DBusMenuMonitor::~DBusMenuMonitor() = default;

const std::vector<DBusMenuCall>& DBusMenuMonitor::drain() {
  for (;;) {
    sd_bus_message* message = nullptr;
    if (sd_bus_process(bus_.get(), &message) <= 0) break;
    if (message == nullptr) continue;
    std::uint8_t type = 0;
    if (sd_bus_message_get_type(message, &type) >= 0 && type == SD_BUS_MESSAGE_METHOD_CALL &&
        text(sd_bus_message_get_interface(message)) == "com.canonical.dbusmenu") {
      DBusMenuCall call;
      call.sender = text(sd_bus_message_get_sender(message));
      call.destination = text(sd_bus_message_get_destination(message));
      call.path = text(sd_bus_message_get_path(message));
      call.member = text(sd_bus_message_get_member(message));
      readArguments(message, call);
      calls_.push_back(std::move(call));
    }
    sd_bus_message_unref(message);
  }
  return calls_;
}

std::optional<DBusMenuCall> DBusMenuMonitor::first(const std::string& member,
                                                   const std::string& except) {
  for (const DBusMenuCall& call : drain()) {
    if (call.member == member && call.sender != except) return call;
  }
  return std::nullopt;
}

}  // namespace vigilix::testing
