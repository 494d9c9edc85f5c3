#include "sleepguard/core/system_sensors.h"

#include <cmath>
#include <limits>
#include <string>

namespace vigilix {

namespace {

using platform::PropertyDictionary;
using platform::PropertyValue;

const PropertyValue* valueFor(const PropertyDictionary& description, const char* key) {
  const auto found = description.find(key);
  return found == description.end() ? nullptr : &found->second;
}

bool isText(const PropertyDictionary& description, const char* key, const char* text) {
  const PropertyValue* value = valueFor(description, key);
  return value != nullptr && value->isString() && std::get<std::string>(value->value) == text;
}

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

std::optional<std::int64_t> wholeNumber(const PropertyValue* value) {
  if (value == nullptr) return std::nullopt;
  if (value->isInteger()) return std::get<std::int64_t>(value->value);
  if (!value->isReal()) return std::nullopt;
  const double real = std::get<double>(value->value);
  // 2^63 itself is a double but not an int64_t; the range check must exclude it.
  if (!std::isfinite(real) || real != std::trunc(real) || real < -9223372036854775808.0 ||
      real >= 9223372036854775808.0) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(real);
}

std::optional<VGXSensorSample> sensorSampleFrom(const platform::PropertyArray& descriptions,
                                                std::int64_t thermalRaw, std::uint64_t takenAt) {
  const auto thermal = platform::thermalStateFromRawValue(thermalRaw);
  if (!thermal) return std::nullopt;

  bool onBattery = false;
  bool hasBattery = false;
  std::int64_t current = 0;
  std::int64_t maximum = 0;
  for (const PropertyValue& entry : descriptions) {
    if (!entry.isDictionary()) return std::nullopt;
    const auto& description = std::get<PropertyDictionary>(entry.value);
    if (isText(description, platform::kPowerSourceStateKey, platform::kPowerSourceBatteryPower)) {
      onBattery = true;
    }
    if (!isText(description, platform::kPowerSourceTypeKey,
                platform::kPowerSourceInternalBatteryType)) {
      continue;
    }
    const auto batteryCurrent =
        wholeNumber(valueFor(description, platform::kPowerSourceCurrentCapacityKey));
    const auto batteryMaximum =
        wholeNumber(valueFor(description, platform::kPowerSourceMaxCapacityKey));
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
  const auto descriptions = powerSources_.copyPowerSourceDescriptions();
  if (!descriptions) return std::nullopt;
  const auto thermal = static_cast<std::int64_t>(thermal_.thermalState());
  const std::uint64_t takenAt = clock_.continuousNanoseconds();
  return sensorSampleFrom(*descriptions, thermal, takenAt);
}

}  // namespace vigilix
