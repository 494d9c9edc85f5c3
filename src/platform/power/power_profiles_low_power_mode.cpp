#include "platform/power/power_profiles_low_power_mode.h"

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
  auto changed =
      bus->addMatch(signalMatchRule({.sender = {},
                                     .path = kPath,
                                     .interface = "org.freedesktop.DBus.Properties",
                                     .member = "PropertiesChanged",
                                     .arg0 = kDaemon})
                        .value_or(""),
                    [this](BusArgumentReader& signal) {
                      if (auto profile = changedValue<std::string>(signal, kDaemon, kProperty))
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
      [](BusArgumentWriter& out) { out.string(kDaemon).string(kProperty); },
      [this](const BusReply& reply) {
        if (!reply) {
          log.log("Low Power Mode reads as off: {}", reply.error().description());
          apply(false);
          return;
        }
        BusArgumentReader value = *reply;
        const std::string profile = value.variant<std::string>();
        if (value) apply(profile == kLowPowerProfile);
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
