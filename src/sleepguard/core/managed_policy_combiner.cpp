#include "sleepguard/core/managed_policy_combiner.h"

#include <algorithm>

namespace vigilix {

namespace {

std::int64_t userCapHours(std::int64_t chosen) {
  switch (chosen) {
    case 1:
    case 2:
    case 3:
    case 6:
      return chosen;
    default:
      return VGXUserLidSettings::defaultSettings().batteryCapHours;
  }
}

}  // namespace

std::optional<VGXGuardPolicy> VGXGuardPolicyCombiner::combine(const VGXUserLidSettings& settings,
                                                              const VGXProfileRead& machine,
                                                              const VGXProfileRead& user) {
  const auto forcedByMachine = interpretProfile(machine);
  const auto forcedForUser = interpretProfile(user);
  if (!forcedByMachine || !forcedForUser) return std::nullopt;

  std::int64_t floor = std::clamp(settings.batteryFloorPercent, kVGXLowestBatteryFloorPercent,
                                  kVGXHighestBatteryFloorPercent);
  std::int64_t capHours = userCapHours(settings.batteryCapHours);
  for (const auto* forced : {&*forcedByMachine, &*forcedForUser}) {
    if (forced->batteryFloorPercent) floor = std::max(floor, *forced->batteryFloorPercent);
    if (forced->batteryCapHours) capHours = std::min(capHours, *forced->batteryCapHours);
  }
  return VGXGuardPolicy{
      .disabled = forcedByMachine->disabled || forcedForUser->disabled,
      .batteryFloorPercent = floor,
      .batteryCapSeconds = capHours * 3600,
      .totalCapSeconds = kVGXTotalCapSeconds,
  };
}

}  // namespace vigilix
