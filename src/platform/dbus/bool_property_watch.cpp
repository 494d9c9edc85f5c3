#include "platform/dbus/bool_property_watch.h"

#include <systemd/sd-bus.h>

#include <string_view>

#include "platform/base/logger.h"
#include "platform/buswire/match_rule.h"

namespace vigilix::platform {

namespace {

constexpr const char* kBusDaemon = "org.freedesktop.DBus";

const Logger& log() {
  static const Logger logger("dbus");
  return logger;
}

}  // namespace

std::optional<bool> boolFromPropertiesChanged(sd_bus_message* message, const std::string& interface,
                                              const std::string& name, bool& invalidated) {
  invalidated = false;
  const char* changedInterface = nullptr;
  if (sd_bus_message_read(message, "s", &changedInterface) <= 0 || interface != changedInterface) {
    return std::nullopt;
  }
  if (sd_bus_message_enter_container(message, 'a', "{sv}") <= 0) return std::nullopt;
  std::optional<bool> value;
  while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
    const char* key = nullptr;
    if (sd_bus_message_read(message, "s", &key) <= 0) return std::nullopt;
    if (name == key) {
      int flag = 0;
      if (sd_bus_message_read(message, "v", "b", &flag) <= 0) return std::nullopt;
      value = flag != 0;
    } else if (sd_bus_message_skip(message, "v") < 0) {
      return std::nullopt;
    }
    if (sd_bus_message_exit_container(message) < 0) return std::nullopt;
  }
  if (sd_bus_message_exit_container(message) < 0) return value;
  if (sd_bus_message_enter_container(message, 'a', "s") > 0) {
    const char* listed = nullptr;
    while (sd_bus_message_read(message, "s", &listed) > 0) {
      if (name == listed) invalidated = true;
    }
  }
  return value;
}

BoolPropertyWatch::BoolPropertyWatch(std::shared_ptr<AsyncBusConnection> bus, BoolProperty property,
                                     Handler onValue)
    : bus_(std::move(bus)), property_(std::move(property)), onValue_(std::move(onValue)) {}

BoolPropertyWatch::~BoolPropertyWatch() = default;

std::expected<std::unique_ptr<BoolPropertyWatch>, BusError> BoolPropertyWatch::start(
    std::shared_ptr<AsyncBusConnection> bus, BoolProperty property, Handler onValue) {
  std::unique_ptr<BoolPropertyWatch> watch(
      new BoolPropertyWatch(std::move(bus), std::move(property), std::move(onValue)));
  BoolPropertyWatch* self = watch.get();
  const BoolProperty& where = self->property_;
  auto changes =
      self->bus_->addMatch(signalMatchRule({.sender = {},
                                            .path = where.path,
                                            .interface = "org.freedesktop.DBus.Properties",
                                            .member = "PropertiesChanged",
                                            .arg0 = where.interface})
                               .value_or(""),
                           [self](sd_bus_message* message) { self->changed(message); });
  if (!changes) return std::unexpected(changes.error());
  auto owners = self->bus_->addMatch(
      signalMatchRule({.sender = kBusDaemon,
                       .path = {},
                       .interface = kBusDaemon,
                       .member = "NameOwnerChanged",
                       .arg0 = where.service})
          .value_or(""),
      [self](sd_bus_message* message) {
        const char* name = nullptr;
        const char* former = nullptr;
        const char* owner = nullptr;
        if (sd_bus_message_read(message, "sss", &name, &former, &owner) <= 0 ||
            self->property_.service != name) {
          return;
        }
        self->owner_ = owner;
        if (self->owner_.empty()) {
          self->pending_ = {};
          self->onValue_(std::nullopt);
        } else {
          self->fetch();
        }
      },
      // Both matches are in place once the bus answered this one (calls are
      // answered in order): only now is the first reading safe from races.
      [self](const BusReply&) { self->fetch(); });
  if (!owners) return std::unexpected(owners.error());
  self->changes_ = std::move(*changes);
  self->owners_ = std::move(*owners);
  return watch;
}

void BoolPropertyWatch::fetch() {
  // The owner first, so that changes are believed only from it.
  auto call = bus_->callAsync(
      {kBusDaemon, "/org/freedesktop/DBus", kBusDaemon, "GetNameOwner"},
      [this](sd_bus_message* message) {
        return sd_bus_message_append(message, "s", property_.service.c_str());
      },
      [this](const BusReply& reply) {
        const char* owner = nullptr;
        if (!reply || sd_bus_message_read(*reply, "s", &owner) <= 0) {
          owner_.clear();
          onValue_(std::nullopt);
          return;
        }
        owner_ = owner;
        auto get = bus_->callAsync(
            {property_.service.c_str(), property_.path.c_str(), "org.freedesktop.DBus.Properties",
             "Get"},
            [this](sd_bus_message* message) {
              return sd_bus_message_append(message, "ss", property_.interface.c_str(),
                                           property_.name.c_str());
            },
            [this](const BusReply& value) {
              int flag = 0;
              if (value && sd_bus_message_read(*value, "v", "b", &flag) > 0) {
                onValue_(flag != 0);
              } else {
                onValue_(std::nullopt);
              }
            });
        pending_ = get ? std::move(*get) : BusSlot{};
      });
  pending_ = call ? std::move(*call) : BusSlot{};
}

void BoolPropertyWatch::changed(sd_bus_message* message) {
  const char* sender = sd_bus_message_get_sender(message);
  if (owner_.empty() || !sender || owner_ != sender) {
    log().error("Ignored a change of {} from {}, which is not {}.", property_.name,
                sender ? sender : "nobody", property_.service);
    return;
  }
  bool invalidated = false;
  const auto value =
      boolFromPropertiesChanged(message, property_.interface, property_.name, invalidated);
  if (value) {
    onValue_(*value);
  } else if (invalidated) {
    fetch();
  }
}

}  // namespace vigilix::platform
