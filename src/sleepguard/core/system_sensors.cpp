#include "sleepguard/core/system_sensors.h"

#include <limits>

namespace vigilix {

namespace {

// current / maximum x 100, halves away from zero; none when it leaves the range.
std::optional<std::int64_t> percentOf(std::int64_t current, std::int64_t maximum) {
  const __int128 scaled = static_cast<__int128>(current) * 100;
  const __int128 magnitude = scaled < 0 ? -scaled : scaled;
  const __int128 rounded = (2 * magnitude + maximum) / (2 * static_cast<__int128>(maximum));
  const __int128 percent = scaled < 0 ? -rounded : rounded;
  if (percent > std::numeric_limits<std::int64_t>::max() ||
      percent < std::numeric_limits<std::int64_t>::min()) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(percent);
}

}  // namespace

std::optional<VGXSensorSample> sensorSampleFrom(
    const std::vector<platform::PowerSourceReading>& sources, std::int64_t thermalRaw,
    std::uint64_t takenAt) {
  const auto thermal = platform::thermalStateFromRawValue(thermalRaw);
  if (!thermal) return std::nullopt;

  bool onBattery = false;
  bool hasBattery = false;
  std::int64_t current = 0;
  std::int64_t maximum = 0;
  for (const platform::PowerSourceReading& source : sources) {
    onBattery = onBattery || source.onBattery;
    if (source.kind != platform::PowerSourceReading::Kind::internalBattery) continue;
    const auto& batteryCurrent = source.currentCapacity;
    const auto& batteryMaximum = source.maxCapacity;
    if (!batteryCurrent || !batteryMaximum || *batteryMaximum < 1 ||
        __builtin_add_overflow(current, *batteryCurrent, &current) ||
        __builtin_add_overflow(maximum, *batteryMaximum, &maximum)) {
      return std::nullopt;
    }
    hasBattery = true;
  }
  if (!hasBattery) return VGXSensorSample{takenAt, false, 100, *thermal};
  const auto percent = percentOf(current, maximum);
  if (!percent) return std::nullopt;
  return VGXSensorSample{takenAt, onBattery, *percent, *thermal};
}

VGXSystemSensors::VGXSystemSensors(VGXGuardClock& clock, const platform::PowerSources& powerSources,
                                   const platform::ThermalMonitor& thermal)
    : clock_(clock), powerSources_(powerSources), thermal_(thermal) {}

std::optional<VGXSensorSample> VGXSystemSensors::sample() {
  const auto sources = powerSources_.readPowerSources();
  if (!sources) return std::nullopt;
  const auto thermal = static_cast<std::int64_t>(thermal_.thermalState());
  const std::uint64_t takenAt = clock_.continuousNanoseconds();
  return sensorSampleFrom(*sources, thermal, takenAt);
}

}  // namespace vigilix
