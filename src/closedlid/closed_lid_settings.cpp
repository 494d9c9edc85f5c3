#include "closedlid/closed_lid_settings.h"

#include <algorithm>

#include "closedlid/lid_availability.h"

namespace vigilix::VGXClosedLidKeys {

void registerDefaults(platform::UserDefaults& defaults) {
  defaults.registerDefaults({{enabled, false},
                             {everRegistered, false},
                             {batteryFloor, 30},
                             {batteryCapHours, 3},
                             {endSessionOnLidOpen, false},
                             {latchedUntilRearm, false}});
}

int effectiveBatteryFloor(const platform::UserDefaults& defaults) {
  const auto stored = defaults.integerValue(VGXClosedLidKeys::batteryFloor);
  if (!stored) return 30;
  return static_cast<int>(std::clamp<std::int64_t>(*stored, 20, 60));
}

int effectiveBatteryCapHours(const platform::UserDefaults& defaults) {
  const auto stored = defaults.integerValue(VGXClosedLidKeys::batteryCapHours);
  if (stored && std::ranges::find(VGXLidModel::kCapHourChoices, *stored) !=
                    std::end(VGXLidModel::kCapHourChoices))
    return static_cast<int>(*stored);
  return 3;
}

}  // namespace vigilix::VGXClosedLidKeys
