#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/bool_property_watch.h"
#include "platform/power/desktop_watches.h"

namespace vigilix::platform {

// What the user's logind session says of itself: its "LockedHint" and "Active" properties,
// each none while it cannot be read.
struct SessionLockReading {
  std::optional<bool> lockedHint;
  std::optional<bool> active;
  bool operator==(const SessionLockReading&) const = default;
};

enum class SessionLockEvent {
  initial,              // both properties were read once
  screenIsLocked,       // the Lock signal, or LockedHint turned true
  screenIsUnlocked,     // the Unlock signal, or LockedHint turned false
  sessionResignActive,  // Active turned false (another session took the seat)
  sessionBecomeActive,  // Active turned true
};

// Follows the screen lock and activity of the user's logind session: the session's Lock and
// Unlock signals and its LockedHint and Active properties. Each event is handed on with the
// session's reading at that moment (none while logind answers for neither property). Main
// thread; dropping it ends the watch.
class LogindSessionLock {
 public:
  using Handler = std::function<void(SessionLockEvent, std::optional<SessionLockReading>)>;

  static std::unique_ptr<LogindSessionLock> start(std::shared_ptr<AsyncBusConnection> systemBus,
                                                  LogindSessionLookup lookup, Handler onEvent);
  ~LogindSessionLock();

 private:
  LogindSessionLock() = default;
  void follow(const std::string& sessionPath);
  void property(bool lockedHint, std::optional<bool> value);
  void report(SessionLockEvent event) const;

  std::shared_ptr<AsyncBusConnection> bus_;
  Handler onEvent_;
  BusSlot lookupCall_;
  BusSlot signals_;
  std::unique_ptr<BoolPropertyWatch> lockedHintWatch_;
  std::unique_ptr<BoolPropertyWatch> activeWatch_;
  SessionLockReading reading_;
  bool lockedHintRead_ = false;
  bool activeRead_ = false;
  bool started_ = false;
};

}  // namespace vigilix::platform
