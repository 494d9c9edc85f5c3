#include "platform/dbus/bus_properties.h"

#include <algorithm>
#include <utility>

#include "platform/buswire/match_rule.h"

namespace vigilix::platform {

std::expected<BusSlot, BusError> getPropertyReply(AsyncBusConnection& bus,
                                                  const PropertyAddress& property,
                                                  const std::string& contents,
                                                  BusReplyHandler onValue) {
  const std::string path = property.path;
  const std::string interface = property.interface;
  const std::string name = property.name;
  return bus.callAsync(
      {property.destination, path.c_str(), "org.freedesktop.DBus.Properties", "Get"},
      [&interface, &name](BusArgumentWriter& out) { out.string(interface).string(name); },
      [contents, onValue = std::move(onValue)](const BusReply& reply) {
        if (!reply) {
          onValue(reply);
          return;
        }
        BusArgumentReader value = *reply;
        if (!value.enter('v', contents.c_str())) {
          onValue(std::unexpected(BusError{0, "org.freedesktop.DBus.Error.InvalidSignature",
                                           "the value is not of type " + contents}));
          return;
        }
        onValue(value);
      });
}

bool PropertiesChange::names(std::string_view name) const {
  return std::ranges::find(changed, name) != changed.end() ||
         std::ranges::find(invalidated, name) != invalidated.end();
}

std::optional<PropertiesChange> readPropertiesChanged(BusArgumentReader& signal,
                                                      std::string_view interface,
                                                      const ChangedValueReader& readValue) {
  if (signal.string() != interface || !signal) return std::nullopt;
  PropertiesChange change;
  signal.enter('a', "{sv}");
  while (!signal.atEnd()) {
    signal.enter('e', "sv");
    std::string name = signal.string();
    if (!signal) break;
    if (!readValue || !readValue(name, signal)) signal.skip("v");
    signal.exit();
    change.changed.push_back(std::move(name));
  }
  signal.exit();
  change.invalidated = signal.strings();
  if (!signal) return std::nullopt;
  return change;
}

std::expected<BusSlot, BusError> followNameOwner(AsyncBusConnection& bus, const char* name,
                                                 std::function<void()> ask,
                                                 std::function<void()> gone) {
  const auto rule = signalMatchRule({.sender = "org.freedesktop.DBus",
                                     .path = {},
                                     .interface = "org.freedesktop.DBus",
                                     .member = "NameOwnerChanged",
                                     .arg0 = name});
  if (!rule) {
    return std::unexpected(BusError{0, kBusInvalidArgsError, "no match rule holds that name"});
  }
  return bus.addMatch(
      *rule,
      [ask, gone = std::move(gone)](BusArgumentReader& signal) {
        signal.string();
        signal.string();
        const std::string owner = signal.string();
        if (!signal) return;
        if (owner.empty()) {
          gone();
        } else {
          ask();
        }
      },
      [ask](const BusReply&) { ask(); });
}

}  // namespace vigilix::platform
