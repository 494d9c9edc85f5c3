#pragma once

#include <expected>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/bus_arguments.h"

struct sd_bus_message;

namespace vigilix::platform {

// A method call being served. Copies share it, so the answer may come later (say once work on
// the main queue has run); only the first answer is sent.
class BusMethodCall {
 public:
  explicit BusMethodCall(sd_bus_message* call);

  // A reply that cannot be written (a text that is not UTF-8) is answered with its errno.
  std::expected<void, BusError> reply(const BusWrite& write = {}) const;
  // A D-Bus error reply: `errorName` ("org.example.Error.Denied") and `text`.
  std::expected<void, BusError> fail(const std::string& errorName, const std::string& text) const;
  bool answered() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// Reads the call's arguments and answers it, now or later. A handler that stops at a failed
// read and leaves the call unanswered has the read's error sent back for it.
using BusMethodHandler = std::function<void(BusArgumentReader& arguments, BusMethodCall call)>;

struct BusMethod {
  std::string name;
  std::string arguments;  // D-Bus signatures
  std::string result;
  BusMethodHandler handler;
};

struct BusSignal {
  std::string name;
  std::string arguments;
};

// A property peers read (Get, GetAll): `read` writes its value now, of `type`. A constant one
// is said never to change; any other is said to change without a signal.
struct BusProperty {
  std::string name;
  std::string type;
  BusWrite read;
  bool constant = false;
};

// What one interface of an exported object offers: the bus checks each call's arguments
// against the method's signature before its handler runs. Any peer may call.
struct BusInterfaceTable {
  std::vector<BusMethod> methods;
  std::vector<BusSignal> signals;
};

// Serves `table` and `properties` as `interface` at `path` until the slot is dropped (also
// from inside one of its own handlers). Main thread only, as the connection.
[[nodiscard]] std::expected<BusSlot, BusError> exportInterface(
    AsyncBusConnection& connection, const std::string& path, const std::string& interface,
    BusInterfaceTable table, std::vector<BusProperty> properties = {});

}  // namespace vigilix::platform
