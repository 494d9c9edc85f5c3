#include <algorithm>
#include <cmath>

#include "core/dzl_keys.h"
#include "health/session_notifications.h"
#include "hub/trigger_bridge.h"
#include "platform/base/logger.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/run_loop.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

using platform::weakly;
namespace {

constexpr double kMaximumIdleSeconds = 31'536'000;  // 365 days

}  // namespace

void VGXTriggerBridge::persistAndPublish(platform::Date at) {
  const platform::Bytes data = controller_.encodedState();
  if (data.empty()) {
    // Keeps the last good saved state rather than one nothing can restore.
    platform::Logger("hub").error("Failed to encode the keep-awake state");
  } else {
    writeOwnDefaults([&] { defaults_.set(awakeStateDefaultsKey, data); });
  }
  scheduleTickTimer(at);
  const AwakeSnapshot current = controller_.snapshot();
  if (neighbours_.controlShare) {
    writeOwnDefaults([&] { neighbours_.controlShare->publish(current); });
  }
  followThermalStateWhileItMatters(current);
  if (auto listener = delegate_.lock()) listener->triggerBridgeDidChangeSnapshot(*this);
  platform_.notifications->post(kAwakeStateDidChangeNotification, this);
}

void VGXTriggerBridge::scheduleTickTimer(platform::Date at) {
  if (tickTimer_) tickTimer_->invalidate();
  platform::Date fire = at + kTickInterval;
  if (const auto wake = controller_.nextWakeDate()) {
    // A wake date already reached is due now: the tick ends what it ends.
    fire = std::min(fire, std::max(*wake, at));
  }
  // Without an idle reading there is nothing to restart the session from.
  if (controller_.manual().kind() == ManualSessionKind::Kind::duration &&
      wantsRestartOnActivity() && neighbours_.secondsSinceLastInput) {
    fire = std::min(fire, at + kRestartOnActivityInterval);
  }
  if (const auto resumes = controller_.heatResumesAt(); resumes && *resumes > at) {
    fire = std::min(fire, *resumes);
  }
  tickTimer_ = platform_.mainLoop->makeTimer(
      fire, 0, false, weakly(this, [](VGXTriggerBridge& bridge) { bridge.tickNow(); }));
  tickTimer_->setTolerance(kTickTolerance);
  platform_.mainLoop->addTimer(tickTimer_, platform::RunLoopMode::Common);
}

void VGXTriggerBridge::tick() {
  if (monitor_) monitor_->requestEvaluation();
  updatePowerInputs(now());
  applyHeatRule(thermalLevel(), now());
  applyPolicy(now());
  tickNow();
  refresh(now());
}

void VGXTriggerBridge::applyRestartOnActivity(platform::Date at) {
  if (controller_.manual().kind() != ManualSessionKind::Kind::duration) return;
  const bool restart = wantsRestartOnActivity();
  controller_.setRestartOnActivity(restart);
  if (!restart) return;
  const auto& reader = neighbours_.secondsSinceLastInput;
  const std::optional<double> idle = reader ? reader() : std::nullopt;
  if (!idle) return;
  const double seconds = std::isnan(*idle) ? 0 : std::clamp(*idle, 0.0, kMaximumIdleSeconds);
  controller_.noteUserActivity(at - seconds, at);
}

void VGXTriggerBridge::applyHeatRule(platform::ThermalState thermal, platform::Date at) {
  const bool wasBlocked = controller_.heatBlocked();
  const bool wasAwake = controller_.snapshot().isAwake;
  controller_.setStopWhenHot(stopWhenHotSetting(defaults_), at);
  controller_.setThermal(thermal, at);
  if (controller_.heatBlocked() && !wasBlocked && wasAwake &&
      defaults_.boolValue(kVGXNotifyOnAwakeStateChangeKey).value_or(false)) {
    if (neighbours_.sessionNotices) neighbours_.sessionNotices->postHeatStopped();
  }
  persistAndPublish(at);
  refresh(at);
  scheduleTickTimer(at);
}

void VGXTriggerBridge::defaultsDidChange() {
  if (isApplyingDefaults_ || defaultsChangeScheduled_) return;
  defaultsChangeScheduled_ = true;
  later([](VGXTriggerBridge& bridge) {
    bridge.defaultsChangeScheduled_ = false;
    bridge.handleDefaultsChange();
  });
}

void VGXTriggerBridge::handleDefaultsChange() {
  followTriggerConfiguration(false);
  pruneWatchesAfterSettingsChange();
  controller_.setWatchReasons(watchReasons());
  controller_.setBatteryThreshold(effectiveBatteryThreshold(defaults_));
  updatePowerInputs(now());
  applyHeatRule(thermalLevel(), now());
  applyPolicy(now());
  persistAndPublish(now());
}

void VGXTriggerBridge::thermalStateDidChange() { applyHeatRule(thermalLevel(), now()); }

}  // namespace vigilix
