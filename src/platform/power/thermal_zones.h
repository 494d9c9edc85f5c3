#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "platform/power/thermal_state.h"

namespace vigilix::platform {

// Where a temperature sensor's heat levels begin, in millidegrees Celsius:
// `serious` from a passive or hot trip (hwmon: temp*_max), `critical` the
// point where the hardware powers off (a critical trip, hwmon: temp*_crit).
struct HeatLimits {
  std::optional<std::int64_t> serious;
  std::optional<std::int64_t> critical;
};

// What a sensor that gives no usable limit of one kind is held to, so that a
// hot machine reads serious long before the firmware's power-off.
inline constexpr std::int64_t kFixedSeriousLimit = 90'000;
inline constexpr std::int64_t kFixedCriticalLimit = 105'000;

// A temperature against its limits (missing ones take the fixed limits):
// critical from 5 °C below the critical point (the machine powers off at the
// point itself, so the level must show before it), serious from the serious
// limit, fair from 10 °C below the first of those two.
ThermalState heatLevel(std::int64_t temperature, HeatLimits limits);

// The hottest of the zones of <root>/sys/class/thermal (thermal_zone*/temp
// and trip_point_<n>_{type,temp}). Trips at 0 °C or below (unset) and active
// (fan) trips are no limits. Zones whose temperature cannot be read say
// nothing; no zones at all means nominal.
ThermalState thermalStateOfZones(const std::filesystem::path& root);

// The hottest sensor of <root>/sys/class/hwmon (hwmon*/temp<n>_input with
// temp<n>_max and temp<n>_crit, e.g. coretemp, k10temp, nvme), with the same
// rules.
ThermalState thermalStateOfHwmon(const std::filesystem::path& root);

// The machine's state: the hotter of its thermal zones and its hwmon sensors,
// read afresh at each call; any thread.
ThermalState thermalStateOfSensors(const std::filesystem::path& root);

}  // namespace vigilix::platform
