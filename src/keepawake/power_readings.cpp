#include "keepawake/power_readings.h"

#include <cstdint>
#include <optional>
#include <variant>

#include "platform/base/property_value.h"
#include "platform/power/power_sources.h"
#include "platform/power/thermal_state.h"

namespace vigilix {
namespace {

std::optional<double> numberIn(const platform::PropertyDictionary& description, const char* key) {
  auto entry = description.find(key);
  if (entry == description.end()) return std::nullopt;
  const auto& value = entry->second.value;
  if (const auto* integer = std::get_if<std::int64_t>(&value)) {
    return static_cast<double>(*integer);
  }
  if (const auto* real = std::get_if<double>(&value)) return *real;
  return std::nullopt;
}

}  // namespace

VGXBatterySample samplePowerSource() {
  const auto descriptions = platform::PowerSources::current().copyPowerSourceDescriptions();
  if (!descriptions) return {};
  for (const platform::PropertyValue& entry : *descriptions) {
    const auto* description = std::get_if<platform::PropertyDictionary>(&entry.value);
    if (!description) continue;
    auto type = description->find(platform::kPowerSourceTypeKey);
    if (type == description->end() ||
        type->second != platform::PropertyValue(platform::kPowerSourceInternalBatteryType)) {
      continue;
    }
    VGXBatterySample sample{.hasBattery = true};
    const auto current = numberIn(*description, platform::kPowerSourceCurrentCapacityKey);
    const auto maximum = numberIn(*description, platform::kPowerSourceMaxCapacityKey);
    if (current && maximum && *maximum > 0) sample.percent = *current / *maximum * 100;
    auto state = description->find(platform::kPowerSourceStateKey);
    sample.onBatteryPower =
        state != description->end() &&
        state->second == platform::PropertyValue(platform::kPowerSourceBatteryPower);
    return sample;
  }
  return {};
}

VGXThermalLevel currentThermalLevel() {
  const auto raw = static_cast<std::int64_t>(platform::ThermalMonitor::current().thermalState());
  return thermalLevelFromRawValue(raw).value_or(VGXThermalLevel::serious);
}

}  // namespace vigilix
