#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbus/async_bus_connection.h"

namespace vigilix::testing {

// A StatusNotifierWatcher played on its own session connection: owns the
// watcher's name and records the items registered with it. Throws
// std::runtime_error when the name cannot be had.
struct TrayWatcher {
  TrayWatcher();

  std::unique_ptr<platform::AsyncBusConnection> connection;
  std::vector<std::string> registered;
  platform::BusSlot object;
  platform::BusSlot name;
};

// Calls `member` the way a tray host does and answers what `read` makes of
// the reply; an error answers its name, no answer in time "no answer".
std::string callAsHost(platform::AsyncBusConnection& host, const std::string& destination,
                       const char* path, const char* interface, const char* member,
                       const std::function<int(sd_bus_message*)>& append,
                       const std::function<std::string(sd_bus_message*)>& read);

// A row's properties (a{sv}) as " name=value" for each, in the order sent.
std::string readMenuProperties(sd_bus_message* m);

// A com.canonical.dbusmenu layout, one line per row: two blanks per depth,
// the id, then " name=value" for each property as sent (strings as they
// read, b and i as numbers, shortcuts as keys joined by "+").
void readMenuLayout(sd_bus_message* m, int depth, std::vector<std::string>& lines);

}  // namespace vigilix::testing
