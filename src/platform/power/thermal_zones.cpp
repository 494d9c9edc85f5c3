#include "platform/power/thermal_zones.h"

#include <algorithm>
#include <cstdint>
#include <optional>
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

ThermalState zoneState(const std::filesystem::path& zone) {
  const auto temperature = readSignedFile(zone / "temp");
  if (!temperature) return ThermalState::Nominal;

  std::optional<std::int64_t> critical;
  std::optional<std::int64_t> serious;
  for (const std::string& name : listFolder(zone)) {
    constexpr std::string_view kPrefix = "trip_point_";
    constexpr std::string_view kTypeSuffix = "_type";
    if (!name.starts_with(kPrefix) || !name.ends_with(kTypeSuffix)) continue;
    const std::string trip = name.substr(0, name.size() - kTypeSuffix.size());
    const auto at = readSignedFile(zone / (trip + "_temp"));
    if (!at || *at <= 0) continue;
    const std::string type = readTrimmedFile(zone / name).value_or("");
    if (type == "critical") critical = lower(critical, at);
    if (type == "passive" || type == "hot") serious = lower(serious, at);
  }

  const std::optional<std::int64_t> criticalFrom =
      critical ? std::optional(*critical - kCriticalGuard) : std::nullopt;
  if (criticalFrom && *temperature >= *criticalFrom) return ThermalState::Critical;
  if (serious && *temperature >= *serious) return ThermalState::Serious;
  const auto engaging = lower(serious, criticalFrom);
  if (engaging && *temperature >= *engaging - kFairMargin) return ThermalState::Fair;
  return ThermalState::Nominal;
}

}  // namespace

ThermalState thermalStateOfZones(const std::filesystem::path& root) {
  const std::filesystem::path folder = root / "sys/class/thermal";
  ThermalState hottest = ThermalState::Nominal;
  for (const std::string& entry : listFolder(folder)) {
    if (!entry.starts_with("thermal_zone")) continue;
    hottest = std::max(hottest, zoneState(folder / entry));
  }
  return hottest;
}

}  // namespace vigilix::platform
