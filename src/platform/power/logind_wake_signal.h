#pragma once

#include <memory>

#include "platform/dbus/bus_connection.h"

namespace vigilix::platform {

// logind's PrepareForSleep(false) on the system bus, for a loop of the
// caller's own: it polls `fd()` for `events()` and calls `takeWakes()` when
// ready. Unlike LogindSleepMonitor it holds no lock on sleep, so it never
// delays the machine going to sleep.
class LogindWakeSignal {
 public:
  // Nullptr when the system bus cannot be reached.
  static std::unique_ptr<LogindWakeSignal> open();
  LogindWakeSignal(const LogindWakeSignal&) = delete;
  LogindWakeSignal& operator=(const LogindWakeSignal&) = delete;

  int fd() const { return bus_.fd(); }
  short events() const { return bus_.events(); }
  // Processes everything the bus received (sd-bus asks for no poll event
  // while a received message waits); the number of wakes among it. -1 when
  // the connection was lost.
  int takeWakes();

 private:
  explicit LogindWakeSignal(BusConnection bus) : bus_(std::move(bus)) {}

  BusConnection bus_;
  BusSlot match_;
  int wakes_ = 0;
};

}  // namespace vigilix::platform
