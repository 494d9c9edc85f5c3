#include "platform/power/thermal_zones.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

constexpr std::int64_t kCriticalGuard = 5'000;  // millidegrees
constexpr std::int64_t kFairMargin = 10'000;

std::optional<std::int64_t> lower(std::optional<std::int64_t> a, std::optional<std::int64_t> b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

// A limit file's value; unset limits read 0 or below.
std::optional<std::int64_t> limitIn(const std::filesystem::path& file) {
  const auto value = readSignedFile(file);
  if (!value || *value <= 0) return std::nullopt;
  return value;
}

ThermalState zoneState(const std::filesystem::path& zone) {
  const auto temperature = readSignedFile(zone / "temp");
  if (!temperature) return ThermalState::Nominal;

  HeatLimits limits;
  for (const std::string& name : listFolder(zone)) {
    constexpr std::string_view kPrefix = "trip_point_";
    constexpr std::string_view kTypeSuffix = "_type";
    if (!name.starts_with(kPrefix) || !name.ends_with(kTypeSuffix)) continue;
    const std::string trip = name.substr(0, name.size() - kTypeSuffix.size());
    const auto at = limitIn(zone / (trip + "_temp"));
    if (!at) continue;
    const std::string type = readTrimmedFile(zone / name).value_or("");
    if (type == "critical") limits.critical = lower(limits.critical, at);
    if (type == "passive" || type == "hot") limits.serious = lower(limits.serious, at);
  }
  return heatLevel(*temperature, limits);
}

// The sensors of one hwmon folder; "temp<n>_input" names each.
ThermalState hwmonState(const std::filesystem::path& folder) {
  ThermalState hottest = ThermalState::Nominal;
  for (const std::string& name : listFolder(folder)) {
    constexpr std::string_view kPrefix = "temp";
    constexpr std::string_view kInputSuffix = "_input";
    if (!name.starts_with(kPrefix) || !name.ends_with(kInputSuffix)) continue;
    const std::string sensor = name.substr(0, name.size() - kInputSuffix.size());
    const auto temperature = readSignedFile(folder / name);
    if (!temperature) continue;
    const HeatLimits limits{limitIn(folder / (sensor + "_max")),
                            limitIn(folder / (sensor + "_crit"))};
    hottest = std::max(hottest, heatLevel(*temperature, limits));
  }
  return hottest;
}

bool hasTemperatureInput(const std::filesystem::path& folder) {
  return std::ranges::any_of(listFolder(folder), [](const std::string& name) {
    return name.starts_with("temp") && name.ends_with("_input");
  });
}

}  // namespace

ThermalState heatLevel(std::int64_t temperature, HeatLimits limits) {
  const std::int64_t criticalFrom = limits.critical.value_or(kFixedCriticalLimit) - kCriticalGuard;
  const std::int64_t seriousFrom = limits.serious.value_or(kFixedSeriousLimit);
  if (temperature >= criticalFrom) return ThermalState::Critical;
  if (temperature >= seriousFrom) return ThermalState::Serious;
  if (temperature >= std::min(seriousFrom, criticalFrom) - kFairMargin) return ThermalState::Fair;
  return ThermalState::Nominal;
}

ThermalState thermalStateOfZones(const std::filesystem::path& root) {
  const std::filesystem::path folder = root / "sys/class/thermal";
  ThermalState hottest = ThermalState::Nominal;
  for (const std::string& entry : listFolder(folder)) {
    if (!entry.starts_with("thermal_zone")) continue;
    hottest = std::max(hottest, zoneState(folder / entry));
  }
  return hottest;
}

ThermalState thermalStateOfHwmon(const std::filesystem::path& root) {
  const std::filesystem::path folder = root / "sys/class/hwmon";
  ThermalState hottest = ThermalState::Nominal;
  for (const std::string& entry : listFolder(folder)) {
    if (!entry.starts_with("hwmon")) continue;
    std::filesystem::path device = folder / entry;
    // Older drivers keep their files in the device's own folder.
    if (!hasTemperatureInput(device)) device /= "device";
    hottest = std::max(hottest, hwmonState(device));
  }
  return hottest;
}

ThermalState thermalStateOfSensors(const std::filesystem::path& root) {
  return std::max(thermalStateOfZones(root), thermalStateOfHwmon(root));
}

}  // namespace vigilix::platform
