#include "platform/dbus/bus_properties.h"

#include <systemd/sd-bus.h>

#include <memory>
#include <utility>

#include "platform/buswire/match_rule.h"

namespace vigilix::platform {

namespace {
constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";
}  // namespace

std::expected<BusSlot, BusError> getProperty(AsyncBusConnection& bus,
                                             const PropertyAddress& property, const char* contents,
                                             BusReplyHandler onValue) {
  const std::string path = property.path;
  const std::string interface = property.interface;
  const std::string name = property.name;
  return bus.callAsync(
      {property.destination, path.c_str(), "org.freedesktop.DBus.Properties", "Get"},
      [&interface, &name](sd_bus_message* message) {
        return sd_bus_message_append(message, "ss", interface.c_str(), name.c_str());
      },
      [contents = std::string(contents), onValue = std::move(onValue)](const BusReply& reply) {
        if (!reply) {
          onValue(reply);
          return;
        }
        if (sd_bus_message_enter_container(*reply, 'v', contents.c_str()) <= 0) {
          onValue(std::unexpected(BusError{0, "org.freedesktop.DBus.Error.InvalidSignature",
                                           "the value is not of type " + contents}));
          return;
        }
        onValue(reply);
      });
}

std::optional<std::vector<std::string>> changedProperties(sd_bus_message* message,
                                                          std::string_view interface) {
  const char* about = nullptr;
  if (sd_bus_message_read(message, "s", &about) <= 0 || interface != about) return std::nullopt;
  std::vector<std::string> names;
  if (sd_bus_message_enter_container(message, 'a', "{sv}") <= 0) return std::nullopt;
  for (;;) {
    const int entered = sd_bus_message_enter_container(message, 'e', "sv");
    if (entered < 0) return std::nullopt;
    if (entered == 0) break;
    const char* name = nullptr;
    if (sd_bus_message_read(message, "s", &name) <= 0 || sd_bus_message_skip(message, "v") < 0 ||
        sd_bus_message_exit_container(message) < 0) {
      return std::nullopt;
    }
    names.emplace_back(name);
  }
  if (sd_bus_message_exit_container(message) < 0) return std::nullopt;
  if (sd_bus_message_enter_container(message, 'a', "s") <= 0) return std::nullopt;
  for (;;) {
    const char* name = nullptr;
    const int read = sd_bus_message_read(message, "s", &name);
    if (read < 0) return std::nullopt;
    if (read == 0) break;
    names.emplace_back(name);
  }
  return names;
}

std::expected<BusSlot, BusError> followNameOwner(AsyncBusConnection& bus, const char* name,
                                                 std::function<void()> ask,
                                                 std::function<void()> gone) {
  const auto rule = signalMatchRule({.sender = "org.freedesktop.DBus",
                                     .path = {},
                                     .interface = "org.freedesktop.DBus",
                                     .member = "NameOwnerChanged",
                                     .arg0 = name});
  if (!rule) return std::unexpected(BusError{0, kInvalidArgs, "no match rule holds that name"});
  return bus.addMatch(
      *rule,
      [ask, gone = std::move(gone)](sd_bus_message* message) {
        const char* changed = nullptr;
        const char* former = nullptr;
        const char* owner = nullptr;
        if (sd_bus_message_read(message, "sss", &changed, &former, &owner) <= 0) return;
        if (*owner == '\0') {
          gone();
        } else {
          ask();
        }
      },
      [ask](const BusReply&) { ask(); });
}

}  // namespace vigilix::platform
