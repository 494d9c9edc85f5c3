#include "keepawake/power_readings.h"

#include <cstdint>

#include "platform/power/power_sources.h"
#include "platform/power/thermal_state.h"

namespace vigilix {

VGXBatterySample samplePowerSource() {
  const auto sources = platform::PowerSources::current().readPowerSources();
  if (!sources) return {};
  for (const platform::PowerSourceReading& source : *sources) {
    if (source.kind != platform::PowerSourceReading::Kind::internalBattery) continue;
    VGXBatterySample sample{.hasBattery = true};
    if (source.currentCapacity && source.maxCapacity && *source.maxCapacity > 0) {
      sample.percent = static_cast<double>(*source.currentCapacity) /
                       static_cast<double>(*source.maxCapacity) * 100;
    }
    sample.onBatteryPower = source.onBattery;
    return sample;
  }
  return {};
}

platform::ThermalState currentThermalLevel() {
  const auto raw = static_cast<std::int64_t>(platform::ThermalMonitor::current().thermalState());
  return platform::thermalStateFromRawValue(raw).value_or(platform::ThermalState::Serious);
}

}  // namespace vigilix
