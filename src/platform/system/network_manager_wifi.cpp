#include "platform/system/network_manager_wifi.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/logger.h"
#include "platform/base/text.h"
#include "platform/buswire/match_rule.h"
#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/bus_properties.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"

namespace vigilix::platform {

namespace {

constexpr const char* kService = "org.freedesktop.NetworkManager";
constexpr const char* kManagerPath = "/org/freedesktop/NetworkManager";
constexpr const char* kActiveInterface = "org.freedesktop.NetworkManager.Connection.Active";
constexpr const char* kAccessPointInterface = "org.freedesktop.NetworkManager.AccessPoint";
constexpr std::string_view kWiFiType = "802-11-wireless";
constexpr std::string_view kNoObject = "/";

// Whether the signal, when about `interface`, lists any of `names`.
bool listsAny(BusArgumentReader& signal, std::string_view interface,
              std::initializer_list<std::string_view> names) {
  const auto change = readPropertiesChanged(signal, interface);
  return change &&
         std::ranges::any_of(names, [&](std::string_view name) { return change->names(name); });
}

}  // namespace

std::optional<std::string> networkNameFromSsid(const std::string& bytes) {
  if (bytes.empty() || utf16ToUtf8(utf8ToUtf16(bytes)) != bytes) return std::nullopt;
  return bytes;
}

struct NetworkManagerWiFi::Watch : std::enable_shared_from_this<Watch> {
  void start();
  void onPropertiesChanged(BusArgumentReader& signal);
  // Reads the chain afresh: primary connection, its type and access point,
  // the point's name. A reading started later makes an earlier one moot.
  void fetch();
  void readType(std::uint64_t reading);
  void readAccessPoint(std::uint64_t reading);
  void readName(std::uint64_t reading);
  void settle(std::uint64_t reading, std::optional<std::string> name);
  // Runs `then` with the value when `reading` is still the latest.
  template <typename T, typename Then>
  void get(std::uint64_t reading, const std::string& path, const char* interface, const char* name,
           Then then);

  Logger log{"WiFi"};
  mutable std::mutex mutex;
  std::optional<std::string> name;
  // Main thread only, from here on.
  std::shared_ptr<AsyncBusConnection> bus;
  BusSlot changes;
  BusSlot owner;
  BusSlot pending;
  std::uint64_t latest = 0;
  std::string activePath;
  std::string accessPointPath;
  bool unreachableLogged = false;
};

void NetworkManagerWiFi::Watch::start() {
  auto opened = AsyncBusConnection::shared(BusKind::System);
  if (!opened) {
    log.log("The Wi-Fi network name reads as none: {}", opened.error().description());
    return;
  }
  bus = std::move(*opened);
  auto changed = bus->addMatch(signalMatchRule({.sender = kService,
                                                .path = {},
                                                .interface = "org.freedesktop.DBus.Properties",
                                                .member = "PropertiesChanged",
                                                .arg0 = {}})
                                   .value_or(""),
                               weakly(this, [](Watch& self, BusArgumentReader& signal) {
                                 self.onPropertiesChanged(signal);
                               }));
  auto followed =
      followNameOwner(*bus, kService, weakly(this, [](Watch& self) { self.fetch(); }),
                      weakly(this, [](Watch& self) { self.settle(++self.latest, std::nullopt); }));
  if (!changed || !followed) {
    log.error("Wi-Fi network changes cannot be followed: {}",
              (!changed ? changed.error() : followed.error()).description());
    bus.reset();
    return;
  }
  changes = std::move(*changed);
  owner = std::move(*followed);
}

void NetworkManagerWiFi::Watch::onPropertiesChanged(BusArgumentReader& signal) {
  const std::string path = signal.path();
  bool affects = false;
  if (path == kManagerPath) {
    affects = listsAny(signal, kService, {"PrimaryConnection"});
  } else if (!activePath.empty() && path == activePath) {
    affects = listsAny(signal, kActiveInterface, {"Type", "SpecificObject"});
  } else if (!accessPointPath.empty() && path == accessPointPath) {
    affects = listsAny(signal, kAccessPointInterface, {"Ssid"});
  }
  if (affects) fetch();
}

template <typename T, typename Then>
void NetworkManagerWiFi::Watch::get(std::uint64_t reading, const std::string& path,
                                    const char* interface, const char* property, Then then) {
  auto call = getProperty<T>(
      *bus, {kService, path, interface, property},
      weakly(this, [reading, then = std::move(then)](Watch& self,
                                                     const std::expected<T, BusError>& value) {
        if (reading != self.latest) return;
        if (!value) {
          if (!self.unreachableLogged) {
            self.unreachableLogged = true;
            self.log.log("The Wi-Fi network name reads as none: {}", value.error().description());
          }
          self.settle(reading, std::nullopt);
          return;
        }
        then(self, *value);
      }));
  if (call) {
    pending = std::move(*call);
  } else {
    settle(reading, std::nullopt);
  }
}

void NetworkManagerWiFi::Watch::fetch() {
  if (!bus) return;
  const std::uint64_t reading = ++latest;
  get<BusObjectPath>(reading, kManagerPath, kService, "PrimaryConnection",
                     [reading](Watch& self, const BusObjectPath& path) {
                       if (path.value == kNoObject) {
                         self.activePath.clear();
                         self.settle(reading, std::nullopt);
                         return;
                       }
                       self.activePath = path.value;
                       self.readType(reading);
                     });
}

void NetworkManagerWiFi::Watch::readType(std::uint64_t reading) {
  get<std::string>(reading, activePath, kActiveInterface, "Type",
                   [reading](Watch& self, const std::string& type) {
                     if (type != kWiFiType) {
                       self.settle(reading, std::nullopt);
                       return;
                     }
                     self.readAccessPoint(reading);
                   });
}

void NetworkManagerWiFi::Watch::readAccessPoint(std::uint64_t reading) {
  get<BusObjectPath>(reading, activePath, kActiveInterface, "SpecificObject",
                     [reading](Watch& self, const BusObjectPath& path) {
                       if (path.value == kNoObject) {
                         self.accessPointPath.clear();
                         self.settle(reading, std::nullopt);
                         return;
                       }
                       self.accessPointPath = path.value;
                       self.readName(reading);
                     });
}

void NetworkManagerWiFi::Watch::readName(std::uint64_t reading) {
  get<std::vector<std::uint8_t>>(
      reading, accessPointPath, kAccessPointInterface, "Ssid",
      [reading](Watch& self, const std::vector<std::uint8_t>& bytes) {
        self.settle(reading, networkNameFromSsid(std::string(bytes.begin(), bytes.end())));
      });
}

void NetworkManagerWiFi::Watch::settle(std::uint64_t reading, std::optional<std::string> now) {
  if (reading != latest) return;
  if (!now) accessPointPath.clear();
  std::lock_guard lock(mutex);
  name = std::move(now);
}

NetworkManagerWiFi::NetworkManagerWiFi() : watch_(std::make_shared<Watch>()) {
  // Not at once: making the object never touches a bus, only the running loop does.
  onMain(watch_, [](Watch& watch) { watch.start(); });
}

NetworkManagerWiFi::~NetworkManagerWiFi() = default;

std::optional<std::string> NetworkManagerWiFi::ssid() {
  std::lock_guard lock(watch_->mutex);
  return watch_->name;
}

}  // namespace vigilix::platform
