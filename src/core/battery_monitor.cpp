#include "core/battery_monitor.h"

namespace vigilix {

DZLBatteryMonitor::DZLBatteryMonitor(platform::PowerSources& sources) : sources_(sources) {}

std::optional<platform::PowerSourceReading> DZLBatteryMonitor::firstSource() const {
  const auto sources = sources_.readPowerSources();
  if (!sources || sources->empty()) return std::nullopt;
  return sources->front();
}

bool DZLBatteryMonitor::hasBattery() const {
  const auto source = firstSource();
  return source && source->kind == platform::PowerSourceReading::Kind::internalBattery;
}

double DZLBatteryMonitor::currentCapacity() const {
  const auto source = firstSource();
  if (!source || !source->currentCapacity) return -1.0;
  return static_cast<double>(*source->currentCapacity);
}

int DZLBatteryMonitor::state() const {
  const auto source = firstSource();
  if (!source) return 0;
  if (source->onBattery) return 1;
  if (source->isCharging) return 2;
  return source->isCharged ? 3 : 0;
}

void DZLBatteryMonitor::registerForCapacityChangesIfNeeded() {
  if (changeSource_) return;
  changeSource_ = sources_.addChangeObserver(platform::RunLoopMode::Default, [this] {
    if (capacityChangeHandler_) capacityChangeHandler_(currentCapacity());
  });
}

}  // namespace vigilix
