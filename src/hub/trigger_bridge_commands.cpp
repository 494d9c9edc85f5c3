#include <cmath>

#include "core/dzl_keys.h"
#include "hub/trigger_bridge.h"
#include "platform/base/logger.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/weakly.h"
#include "policy/policy_gate.h"

namespace vigilix {

using platform::weakly;
namespace {

constexpr double kPauseSeconds = 3600;

const platform::Logger& logger() {
  static const platform::Logger log("hub");
  return log;
}

}  // namespace

std::optional<platform::Date> VGXTriggerBridge::acceptedDate(platform::Date date,
                                                             platform::Date now,
                                                             std::string_view caller) {
  if (!date.isFinite() || !now.isFinite()) {
    logger().error("{}: refused a time that is not a finite number", caller);
    return std::nullopt;
  }
  const platform::Date latest = now + kMaximumAheadSeconds;
  if (date > latest) {
    logger().info("{}: a time more than ten years ahead was cut to ten years", caller);
    return latest;
  }
  return date;
}

std::optional<double> VGXTriggerBridge::acceptedDuration(double seconds, platform::Date now,
                                                         std::string_view caller) {
  // Zero or less means "no end" to the callers; it reaches nowhere.
  if (seconds <= 0 && std::isfinite(seconds)) return seconds;
  const auto end = acceptedDate(now + seconds, now, caller);
  if (!end) return std::nullopt;
  return *end - now;
}

void VGXTriggerBridge::beginManualSession() {
  if (const auto& hook = slots().manualSessionStartHook) hook();
  if (neighbours_.sessionNotices) neighbours_.sessionNotices->startNewSession();
}

void VGXTriggerBridge::startIndefiniteSession(platform::Date at) {
  beginManualSession();
  controller_.startIndefinite(at);
  persistAndPublish(at);
}

void VGXTriggerBridge::keepAwakeIndefinitely() { startIndefiniteSession(now()); }

void VGXTriggerBridge::keepAwakeForDuration(double seconds) {
  const platform::Date at = now();
  const auto accepted = acceptedDuration(seconds, at, "keepAwakeForDuration");
  if (!accepted) return;
  if (*accepted <= 0) {
    startIndefiniteSession(at);
    return;
  }
  beginManualSession();
  controller_.startDuration(*accepted, at);
  persistAndPublish(at);
}

void VGXTriggerBridge::keepAwakeUntil(platform::Date date) {
  const platform::Date at = now();
  const auto accepted = acceptedDate(date, at, "keepAwakeUntil");
  if (!accepted) return;
  beginManualSession();
  controller_.startUntil(*accepted, at);
  persistAndPublish(at);
}

void VGXTriggerBridge::keepAwakeForDefaultDuration() {
  const double seconds = DZLKeys::dzl_defaultTimeInterval(defaults_);
  if (seconds < 1) {
    startIndefiniteSession(now());
  } else {
    keepAwakeForDuration(seconds);
  }
}

void VGXTriggerBridge::extendManualSessionBy(double seconds) {
  const platform::Date at = now();
  // The session's new end, not the extension alone, stays within reach.
  const platform::Date from = controller_.deadline().value_or(at);
  const auto end = acceptedDate(from + seconds, at, "extendManualSessionBy");
  if (!end) return;
  controller_.addTime(*end - from, at);
  persistAndPublish(at);
}

void VGXTriggerBridge::extendOrRestartFifteenMinutes() {
  if (controller_.snapshot().primary.kind() == AwakeStatus::Kind::manualUntil) {
    extendManualSessionBy(kFifteenMinutes);
  } else {
    keepAwakeForDuration(kFifteenMinutes);
  }
}

void VGXTriggerBridge::stopKeepingAwake() { stopPath(); }

void VGXTriggerBridge::toggleKeepAwake() {
  if (controller_.snapshot().isAwake) {
    stopPath();
  } else {
    keepAwakeForDefaultDuration();
  }
}

// A stop empties the hold store too: holds left there would come back with
// the controller's next change and wake the machine the user just stopped.
void VGXTriggerBridge::stopPath() {
  endAllWatches();
  if (neighbours_.agentHolds) neighbours_.agentHolds->clearAll();
  controller_.stop(now());
  watchesDidChange();
  evaluateFocusMode(now());
}

void VGXTriggerBridge::endManualSession() {
  const platform::Date at = now();
  controller_.endManualSession();
  persistAndPublish(at);
}

void VGXTriggerBridge::pauseTriggersForOneHour() {
  const platform::Date at = now();
  if (controller_.automationEnabled()) controller_.pauseTriggers(at + kPauseSeconds);
  persistAndPublish(at);
}

void VGXTriggerBridge::resumeTriggers() {
  const platform::Date at = now();
  controller_.resumeTriggers();
  refresh(at);
}

void VGXTriggerBridge::pauseOrResumeTriggers() {
  if (!controller_.snapshot().pause.isNone()) {
    resumeTriggers();
  } else {
    pauseTriggersForOneHour();
  }
}

void VGXTriggerBridge::setAutomationEnabled(bool enabled) {
  if (VGXPolicyGate::isForced(defaults_, kTriggersDefaultsKey)) return;
  const platform::Date at = now();
  TriggerConfiguration configuration = triggerConfiguration();
  configuration.isEnabled = enabled;
  VGXTriggerConfigurationStore::save(configuration, defaults_);
  controller_.setAutomationEnabled(enabled);
  followTriggerConfiguration(true);
  refresh(at);
}

void VGXTriggerBridge::reloadConfiguration() {
  const platform::Date at = now();
  followTriggerConfiguration(true);
  controller_.setBatteryThreshold(effectiveBatteryThreshold(defaults_));
  synchroniseAutomation();
  updatePowerInputs(at);
  applyPolicy(at);
  evaluateFocusMode(at);
  refresh(at);
}

void VGXTriggerBridge::tickNow() {
  const platform::Date at = now();
  applyRestartOnActivity(at);
  controller_.tick(at);
  persistAndPublish(at);
  scheduleTickTimer(at);
}

void VGXTriggerBridge::handleWakeOrClockChange() { tick(); }

void VGXTriggerBridge::presentCustomDurationPicker() {
  if (!neighbours_.pickers) return;
  neighbours_.pickers->presentDuration(weakly(this, [](VGXTriggerBridge& bridge, double seconds) {
    bridge.keepAwakeForDuration(seconds);
  }));
}

void VGXTriggerBridge::presentUntilPicker() {
  if (!neighbours_.pickers) return;
  neighbours_.pickers->presentUntil(weakly(
      this, [](VGXTriggerBridge& bridge, platform::Date date) { bridge.keepAwakeUntil(date); }));
}

void VGXTriggerBridge::presentDownloadPanel() {
  if (!neighbours_.pickers) return;
  neighbours_.pickers->presentDownloadPanel(
      weakly(this, [](VGXTriggerBridge& bridge, std::vector<std::string> paths) {
        for (const std::string& path : paths) bridge.watchFileAt(path);
      }));
}

}  // namespace vigilix
