#include "core/dzl_keys.h"

#include <cmath>
#include <limits>

namespace vigilix::DZLKeys {

namespace {

bool readBool(const platform::UserDefaults& defaults, const char* key) {
  return defaults.boolValue(key).value_or(false);
}

}  // namespace

bool dzl_isActivatedOnLaunch(const platform::UserDefaults& defaults) {
  return readBool(defaults, kDZLActivateOnLaunchKey);
}
void setDzl_activateOnLaunch(platform::UserDefaults& defaults, bool value) {
  defaults.set(kDZLActivateOnLaunchKey, value);
}

bool dzl_shouldAllowDisplaySleep(const platform::UserDefaults& defaults) {
  return readBool(defaults, kDZLAllowDisplaySleepKey);
}
void setDzl_allowDisplaySleep(platform::UserDefaults& defaults, bool value) {
  defaults.set(kDZLAllowDisplaySleepKey, value);
}

bool dzl_isMenuBarIconHighlightDisabled(const platform::UserDefaults& defaults) {
  return readBool(defaults, kDZLMenuBarIconHighlightDisabledKey);
}
void setDzl_menuBarIconHighlightDisabled(platform::UserDefaults& defaults, bool value) {
  defaults.set(kDZLMenuBarIconHighlightDisabledKey, value);
}

bool dzl_arePreReleaseUpdatesEnabled(const platform::UserDefaults& defaults) {
  return readBool(defaults, kDZLPreReleaseUpdatesEnabledKey);
}
void setDzl_preReleaseUpdatesEnabled(platform::UserDefaults& defaults, bool value) {
  defaults.set(kDZLPreReleaseUpdatesEnabledKey, value);
}

bool dzl_isQuitOnTimerExpirationEnabled(const platform::UserDefaults& defaults) {
  return readBool(defaults, kDZLQuitOnTimerExpirationEnabledKey);
}
void setDzl_quitOnTimerExpirationEnabled(platform::UserDefaults& defaults, bool value) {
  defaults.set(kDZLQuitOnTimerExpirationEnabledKey, value);
}

bool dzl_isActivateOnExternalDisplayConnectedEnabled(const platform::UserDefaults& defaults) {
  return readBool(defaults, kDZLActivateOnExternalDisplayConnectedEnabledKey);
}
void setDzl_activateOnExternalDisplayConnectedEnabled(platform::UserDefaults& defaults,
                                                      bool value) {
  defaults.set(kDZLActivateOnExternalDisplayConnectedEnabledKey, value);
}

bool dzl_isDeactivateOnUserSwitchEnabled(const platform::UserDefaults& defaults) {
  return readBool(defaults, kDZLDeactivateOnUserSwitchEnabledKey);
}
void setDzl_deactivateOnUserSwitchEnabled(platform::UserDefaults& defaults, bool value) {
  defaults.set(kDZLDeactivateOnUserSwitchEnabledKey, value);
}

bool dzl_isBatteryCapacityThresholdEnabled(const platform::UserDefaults& defaults) {
  return readBool(defaults, kDZLBatteryCapacityThresholdEnabledKey);
}
void setDzl_batteryCapacityThresholdEnabled(platform::UserDefaults& defaults, bool value) {
  defaults.set(kDZLBatteryCapacityThresholdEnabledKey, value);
}

bool dzl_isLowPowerModeMonitoringEnabled(const platform::UserDefaults& defaults) {
  return readBool(defaults, kDZLLowPowerModeMonitoringEnabledKey);
}
void setDzl_lowPowerModeMonitoringEnabled(platform::UserDefaults& defaults, bool value) {
  defaults.set(kDZLLowPowerModeMonitoringEnabledKey, value);
}

bool dzl_clickToKeepAwake(const platform::UserDefaults& defaults) {
  return readBool(defaults, kDZLClickToKeepAwakeKey);
}
void setDzl_clickToKeepAwake(platform::UserDefaults& defaults, bool value) {
  defaults.set(kDZLClickToKeepAwakeKey, value);
}

double dzl_batteryCapacityThreshold(const platform::UserDefaults& defaults) {
  double stored = defaults.doubleValue(kDZLBatteryCapacityThresholdKey).value_or(0.0);
  if (!std::isfinite(stored)) return kDZLMinimumBatteryCapacityThreshold;
  return stored < kDZLMinimumBatteryCapacityThreshold ? kDZLMinimumBatteryCapacityThreshold
                                                      : stored;
}

bool setDzl_batteryCapacityThreshold(platform::UserDefaults& defaults, double percent) {
  // Converting a double beyond the single-precision range is undefined.
  if (!std::isfinite(percent) || std::fabs(percent) > std::numeric_limits<float>::max())
    return false;
  defaults.set(kDZLBatteryCapacityThresholdKey, static_cast<double>(static_cast<float>(percent)));
  return true;
}

double dzl_defaultTimeInterval(const platform::UserDefaults& defaults) {
  if (auto seconds = defaults.integerValue(kDZLTimeIntervalKey))
    return static_cast<double>(*seconds);
  // A real with a fraction (an administrator's profile may hold one) reads
  // as its whole seconds, as the setter would have stored it, not as
  // "indefinite".
  const double seconds = std::trunc(defaults.doubleValue(kDZLTimeIntervalKey).value_or(0.0));
  return std::isfinite(seconds) ? seconds : 0.0;
}

bool setDzl_defaultTimeInterval(platform::UserDefaults& defaults, double seconds) {
  // 2^63 itself does not fit; every double below it in magnitude does.
  constexpr double kLimit = 9223372036854775808.0;
  if (!std::isfinite(seconds) || std::trunc(seconds) >= kLimit || std::trunc(seconds) < -kLimit)
    return false;
  defaults.set(kDZLTimeIntervalKey, static_cast<std::int64_t>(std::trunc(seconds)));
  return true;
}

}  // namespace vigilix::DZLKeys
