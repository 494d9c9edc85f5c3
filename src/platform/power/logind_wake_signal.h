#pragma once

#include <systemd/sd-bus.h>

#include <memory>

namespace vigilix::platform {

// logind's PrepareForSleep(false) on the system bus, for a loop of the
// caller's own: it polls `fd()` for `events()` and calls `takeWakes()` when
// ready. Unlike LogindSleepMonitor it holds no lock on sleep, so it never
// delays the machine going to sleep.
class LogindWakeSignal {
 public:
  // Nullptr when the system bus cannot be reached.
  static std::unique_ptr<LogindWakeSignal> open();
  ~LogindWakeSignal();
  LogindWakeSignal(const LogindWakeSignal&) = delete;
  LogindWakeSignal& operator=(const LogindWakeSignal&) = delete;

  int fd() const;
  short events() const;
  // Processes everything the bus received (sd-bus asks for no poll event
  // while a received message waits); the number of wakes among it. -1 when
  // the connection was lost.
  int takeWakes();

 private:
  LogindWakeSignal() = default;
  static int onPrepareForSleep(sd_bus_message* message, void* self, sd_bus_error* error);

  sd_bus* bus_ = nullptr;
  sd_bus_slot* slot_ = nullptr;
  int wakes_ = 0;
};

}  // namespace vigilix::platform
