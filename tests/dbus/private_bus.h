#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "dbus/test_child_process.h"
#include "platform/dbus/bus_opening.h"
#include "testing/scoped_environment.h"

namespace vigilix::testing {

// A dbus-daemon of the given kind on a socket in a fresh temporary folder,
// with its own configuration (permissive, no service activation). While it
// lives DBUS_SYSTEM_BUS_ADDRESS or DBUS_SESSION_BUS_ADDRESS names it, so this
// process and the programs it starts never reach the machine's own bus; the
// former value comes back at the end. Throws std::runtime_error (with the
// daemon's log) when the bus does not answer in time.
class PrivateBus {
 public:
  explicit PrivateBus(platform::BusKind kind);
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  platform::BusKind kind() const { return kind_; }
  const std::string& address() const { return address_; }
  const std::filesystem::path& folder() const { return folder_; }
  // Whether `name` has an owner on this bus now.
  bool hasOwner(const std::string& name) const;
  std::string log() const;

 private:
  platform::BusKind kind_;
  std::filesystem::path folder_;
  std::string address_;
  ScopedEnvironment addressVariable_;
  std::optional<TestChildProcess> daemon_;
};

class PrivateSystemBus : public PrivateBus {
 public:
  PrivateSystemBus() : PrivateBus(platform::BusKind::System) {}
};

class PrivateSessionBus : public PrivateBus {
 public:
  PrivateSessionBus() : PrivateBus(platform::BusKind::Session) {}
};

}  // namespace vigilix::testing
