#pragma once

#include <functional>
#include <memory>

#include "platform/dbus/async_bus_connection.h"
#include "platform/power/desktop_watches.h"

namespace vigilix::platform {

// Locks the user's logind session (its Session.Lock), as the desktop would
// on lid close were logind's lid handling not held off. Main thread; a
// failure is logged, for there is no one to tell.
class SessionLocker {
 public:
  virtual ~SessionLocker() = default;
  virtual void lock() = 0;
};

class LogindSessionLocker final : public SessionLocker {
 public:
  LogindSessionLocker(std::shared_ptr<AsyncBusConnection> systemBus, LogindSessionLookup lookup);
  void lock() override;

 private:
  std::shared_ptr<AsyncBusConnection> bus_;
  LogindSessionLookup lookup_;
  BusSlot lookupCall_;
  BusSlot lockCall_;
};

}  // namespace vigilix::platform
