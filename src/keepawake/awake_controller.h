#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <vector>

#include "keepawake/awake_state.h"
#include "keepawake/persistent_state.h"
#include "platform/base/date.h"
#include "platform/base/property_value.h"
#include "platform/json/coding_errors.h"
#include "platform/power/thermal_state.h"
#include "triggers/trigger_reason.h"

namespace vigilix {

// The one place that decides whether the computer stays awake. A pure state
// machine: no timers, no input or output; every time-dependent operation is
// given the current time. Main thread only; not thread-safe.
//
// Dates and durations that are not finite numbers are refused: the operation
// that receives one does nothing, so no NaN or infinity is ever stored or
// compared.
class AwakeController {
 public:
  // Seconds a cool-down at nominal or fair heat lasts before the heat block lifts, unless
  // setHeatCoolDown says otherwise.
  static constexpr double kHeatCoolDownSeconds = 300;
  // Points above the threshold the battery must reach to lift the battery block.
  static constexpr double kBatteryHysteresis = 5;

  AwakeController(platform::Date now, double batteryThreshold);

  // A controller from saved bytes; fails when they are not a valid saved
  // state, also when a timed session's end overflows to infinity. A session
  // whose end passed meanwhile is dropped; with a `now` that is not finite
  // nothing is restored (a fresh controller).
  static std::expected<AwakeController, platform::json::DecodingError> restore(
      const platform::Bytes& data, platform::Date now, double batteryThreshold);
  // The saved bytes; empty when encoding fails.
  platform::Bytes encodedState() const;
  PersistentState persistentState() const;

  // Manual session. Starts do nothing while a battery, Low Power Mode or
  // heat block is in force.
  void startIndefinite(platform::Date now);
  void startUntil(platform::Date date, platform::Date now);
  void startDuration(double seconds, platform::Date now);
  void addTime(double seconds, platform::Date now);
  void stop(platform::Date now);
  void endManualSession();

  // Triggers.
  void setAutomationEnabled(bool enabled);
  void pauseTriggers(platform::Date until);
  void resumeTriggers();
  void setReasons(std::vector<TriggerReason> reasons) { reasons_ = std::move(reasons); }
  void setWatchReasons(std::vector<TriggerReason> reasons) { watchReasons_ = std::move(reasons); }
  void setAgentReasons(std::vector<TriggerReason> reasons) { agentReasons_ = std::move(reasons); }
  void setFocusActive(bool active);

  // Safety inputs.
  void updateBattery(bool onBattery, double percent);
  void reevaluateBattery();
  void setBatteryThreshold(double percent);
  void setLowPowerMode(bool enabled);
  void setStopWhenHot(bool enabled, platform::Date now);
  void setThermal(platform::ThermalState level, platform::Date now);
  void evaluateHeat(platform::Date now);
  // A cool-down of another length (tests of the built program); refused unless a positive
  // finite number.
  void setHeatCoolDown(double seconds);
  void setRestartOnActivity(bool enabled) { restartOnActivity_ = enabled; }
  void noteUserActivity(platform::Date activity, platform::Date now);
  void setPresenceEndedAt(std::optional<platform::Date> date);

  // Time.
  void tick(platform::Date now);
  std::optional<platform::Date> deadline() const;
  std::optional<platform::Date> nextWakeDate() const;
  std::optional<platform::Date> heatResumesAt() const;

  AwakeSnapshot snapshot() const;

  const ManualSessionKind& manual() const { return manual_; }
  std::int64_t stopGeneration() const { return stopGeneration_; }
  std::optional<platform::Date> durationDeadline() const { return durationDeadline_; }
  bool automationEnabled() const { return automationEnabled_; }
  const TriggerPause& pause() const { return pause_; }
  const std::vector<TriggerReason>& reasons() const { return reasons_; }
  const std::vector<TriggerReason>& watchReasons() const { return watchReasons_; }
  const std::vector<TriggerReason>& agentReasons() const { return agentReasons_; }
  const std::vector<TriggerReason>& focusReasons() const { return focusReasons_; }
  double batteryThreshold() const { return batteryThreshold_; }
  bool onBattery() const { return onBattery_; }
  double batteryPercent() const { return batteryPercent_; }
  bool batteryBlocked() const { return batteryBlocked_; }
  bool lowPowerModeEnabled() const { return lowPowerModeEnabled_; }
  bool stopWhenHot() const { return stopWhenHot_; }
  bool heatBlocked() const { return heatBlocked_; }
  platform::ThermalState lastThermal() const { return lastThermal_; }
  std::optional<platform::Date> heatCoolStartedAt() const { return heatCoolStartedAt_; }
  bool restartOnActivity() const { return restartOnActivity_; }
  std::optional<platform::Date> presenceEndedAt() const { return presenceEndedAt_; }

 private:
  static std::expected<AwakeController, platform::json::DecodingError> restore(
      const PersistentState& state, platform::Date now, double batteryThreshold);
  bool isBlocked() const { return batteryBlocked_ || lowPowerModeEnabled_ || heatBlocked_; }
  std::vector<TriggerReason> activeReasons() const;

  ManualSessionKind manual_;
  std::int64_t stopGeneration_ = 0;
  std::optional<platform::Date> durationDeadline_;
  bool automationEnabled_ = false;
  TriggerPause pause_;
  std::vector<TriggerReason> reasons_;
  std::vector<TriggerReason> watchReasons_;
  std::vector<TriggerReason> agentReasons_;
  std::vector<TriggerReason> focusReasons_;
  double batteryThreshold_;
  bool onBattery_ = false;
  double batteryPercent_ = 100;
  bool batteryBlocked_ = false;
  bool lowPowerModeEnabled_ = false;
  bool stopWhenHot_ = true;
  bool heatBlocked_ = false;
  platform::ThermalState lastThermal_ = platform::ThermalState::Nominal;
  std::optional<platform::Date> heatCoolStartedAt_;
  double heatCoolDownSeconds_ = kHeatCoolDownSeconds;
  bool restartOnActivity_ = false;
  std::optional<platform::Date> presenceEndedAt_;
};

}  // namespace vigilix
