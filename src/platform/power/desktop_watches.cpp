#include "platform/power/desktop_watches.h"

#include <systemd/sd-bus.h>

#include <string_view>

#include "platform/base/logger.h"
#include "platform/buswire/match_rule.h"
#include "platform/notifications/notification_center.h"
#include "platform/system/workspace_notifications.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger("Desktop");
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

BusSlot findLogindSession(AsyncBusConnection& systemBus, const LogindSessionLookup& lookup,
                          std::string_view unseen,
                          std::function<void(const std::string& sessionPath)> follow) {
  const bool byId = lookup.sessionId && !lookup.sessionId->empty();
  auto call = systemBus.callAsync(
      {kLogind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
       byId ? "GetSession" : "GetSessionByPID"},
      [&lookup, byId](sd_bus_message* message) {
        return byId ? sd_bus_message_append(message, "s", lookup.sessionId->c_str())
                    : sd_bus_message_append(message, "u", lookup.pid);
      },
      [unseen = std::string(unseen), follow = std::move(follow)](const BusReply& reply) {
        const char* path = nullptr;
        if (!reply || sd_bus_message_read(*reply, "o", &path) <= 0) {
          log().log("No logind session to follow; {} is not seen: {}", unseen,
                    reply ? "no path" : reply.error().description());
          return;
        }
        follow(path);
      });
  if (!call) {
    log().log("No logind session to follow: {}", call.error().description());
    return {};
  }
  return std::move(*call);
}

std::unique_ptr<LogindSessionActivity> LogindSessionActivity::start(
    std::shared_ptr<AsyncBusConnection> systemBus, LogindSessionLookup lookup) {
  std::unique_ptr<LogindSessionActivity> activity(new LogindSessionActivity());
  LogindSessionActivity* self = activity.get();
  self->bus_ = std::move(systemBus);
  self->lookupCall_ = findLogindSession(*self->bus_, lookup, "switching users",
                                        [self](const std::string& path) { self->follow(path); });
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
