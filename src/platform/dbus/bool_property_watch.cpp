#include "platform/dbus/bool_property_watch.h"

#include <string_view>

#include "platform/base/logger.h"
#include "platform/buswire/match_rule.h"
#include "platform/dbus/bus_properties.h"

namespace vigilix::platform {

namespace {

constexpr const char* kBusDaemon = "org.freedesktop.DBus";

const Logger& log() {
  static const Logger logger("dbus");
  return logger;
}

}  // namespace

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
                           [self](BusArgumentReader& signal) { self->changed(signal); });
  if (!changes) return std::unexpected(changes.error());
  auto owners = self->bus_->addMatch(
      signalMatchRule({.sender = kBusDaemon,
                       .path = {},
                       .interface = kBusDaemon,
                       .member = "NameOwnerChanged",
                       .arg0 = where.service})
          .value_or(""),
      [self](BusArgumentReader& signal) {
        const std::string name = signal.string();
        signal.string();
        std::string owner = signal.string();
        if (!signal || self->property_.service != name) return;
        self->owner_ = std::move(owner);
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
      [this](BusArgumentWriter& out) { out.string(property_.service); },
      [this](const BusReply& reply) {
        auto owner = readReply<std::string>(reply);
        if (!owner) {
          owner_.clear();
          onValue_(std::nullopt);
          return;
        }
        owner_ = std::move(*owner);
        auto get = getProperty<bool>(*bus_,
                                     {property_.service.c_str(), property_.path,
                                      property_.interface.c_str(), property_.name.c_str()},
                                     [this](const std::expected<bool, BusError>& value) {
                                       onValue_(value ? std::optional<bool>(*value) : std::nullopt);
                                     });
        pending_ = get ? std::move(*get) : BusSlot{};
      });
  pending_ = call ? std::move(*call) : BusSlot{};
}

void BoolPropertyWatch::changed(BusArgumentReader& signal) {
  const std::string sender = signal.sender();
  if (owner_.empty() || owner_ != sender) {
    log().error("Ignored a change of {} from {}, which is not {}.", property_.name,
                sender.empty() ? "nobody" : sender, property_.service);
    return;
  }
  bool invalidated = false;
  const auto value = changedValue<bool>(signal, property_.interface, property_.name, &invalidated);
  if (value) {
    onValue_(*value);
  } else if (invalidated) {
    fetch();
  }
}

}  // namespace vigilix::platform
