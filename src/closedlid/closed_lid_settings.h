#pragma once

#include "platform/defaults/user_defaults.h"

namespace vigilix {

// Posted after every decision of the closed-lid controller; its views redraw.
inline constexpr const char* kVGXClosedLidDidChangeNotification =
    "run.tarvo.vigilix.ClosedLidDidChange";

}  // namespace vigilix

namespace vigilix::VGXClosedLidKeys {

inline constexpr const char* enabled = "VGXClosedLidEnabled";
inline constexpr const char* everRegistered = "VGXClosedLidEverRegistered";
inline constexpr const char* batteryFloor = "VGXClosedLidBatteryFloor";
inline constexpr const char* batteryCapHours = "VGXClosedLidBatteryCapHours";
inline constexpr const char* endSessionOnLidOpen = "VGXEndSessionOnLidOpen";
inline constexpr const char* latchedUntilRearm = "VGXClosedLidLatchedUntilRearm";
inline constexpr const char* disableByPolicy = "VGXDisableClosedLidMode";

void registerDefaults(platform::UserDefaults& defaults);
// The stored floor clamped to 20...60; 30 when absent or not an integer.
int effectiveBatteryFloor(const platform::UserDefaults& defaults);
// The stored cap when it is 1, 2, 3 or 6 hours, else 3.
int effectiveBatteryCapHours(const platform::UserDefaults& defaults);

}  // namespace vigilix::VGXClosedLidKeys
