#pragma once

#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dbus/async_bus_connection.h"

struct sd_bus_message;

namespace vigilix::platform {

struct PropertyAddress {
  const char* destination;
  std::string path;
  const char* interface;
  const char* name;
};

// Asks for one property. `onValue` runs once: with the reply entered into
// its variant when the value has the type `contents` ("s", "o", "t", "ay"),
// else with the error (a value of another type is an error too).
[[nodiscard]] std::expected<BusSlot, BusError> getProperty(AsyncBusConnection& bus,
                                                           const PropertyAddress& property,
                                                           const char* contents,
                                                           BusReplyHandler onValue);

// The properties of `interface` that a PropertiesChanged signal ("sa{sv}as")
// names, changed and invalidated alike; none when it is about another
// interface or malformed.
std::optional<std::vector<std::string>> changedProperties(sd_bus_message* message,
                                                          std::string_view interface);

// Follows the owner of the well-known `name`: `ask` runs once the rule is in
// place (from then on no change is missed) and whenever a new owner takes
// the name, `gone` when it loses its owner. Main thread only, as the
// connection.
[[nodiscard]] std::expected<BusSlot, BusError> followNameOwner(AsyncBusConnection& bus,
                                                               const char* name,
                                                               std::function<void()> ask,
                                                               std::function<void()> gone);

}  // namespace vigilix::platform
