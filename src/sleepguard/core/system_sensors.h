#pragma once

#include <cstdint>
#include <optional>

#include "platform/power/power_sources.h"
#include "platform/power/thermal_state.h"
#include "sleepguard/core/guard_collaborators.h"

namespace vigilix {

// The sample that power-source readings, a raw thermal state and a time make.
// No internal battery: on mains, charge 100. Several: their current and
// maximum capacities are summed. The charge is current / maximum in percent,
// rounded half away from zero and not clamped. On battery when any source
// says so. None on any doubt: an unknown thermal state, a battery without
// both capacities, a maximum below 1, or sums too large to add.
std::optional<VGXSensorSample> sensorSampleFrom(
    const std::vector<platform::PowerSourceReading>& sources, std::int64_t thermalRaw,
    std::uint64_t takenAt);

// Power and heat read on demand (nothing cached) and stamped with the guard
// clock's continuous time; none when the power sources cannot be read or
// any reading is in doubt. Calls come one at a time (the guard core's lock).
class VGXSystemSensors final : public VGXSensorSource {
 public:
  explicit VGXSystemSensors(
      VGXGuardClock& clock,
      const platform::PowerSources& powerSources = platform::PowerSources::current(),
      const platform::ThermalMonitor& thermal = platform::ThermalMonitor::current());

  std::optional<VGXSensorSample> sample() override;

 private:
  VGXGuardClock& clock_;
  const platform::PowerSources& powerSources_;
  const platform::ThermalMonitor& thermal_;
};

}  // namespace vigilix
