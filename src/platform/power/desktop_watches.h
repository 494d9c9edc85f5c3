#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/bool_property_watch.h"

namespace vigilix::platform {

// UPower's "LidIsClosed" on the system bus (logind does not signal its own
// "LidClosed"): each change is posted as kWorkspaceLidDidChangeNotification.
std::expected<std::unique_ptr<BoolPropertyWatch>, BusError> watchLid(
    std::shared_ptr<AsyncBusConnection> systemBus);

// The logind session this process runs in: $XDG_SESSION_ID, else the
// session of this process. None when neither names one.
struct LogindSessionLookup {
  std::optional<std::string> sessionId;  // $XDG_SESSION_ID
  unsigned pid = 0;
};

// Asks logind for the session's object path and hands it to `follow`; without one, logs that
// `unseen` (what then goes unnoticed) is not seen. The slot keeps the question open.
BusSlot findLogindSession(AsyncBusConnection& systemBus, const LogindSessionLookup& lookup,
                          std::string_view unseen,
                          std::function<void(const std::string& sessionPath)> follow);

// Follows the "Active" property of the user's logind session and posts
// kWorkspaceSessionDidResignActiveNotification when it goes false and
// kWorkspaceSessionDidBecomeActiveNotification when it comes back. The first
// reading posts nothing. Main thread; dropping it ends the watch.
class LogindSessionActivity {
 public:
  static std::unique_ptr<LogindSessionActivity> start(std::shared_ptr<AsyncBusConnection> systemBus,
                                                      LogindSessionLookup lookup);
  ~LogindSessionActivity();

 private:
  LogindSessionActivity() = default;
  void follow(const std::string& sessionPath);
  void apply(std::optional<bool> active);

  std::shared_ptr<AsyncBusConnection> bus_;
  BusSlot lookupCall_;
  std::unique_ptr<BoolPropertyWatch> watch_;
  std::optional<bool> active_;
};

// The desktop's screen saver on the session bus (the freedesktop and GNOME
// interfaces' ActiveChanged): active is posted as
// kWorkspaceScreensDidSleepNotification, inactive as
// kWorkspaceScreensDidWakeNotification. Both only start checks, so the
// sender is not verified. `onInstalled` runs once the bus has the match.
std::expected<BusSlot, BusError> watchScreenSaver(AsyncBusConnection& sessionBus,
                                                  BusReplyHandler onInstalled = {});

}  // namespace vigilix::platform
