#pragma once

#include "platform/defaults/user_defaults.h"

namespace vigilix {

// The menu-bar core's settings in the standard user defaults.
inline constexpr const char* kDZLActivateOnLaunchKey = "run.tarvo.vigilix.ActivateOnLaunch";
inline constexpr const char* kDZLAllowDisplaySleepKey = "run.tarvo.vigilix.AllowDisplaySleep";
inline constexpr const char* kDZLMenuBarIconHighlightDisabledKey =
    "run.tarvo.vigilix.MenuBarIconHighlightDisabled";
inline constexpr const char* kDZLPreReleaseUpdatesEnabledKey =
    "run.tarvo.vigilix.PreReleaseUpdatesEnabled";
inline constexpr const char* kDZLQuitOnTimerExpirationEnabledKey =
    "run.tarvo.vigilix.IsQuitOnTimerExpirationEnabled";
inline constexpr const char* kDZLActivateOnExternalDisplayConnectedEnabledKey =
    "run.tarvo.vigilix.ActivateOnExternalDisplayConnectedEnabled";
inline constexpr const char* kDZLDeactivateOnUserSwitchEnabledKey =
    "run.tarvo.vigilix.DeactivateOnUserSwitchEnabled";
inline constexpr const char* kDZLBatteryCapacityThresholdEnabledKey =
    "run.tarvo.vigilix.BatteryCapacityThresholdEnabled";
inline constexpr const char* kDZLLowPowerModeMonitoringEnabledKey =
    "run.tarvo.vigilix.LowPowerModeMonitoringEnabled";
inline constexpr const char* kDZLClickToKeepAwakeKey = "run.tarvo.vigilix.ClickToKeepAwake";
inline constexpr const char* kDZLBatteryCapacityThresholdKey =
    "run.tarvo.vigilix.BatteryCapacityThreshold";
inline constexpr const char* kDZLTimeIntervalKey = "run.tarvo.vigilix.TimeInterval";

// The lowest battery threshold the getter reports, in percent.
inline constexpr double kDZLMinimumBatteryCapacityThreshold = 10.0;

// Named accessors of the core's settings. A missing Boolean reads as false and
// a missing number as 0 (registered defaults apply first). Setters write at
// once without synchronising and post nothing of their own.
namespace DZLKeys {

bool dzl_isActivatedOnLaunch(const platform::UserDefaults& defaults);
void setDzl_activateOnLaunch(platform::UserDefaults& defaults, bool value);

bool dzl_shouldAllowDisplaySleep(const platform::UserDefaults& defaults);
void setDzl_allowDisplaySleep(platform::UserDefaults& defaults, bool value);

bool dzl_isMenuBarIconHighlightDisabled(const platform::UserDefaults& defaults);
void setDzl_menuBarIconHighlightDisabled(platform::UserDefaults& defaults, bool value);

bool dzl_arePreReleaseUpdatesEnabled(const platform::UserDefaults& defaults);
void setDzl_preReleaseUpdatesEnabled(platform::UserDefaults& defaults, bool value);

bool dzl_isQuitOnTimerExpirationEnabled(const platform::UserDefaults& defaults);
void setDzl_quitOnTimerExpirationEnabled(platform::UserDefaults& defaults, bool value);

bool dzl_isActivateOnExternalDisplayConnectedEnabled(const platform::UserDefaults& defaults);
void setDzl_activateOnExternalDisplayConnectedEnabled(platform::UserDefaults& defaults, bool value);

bool dzl_isDeactivateOnUserSwitchEnabled(const platform::UserDefaults& defaults);
void setDzl_deactivateOnUserSwitchEnabled(platform::UserDefaults& defaults, bool value);

bool dzl_isBatteryCapacityThresholdEnabled(const platform::UserDefaults& defaults);
void setDzl_batteryCapacityThresholdEnabled(platform::UserDefaults& defaults, bool value);

bool dzl_isLowPowerModeMonitoringEnabled(const platform::UserDefaults& defaults);
void setDzl_lowPowerModeMonitoringEnabled(platform::UserDefaults& defaults, bool value);

bool dzl_clickToKeepAwake(const platform::UserDefaults& defaults);
void setDzl_clickToKeepAwake(platform::UserDefaults& defaults, bool value);

// Percent, never below 10. Stored in single precision. A value that is not
// finite, or too large for single precision, is refused and nothing is
// written (returns false); a stored value that is not finite reads as 10.
double dzl_batteryCapacityThreshold(const platform::UserDefaults& defaults);
bool setDzl_batteryCapacityThreshold(platform::UserDefaults& defaults, double percent);

// Seconds; 0 means indefinite. Stored as whole seconds, truncated towards
// zero. A value that is not finite or does not fit a 64-bit integer is
// refused and nothing is written (returns false).
double dzl_defaultTimeInterval(const platform::UserDefaults& defaults);
bool setDzl_defaultTimeInterval(platform::UserDefaults& defaults, double seconds);

}  // namespace DZLKeys
}  // namespace vigilix
