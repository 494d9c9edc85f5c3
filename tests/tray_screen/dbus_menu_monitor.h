#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/dbus/bus_opening.h"

namespace vigilix::testing {

// One com.canonical.dbusmenu call as a host made it.
struct DBusMenuCall {
  std::string sender;
  std::string destination;
  std::string path;
  std::string member;
  // GetLayout's arguments; zero for other calls.
  std::int32_t parentID = 0;
  std::int32_t depth = 0;
  std::vector<std::string> propertyNames;
  // Event's event id, or every id of an EventGroup joined by spaces.
  std::string events;
};

// Watches the session bus as a monitor (BecomeMonitor) for calls on the
// dbusmenu interface: what a tray host asked of the menu, whoever serves it.
// Nothing is read until `drain`, which never blocks. Test thread only.
class DBusMenuMonitor {
 public:
  DBusMenuMonitor();
  ~DBusMenuMonitor();
  DBusMenuMonitor(const DBusMenuMonitor&) = delete;
  DBusMenuMonitor& operator=(const DBusMenuMonitor&) = delete;

  // Reads what arrived; answers every call seen so far.
  const std::vector<DBusMenuCall>& drain();
  // The first call of `member` from someone other than `except`, if any yet.
  std::optional<DBusMenuCall> first(const std::string& member, const std::string& except = {});

 private:
  platform::BusHandle bus_;
  std::vector<DBusMenuCall> calls_;
};

}  // namespace vigilix::testing
