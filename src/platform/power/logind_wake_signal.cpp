#include "platform/power/logind_wake_signal.h"

#include <systemd/sd-bus.h>

#include <utility>

#include "platform/dbus/bus_opening.h"

namespace vigilix::platform {

std::unique_ptr<LogindWakeSignal> LogindWakeSignal::open() {
  auto bus = openBus(BusKind::System);
  if (!bus) return nullptr;
  std::unique_ptr<LogindWakeSignal> signal(new LogindWakeSignal());
  signal->bus_ = bus->release();
  // No sender in the match: sd-bus matches a well-known name only against
  // the sender's unique name, so a match naming logind would never fire. A
  // wake that did not happen costs only a re-check.
  const int added =
      sd_bus_match_signal(signal->bus_, &signal->slot_, nullptr, "/org/freedesktop/login1",
                          "org.freedesktop.login1.Manager", "PrepareForSleep",
                          &LogindWakeSignal::onPrepareForSleep, signal.get());
  if (added < 0) return nullptr;
  // The call that added the match may have read other messages too; while
  // any wait unprocessed, sd-bus asks for no poll event at all.
  if (signal->takeWakes() < 0) return nullptr;
  return signal;
}

LogindWakeSignal::~LogindWakeSignal() {
  sd_bus_slot_unref(slot_);
  if (bus_ != nullptr) sd_bus_flush_close_unref(bus_);
}

int LogindWakeSignal::fd() const { return sd_bus_get_fd(bus_); }

short LogindWakeSignal::events() const {
  const int events = sd_bus_get_events(bus_);
  return static_cast<short>(events < 0 ? 0 : events);
}

int LogindWakeSignal::onPrepareForSleep(sd_bus_message* message, void* self, sd_bus_error*) {
  int sleeping = 0;
  if (sd_bus_message_read(message, "b", &sleeping) >= 0 && sleeping == 0) {
    ++static_cast<LogindWakeSignal*>(self)->wakes_;
  }
  return 0;
}

int LogindWakeSignal::takeWakes() {
  for (;;) {
    const int processed = sd_bus_process(bus_, nullptr);
    if (processed < 0) return -1;
    if (processed == 0) break;
  }
  return std::exchange(wakes_, 0);
}

}  // namespace vigilix::platform
