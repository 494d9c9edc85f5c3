#pragma once

#include <algorithm>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dbus/async_bus_connection.h"

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
[[nodiscard]] std::expected<BusSlot, BusError> getPropertyReply(AsyncBusConnection& bus,
                                                                const PropertyAddress& property,
                                                                const std::string& contents,
                                                                BusReplyHandler onValue);

// Asks for one property of type T (see bus_types.h): `onValue` runs once with
// the value or the error, as getPropertyReply.
template <typename T>
[[nodiscard]] std::expected<BusSlot, BusError> getProperty(
    AsyncBusConnection& bus, const PropertyAddress& property,
    std::function<void(const std::expected<T, BusError>&)> onValue) {
  return getPropertyReply(bus, property, BusType<T>::signature(),
                          [onValue = std::move(onValue)](const BusReply& reply) {
                            if (!reply) return onValue(std::unexpected(reply.error()));
                            BusArgumentReader in = *reply;
                            T value = in.read<T>();
                            if (!in) return onValue(std::unexpected(in.error()));
                            onValue(std::move(value));
                          });
}

// What a PropertiesChanged signal ("sa{sv}as") says of an interface.
struct PropertiesChange {
  std::vector<std::string> changed;      // sent with their new values
  std::vector<std::string> invalidated;  // to be read again
  // Whether either list names `name`.
  bool names(std::string_view name) const;
};

// Handed each changed property's name with the reader at its value (a
// variant); answers whether it read the value, else it is passed over.
using ChangedValueReader = std::function<bool(const std::string& name, BusArgumentReader& value)>;

// Reads a PropertiesChanged signal about `interface`; none when it is about
// another interface or malformed (also when `readValue` failed the reader).
std::optional<PropertiesChange> readPropertiesChanged(BusArgumentReader& signal,
                                                      std::string_view interface,
                                                      const ChangedValueReader& readValue = {});

// The value of type T a PropertiesChanged signal gives `name` of `interface`:
// none when it gives none (`invalidated`, when asked, tells whether it lists
// the name as invalidated), when it is about another interface or malformed,
// or when the value is of another type.
template <typename T>
std::optional<T> changedValue(BusArgumentReader& signal, std::string_view interface,
                              std::string_view name, bool* invalidated = nullptr) {
  std::optional<T> value;
  const auto change = readPropertiesChanged(signal, interface,
                                            [&](const std::string& changed, BusArgumentReader& in) {
                                              if (changed != name) return false;
                                              value = in.variant<T>();
                                              return true;
                                            });
  if (invalidated) {
    *invalidated =
        change && std::ranges::find(change->invalidated, name) != change->invalidated.end();
  }
  if (!change) return std::nullopt;
  return value;
}

// Follows the owner of the well-known `name`: `ask` runs once the rule is in
// place (from then on no change is missed) and whenever a new owner takes
// the name, `gone` when it loses its owner. Main thread only, as the
// connection.
[[nodiscard]] std::expected<BusSlot, BusError> followNameOwner(AsyncBusConnection& bus,
                                                               const char* name,
                                                               std::function<void()> ask,
                                                               std::function<void()> gone);

}  // namespace vigilix::platform
