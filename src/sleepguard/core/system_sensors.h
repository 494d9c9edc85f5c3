#pragma once

#include <cstdint>
#include <optional>

#include "platform/base/property_value.h"
#include "platform/power/power_sources.h"
#include "platform/power/thermal_state.h"
#include "sleepguard/core/guard_collaborators.h"

namespace vigilix {

// A capacity as a whole number: an integer as it is, a real only when it is
// one exactly; a Boolean, a text or anything else (or none) is unusable.
std::optional<std::int64_t> wholeNumber(const platform::PropertyValue* value);

// The sample that power-source descriptions, a raw thermal state and a time
// make. No internal battery: on mains, charge 100. Several: their current and
// maximum capacities are summed. The charge is current / maximum in percent,
// rounded half away from zero and not clamped. On battery when any source's
// "Power Source State" is "Battery Power". None on any doubt: a description
// that is not a dictionary, an unknown thermal state, an unusable capacity, a
// maximum below 1, or sums too large to add.
std::optional<VGXSensorSample> sensorSampleFrom(const platform::PropertyArray& descriptions,
                                                std::int64_t thermalRaw, std::uint64_t takenAt);

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
