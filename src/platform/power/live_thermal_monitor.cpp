#include "platform/power/live_thermal_monitor.h"

#include <memory>

#include "platform/base/logger.h"
#include "platform/fs/file_system.h"
#include "platform/notifications/notification_center.h"
#include "platform/power/thermal_zones.h"
#include "platform/runloop/run_loop.h"

namespace vigilix::platform {

namespace {

const char* nameOf(ThermalState state) {
  switch (state) {
    case ThermalState::Nominal:
      return "nominal";
    case ThermalState::Fair:
      return "fair";
    case ThermalState::Serious:
      return "serious";
    case ThermalState::Critical:
      return "critical";
  }
  return "unknown";
}

}  // namespace

LiveThermalMonitor::LiveThermalMonitor() : LiveThermalMonitor(FileSystem::root()) {}

ThermalState LiveThermalMonitor::thermalState() const { return thermalStateOfSensors(root_); }

ObserverHandle LiveThermalMonitor::followChanges(ThermalState known) {
  // The timer calls a copy of its handler: the last state lives beside it.
  auto poll = [this, last = std::make_shared<ThermalState>(known)](Timer&) {
    const ThermalState now = thermalState();
    if (now == *last) return;
    Logger("Thermal").log("Thermal state changed from {} to {}", nameOf(*last), nameOf(now));
    *last = now;
    NotificationCenter::defaultCenter().post(kThermalStateDidChangeNotification);
  };
  return timerToken(
      RunLoop::main().scheduleTimer(pollInterval_, true, std::move(poll), RunLoopMode::Common));
}

}  // namespace vigilix::platform
