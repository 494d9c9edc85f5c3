#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dbus/test_child_process.h"
#include "platform/dbus/bus_opening.h"
#include "testing/scoped_environment.h"

namespace vigilix::testing {

// A dbus-daemon of the given kind on a socket in a fresh temporary folder,
// with its own configuration (permissive; service activation only of the
// programs given). While it
// lives DBUS_SYSTEM_BUS_ADDRESS or DBUS_SESSION_BUS_ADDRESS names it, so this
// process and the programs it starts never reach the machine's own bus; the
// former value comes back at the end. Throws std::runtime_error (with the
// daemon's log) when the bus does not answer in time.
class PrivateBus {
 public:
  // A program the bus starts when its name is asked for and has no owner.
  struct Activatable {
    std::string name;
    std::string program;
  };

  explicit PrivateBus(platform::BusKind kind, const std::vector<Activatable>& activatable = {});
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  platform::BusKind kind() const { return kind_; }
  const std::string& address() const { return address_; }
  const std::filesystem::path& folder() const { return folder_; }
  // Whether `name` has an owner on this bus now.
  bool hasOwner(const std::string& name) const;
  std::string log() const;
  // Ends the daemon (as a logout ends the session's bus) and waits for it.
  void stop();

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
  explicit PrivateSessionBus(const std::vector<Activatable>& activatable = {})
      : PrivateBus(platform::BusKind::Session, activatable) {}
};

}  // namespace vigilix::testing
