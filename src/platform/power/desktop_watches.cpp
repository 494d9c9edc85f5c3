#include "platform/power/desktop_watches.h"

#include <systemd/sd-bus.h>

#include <string_view>

#include "platform/base/logger.h"
#include "platform/dbus/match_rule.h"
#include "platform/notifications/notification_center.h"
#include "platform/system/workspace_notifications.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger("run.tarvo.vigilix", "Desktop");
  return logger;
}

constexpr const char* kLogind = "org.freedesktop.login1";

void postOnWorkspace(const char* name) { NotificationCenter::workspaceCenter().post(name); }

}  // namespace

std::expected<std::unique_ptr<BoolPropertyWatch>, BusError> watchLid(
    std::shared_ptr<AsyncBusConnection> systemBus) {
  auto seen = std::make_shared<std::optional<bool>>();
  return BoolPropertyWatch::start(std::move(systemBus),
                                  {"org.freedesktop.UPower", "/org/freedesktop/UPower",
                                   "org.freedesktop.UPower", "LidIsClosed"},
                                  [seen](std::optional<bool> closed) {
                                    if (!closed || *seen == closed) return;
                                    // The first reading is the state at start, not a change.
                                    const bool first = !seen->has_value();
                                    *seen = closed;
                                    log().log("The lid {} {}.", first ? "reads" : "is now",
                                              *closed ? "closed" : "open");
                                    if (!first) postOnWorkspace(kWorkspaceLidDidChangeNotification);
                                  });
}

std::expected<BusSlot, BusError> findLogindSession(
    AsyncBusConnection& systemBus, const LogindSessionLookup& lookup,
    std::function<void(std::expected<std::string, std::string> sessionPath)> onFound) {
  const bool byId = lookup.sessionId && !lookup.sessionId->empty();
  return systemBus.callAsync(
      {kLogind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
       byId ? "GetSession" : "GetSessionByPID"},
      [&lookup, byId](sd_bus_message* message) {
        return byId ? sd_bus_message_append(message, "s", lookup.sessionId->c_str())
                    : sd_bus_message_append(message, "u", lookup.pid);
      },
      [onFound = std::move(onFound)](const BusReply& reply) {
        const char* path = nullptr;
        if (!reply || sd_bus_message_read(*reply, "o", &path) <= 0) {
          onFound(std::unexpected(reply ? "no path" : reply.error().description()));
          return;
        }
        onFound(std::string(path));
      });
}

std::unique_ptr<LogindSessionActivity> LogindSessionActivity::start(
    std::shared_ptr<AsyncBusConnection> systemBus, LogindSessionLookup lookup) {
  std::unique_ptr<LogindSessionActivity> activity(new LogindSessionActivity());
  LogindSessionActivity* self = activity.get();
  self->bus_ = std::move(systemBus);
  auto call =
      findLogindSession(*self->bus_, lookup, [self](std::expected<std::string, std::string> path) {
        if (!path) {
          log().log("No logind session to follow; switching users is not seen: {}", path.error());
          return;
        }
        self->follow(*path);
      });
  if (call) {
    self->lookupCall_ = std::move(*call);
  } else {
    log().log("No logind session to follow: {}", call.error().description());
  }
  return activity;
}

LogindSessionActivity::~LogindSessionActivity() = default;

void LogindSessionActivity::follow(const std::string& sessionPath) {
  auto watch = BoolPropertyWatch::start(
      bus_, {kLogind, sessionPath, "org.freedesktop.login1.Session", "Active"},
      [this](std::optional<bool> active) { apply(active); });
  if (!watch) {
    log().error("The session's activity cannot be followed: {}", watch.error().description());
    return;
  }
  watch_ = std::move(*watch);
}

void LogindSessionActivity::apply(std::optional<bool> active) {
  // logind gone says nothing about the session; the next reading decides.
  if (!active) return;
  const std::optional<bool> former = std::exchange(active_, active);
  if (!former) {
    log().log("Following the logind session ({}).", *active ? "active" : "inactive");
    return;
  }
  if (*former == *active) return;
  log().log("The session became {}.", *active ? "active" : "inactive");
  postOnWorkspace(*active ? kWorkspaceSessionDidBecomeActiveNotification
                          : kWorkspaceSessionDidResignActiveNotification);
}

std::expected<BusSlot, BusError> watchScreenSaver(AsyncBusConnection& sessionBus,
                                                  BusReplyHandler onInstalled) {
  // One rule for both interfaces: they differ only in name.
  return sessionBus.addMatch(
      signalMatchRule(
          {.sender = {}, .path = {}, .interface = {}, .member = "ActiveChanged", .arg0 = {}})
          .value_or(""),
      [](sd_bus_message* message) {
        const std::string_view interface = sd_bus_message_get_interface(message);
        if (interface != "org.freedesktop.ScreenSaver" && interface != "org.gnome.ScreenSaver")
          return;
        int active = 0;
        if (sd_bus_message_read(message, "b", &active) <= 0) return;
        postOnWorkspace(active ? kWorkspaceScreensDidSleepNotification
                               : kWorkspaceScreensDidWakeNotification);
      },
      std::move(onInstalled));
}

}  // namespace vigilix::platform
