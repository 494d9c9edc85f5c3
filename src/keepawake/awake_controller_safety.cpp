#include <cmath>

#include "keepawake/awake_controller.h"

namespace vigilix {

// Battery and Low Power Mode -------------------------------------------------

void AwakeController::updateBattery(bool onBattery, double percent) {
  // A reading that is not a number keeps the last level, but the power
  // source still counts: plugging in must lift the block whatever the level.
  onBattery_ = onBattery;
  if (std::isfinite(percent)) batteryPercent_ = percent;
  reevaluateBattery();
}

void AwakeController::setBatteryThreshold(double percent) {
  if (!std::isfinite(percent)) return;
  batteryThreshold_ = percent;
  reevaluateBattery();
}

void AwakeController::reevaluateBattery() {
  if (!onBattery_) {
    batteryBlocked_ = false;
  } else if (batteryPercent_ < batteryThreshold_) {
    batteryBlocked_ = true;
    manual_ = ManualSessionKind::none();
  } else if (batteryPercent_ >= batteryThreshold_ + kBatteryHysteresis) {
    batteryBlocked_ = false;
  }
  // Between the threshold and five points above it the block keeps its value.
}

void AwakeController::setLowPowerMode(bool enabled) {
  lowPowerModeEnabled_ = enabled;
  if (enabled) manual_ = ManualSessionKind::none();
}

// Heat -----------------------------------------------------------------------

void AwakeController::setStopWhenHot(bool enabled, platform::Date now) {
  stopWhenHot_ = enabled;
  evaluateHeat(now);
}

void AwakeController::setThermal(platform::ThermalState level, platform::Date now) {
  lastThermal_ = level;
  evaluateHeat(now);
}

void AwakeController::evaluateHeat(platform::Date now) {
  if (!stopWhenHot_) {
    heatBlocked_ = false;
    heatCoolStartedAt_.reset();
    return;
  }
  if (lastThermal_ >= platform::ThermalState::Serious) {
    heatBlocked_ = true;
    // Back to hot during a cool-down: the cool-down starts over next time.
    heatCoolStartedAt_.reset();
    manual_ = ManualSessionKind::none();
    return;
  }
  if (!heatBlocked_ || !now.isFinite()) return;
  if (!heatCoolStartedAt_) {
    heatCoolStartedAt_ = now;
  } else if (now - *heatCoolStartedAt_ >= heatCoolDownSeconds_) {
    heatBlocked_ = false;
    heatCoolStartedAt_.reset();
  }
}

std::optional<platform::Date> AwakeController::heatResumesAt() const {
  if (!heatBlocked_ || !heatCoolStartedAt_) return std::nullopt;
  return *heatCoolStartedAt_ + heatCoolDownSeconds_;
}

void AwakeController::setHeatCoolDown(double seconds) {
  if (std::isfinite(seconds) && seconds > 0) heatCoolDownSeconds_ = seconds;
}

// Restart on activity --------------------------------------------------------

void AwakeController::noteUserActivity(platform::Date activity, platform::Date /*now*/) {
  if (!activity.isFinite()) return;
  // Input up to the end of the pointer nudges was not the user's.
  if (presenceEndedAt_ && activity <= *presenceEndedAt_) return;
  if (!restartOnActivity_ || manual_.kind() != ManualSessionKind::Kind::duration) return;
  const platform::Date current = *deadline();
  const platform::Date pushed = activity + manual_.total();
  if (pushed.isFinite() && activity > manual_.startedAt() && activity <= current &&
      pushed > current) {
    durationDeadline_ = pushed;
  }
}

void AwakeController::setPresenceEndedAt(std::optional<platform::Date> date) {
  if (date && !date->isFinite()) return;
  presenceEndedAt_ = date;
}

}  // namespace vigilix
