#include "platform/power/desktop_watches.h"

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
      [&lookup, byId](BusArgumentWriter& out) {
        if (byId) {
          out.string(*lookup.sessionId);
        } else {
          out.uint32(lookup.pid);
        }
      },
      [unseen = std::string(unseen), follow = std::move(follow)](const BusReply& reply) {
        const auto path = readReply<BusObjectPath>(reply);
        if (!path) {
          log().log("No logind session to follow; {} is not seen: {}", unseen,
                    reply ? "no path" : reply.error().description());
          return;
        }
        follow(path->value);
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
      [](BusArgumentReader& signal) {
        const std::string interface = signal.interface();
        if (interface != "org.freedesktop.ScreenSaver" && interface != "org.gnome.ScreenSaver")
          return;
        const bool active = signal.boolean();
        if (!signal) return;
        postOnWorkspace(active ? kWorkspaceScreensDidSleepNotification
                               : kWorkspaceScreensDidWakeNotification);
      },
      std::move(onInstalled));
}

}  // namespace vigilix::platform
