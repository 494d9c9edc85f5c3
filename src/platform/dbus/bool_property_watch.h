#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/dbus/async_bus_connection.h"

namespace vigilix::platform {

// Where a boolean property lives: a service's object and interface.
struct BoolProperty {
  std::string service;
  std::string path;
  std::string interface;
  std::string name;
};

// Follows one boolean property of a service: read once the watch is in
// place, then from each PropertiesChanged the service sends (an invalidated
// property is read again), and again whenever the service gets a new owner.
// `onValue` hears each reading; none while the service is not running or
// the value cannot be read. Signals from anyone but the service's current
// owner are ignored. Main thread only; dropping the watch ends it.
class BoolPropertyWatch {
 public:
  using Handler = std::function<void(std::optional<bool>)>;

  static std::expected<std::unique_ptr<BoolPropertyWatch>, BusError> start(
      std::shared_ptr<AsyncBusConnection> bus, BoolProperty property, Handler onValue);
  ~BoolPropertyWatch();
  BoolPropertyWatch(const BoolPropertyWatch&) = delete;
  BoolPropertyWatch& operator=(const BoolPropertyWatch&) = delete;

 private:
  BoolPropertyWatch(std::shared_ptr<AsyncBusConnection> bus, BoolProperty property,
                    Handler onValue);
  void fetch();
  void changed(BusArgumentReader& signal);

  std::shared_ptr<AsyncBusConnection> bus_;
  BoolProperty property_;
  Handler onValue_;
  std::string owner_;  // the service's unique name; empty while none
  BusSlot changes_;
  BusSlot owners_;
  BusSlot pending_;
};

}  // namespace vigilix::platform
