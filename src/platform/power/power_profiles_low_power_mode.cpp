#include "platform/power/power_profiles_low_power_mode.h"

#include <systemd/sd-bus.h>

#include "platform/base/logger.h"
#include "platform/buswire/match_rule.h"
#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/bus_properties.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"

namespace vigilix::platform {

namespace {

constexpr const char* kDaemon = "net.hadess.PowerProfiles";
constexpr const char* kPath = "/net/hadess/PowerProfiles";
constexpr const char* kProperty = "ActiveProfile";
constexpr const char* kLowPowerProfile = "power-saver";

}  // namespace

std::optional<std::string> activeProfileFromChange(sd_bus_message* message) {
  const char* interface = nullptr;
  if (sd_bus_message_read(message, "s", &interface) <= 0 || std::string_view(interface) != kDaemon)
    return std::nullopt;
  if (sd_bus_message_enter_container(message, 'a', "{sv}") <= 0) return std::nullopt;
  for (;;) {
    if (sd_bus_message_enter_container(message, 'e', "sv") <= 0) return std::nullopt;
    const char* name = nullptr;
    if (sd_bus_message_read(message, "s", &name) <= 0) return std::nullopt;
    if (std::string_view(name) == kProperty) {
      const char* profile = nullptr;
      if (sd_bus_message_read(message, "v", "s", &profile) <= 0) return std::nullopt;
      return std::string(profile);
    }
    if (sd_bus_message_skip(message, "v") < 0 || sd_bus_message_exit_container(message) < 0)
      return std::nullopt;
  }
}

struct PowerProfilesLowPowerMode::Watch {
  void start();
  void fetch();
  void apply(bool enabled);

  std::atomic<bool> enabled{false};
  Logger log{"LowPowerMode"};
  // Main thread only, from here on.
  std::shared_ptr<AsyncBusConnection> bus;
  BusSlot changes;
  BusSlot owners;
  BusSlot pending;
};

void PowerProfilesLowPowerMode::Watch::start() {
  auto opened = AsyncBusConnection::shared(BusKind::System);
  if (!opened) {
    log.log("Low Power Mode reads as off: {}", opened.error().description());
    return;
  }
  bus = std::move(*opened);
  auto changed = bus->addMatch(signalMatchRule({.sender = {},
                                                .path = kPath,
                                                .interface = "org.freedesktop.DBus.Properties",
                                                .member = "PropertiesChanged",
                                                .arg0 = kDaemon})
                                   .value_or(""),
                               [this](sd_bus_message* message) {
                                 if (auto profile = activeProfileFromChange(message))
                                   apply(*profile == kLowPowerProfile);
                               });
  // A daemon that starts again may come up in another profile; one that goes leaves none.
  auto owner = followNameOwner(
      *bus, kDaemon, [this] { fetch(); }, [this] { apply(false); });
  if (!changed || !owner) {
    log.error("Low Power Mode changes cannot be followed: {}",
              (!changed ? changed.error() : owner.error()).description());
    bus.reset();
    return;
  }
  changes = std::move(*changed);
  owners = std::move(*owner);
}

void PowerProfilesLowPowerMode::Watch::fetch() {
  auto call = bus->callAsync(
      {kDaemon, kPath, "org.freedesktop.DBus.Properties", "Get"},
      [](sd_bus_message* message) {
        return sd_bus_message_append(message, "ss", kDaemon, kProperty);
      },
      [this](const BusReply& reply) {
        const char* profile = nullptr;
        if (!reply) {
          log.log("Low Power Mode reads as off: {}", reply.error().description());
          apply(false);
        } else if (sd_bus_message_read(*reply, "v", "s", &profile) > 0) {
          apply(std::string_view(profile) == kLowPowerProfile);
        }
      });
  if (call) pending = std::move(*call);
}

void PowerProfilesLowPowerMode::Watch::apply(bool now) {
  if (enabled.exchange(now) == now) return;
  log.log("Low Power Mode {}.", now ? "on" : "off");
  NotificationCenter::defaultCenter().post(kPowerStateDidChangeNotification);
}

PowerProfilesLowPowerMode::PowerProfilesLowPowerMode() : watch_(std::make_shared<Watch>()) {
  // Not at once: making the object never touches a bus, only the running loop does.
  onMain(watch_, [](Watch& watch) { watch.start(); });
}

PowerProfilesLowPowerMode::~PowerProfilesLowPowerMode() = default;

bool PowerProfilesLowPowerMode::isLowPowerModeEnabled() const { return watch_->enabled.load(); }

}  // namespace vigilix::platform
