#pragma once

#include <memory>

#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/bool_property_watch.h"
#include "platform/power/desktop_watches.h"
#include "platform/system/clock_change_monitor.h"

namespace vigilix {

// The live sources of the machine's notices that the application's parts
// observe: a set clock, a new time zone, the lid, the screens, the user's
// session being switched. Each that cannot start is said in the log and
// left out. Main thread; they end with the value.
struct AppPlatformWatches {
  std::unique_ptr<platform::ClockChangeMonitor> clock;
  std::unique_ptr<platform::BoolPropertyWatch> lid;
  std::unique_ptr<platform::LogindSessionActivity> session;
  platform::BusSlot screenSaver;

  // `sessionBus` may be null (no screen saver then).
  static AppPlatformWatches start(platform::AsyncBusConnection* sessionBus);
};

}  // namespace vigilix
