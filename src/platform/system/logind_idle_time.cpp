#include "platform/system/logind_idle_time.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "platform/base/logger.h"
#include "platform/buswire/match_rule.h"
#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/bus_properties.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"

namespace vigilix::platform {

namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";

}  // namespace

struct LogindIdleTime::Watch : std::enable_shared_from_this<Watch> {
  void start();
  void findSession();
  void follow(const std::string& path);
  void fetch();
  void reportOnce(const std::string& why);

  std::string sessionId;
  Logger log{"IdleTime"};
  std::shared_ptr<AsyncBusConnection> bus;
  BusSlot owner;
  BusSlot changes;
  BusSlot pending;
  std::string sessionPath;
  // Microseconds since 1970; 0 when logind gave none.
  std::uint64_t idleSince = 0;
  bool reported = false;
  // One reading at a time; a change meanwhile asks again after it.
  bool fetching = false;
  bool fetchAgain = false;
};

void LogindIdleTime::Watch::reportOnce(const std::string& why) {
  if (std::exchange(reported, true)) return;
  log.log("No idle time from logind: {}", why);
}

void LogindIdleTime::Watch::start() {
  auto opened = AsyncBusConnection::shared(BusKind::System);
  if (!opened) {
    reportOnce(opened.error().description());
    return;
  }
  bus = std::move(*opened);
  auto followed =
      followNameOwner(*bus, kLogind, weakly(this, [](Watch& self) { self.findSession(); }),
                      weakly(this, [](Watch& self) {
                        self.idleSince = 0;
                        self.pending = {};
                        self.fetching = self.fetchAgain = false;
                      }));
  if (!followed) {
    reportOnce(followed.error().description());
    bus.reset();
    return;
  }
  owner = std::move(*followed);
}

void LogindIdleTime::Watch::findSession() {
  auto call = bus->callAsync(
      {kLogind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "GetSession"},
      [this](BusArgumentWriter& out) { out.string(sessionId); },
      weakly(this, [](Watch& self, const BusReply& reply) {
        if (!reply) {
          self.reportOnce(reply.error().description());
        } else if (const auto path = readReply<BusObjectPath>(reply)) {
          self.follow(path->value);
        }
      }));
  if (call) pending = std::move(*call);
}

void LogindIdleTime::Watch::follow(const std::string& path) {
  sessionPath = path;
  auto changed = bus->addMatch(
      signalMatchRule({.sender = kLogind,
                       .path = sessionPath,
                       .interface = "org.freedesktop.DBus.Properties",
                       .member = "PropertiesChanged",
                       .arg0 = kSessionInterface})
          .value_or(""),
      weakly(this,
             [](Watch& self, BusArgumentReader& signal) {
               const auto change = readPropertiesChanged(signal, kSessionInterface);
               if (change && (change->names("IdleSinceHint") || change->names("IdleHint"))) {
                 self.fetch();
               }
             }),
      weakly(this, [](Watch& self) { self.fetch(); }));
  if (!changed) {
    reportOnce(changed.error().description());
    return;
  }
  changes = std::move(*changed);
}

void LogindIdleTime::Watch::fetch() {
  if (!bus || sessionPath.empty()) return;
  if (fetching) {
    fetchAgain = true;
    return;
  }
  fetching = true;
  auto call = getProperty<std::uint64_t>(
      *bus, {kLogind, sessionPath, kSessionInterface, "IdleSinceHint"},
      weakly(this, [](Watch& self, const std::expected<std::uint64_t, BusError>& since) {
        if (!since) self.reportOnce(since.error().description());
        self.idleSince = since.value_or(0);
        self.fetching = false;
        if (std::exchange(self.fetchAgain, false)) self.fetch();
      }));
  if (call) {
    pending = std::move(*call);
  } else {
    fetching = false;
  }
}

LogindIdleTime::LogindIdleTime(std::string sessionId) : watch_(std::make_shared<Watch>()) {
  watch_->sessionId = std::move(sessionId);
  // Not at once: making the object never touches a bus, only the running loop does.
  onMain(watch_, [](Watch& watch) { watch.start(); });
}

LogindIdleTime::~LogindIdleTime() = default;

std::string LogindIdleTime::sessionOfThisProcess() {
  const char* id = std::getenv("XDG_SESSION_ID");
  return id != nullptr && *id != '\0' ? id : "auto";
}

std::optional<double> LogindIdleTime::secondsSinceLastInput() {
  const std::uint64_t since = watch_->idleSince;
  // A terminal's last input moves without a signal: asked again for next time.
  watch_->fetch();
  if (since == 0) return std::nullopt;
  const Date last = Date::fromTimeIntervalSince1970(static_cast<double>(since) / 1e6);
  return std::max(0.0, Clock::current().now() - last);
}

}  // namespace vigilix::platform
