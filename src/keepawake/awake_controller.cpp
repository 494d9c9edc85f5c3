#include "keepawake/awake_controller.h"

#include <algorithm>
#include <cmath>

namespace vigilix {

namespace {

bool finite(double value) { return std::isfinite(value); }
bool finite(platform::Date date) { return date.isFinite(); }

// The threshold in force when none was ever configured.
constexpr double kFallbackBatteryThreshold = 20;

}  // namespace

AwakeController::AwakeController(platform::Date /*now*/, double batteryThreshold)
    : batteryThreshold_(finite(batteryThreshold) ? batteryThreshold : kFallbackBatteryThreshold) {}

// Manual session -------------------------------------------------------------

void AwakeController::startIndefinite(platform::Date now) {
  if (isBlocked() || !finite(now)) return;
  manual_ = ManualSessionKind::indefinite();
}

void AwakeController::startUntil(platform::Date date, platform::Date now) {
  if (isBlocked() || !finite(date) || !finite(now)) return;
  manual_ = ManualSessionKind::until(date);
}

void AwakeController::startDuration(double seconds, platform::Date now) {
  if (isBlocked() || !finite(seconds) || !finite(now)) return;
  const platform::Date end = now + seconds;
  if (!finite(end)) return;
  manual_ = ManualSessionKind::duration(seconds, now);
  durationDeadline_ = end;
}

void AwakeController::addTime(double seconds, platform::Date now) {
  if (!finite(seconds) || !finite(now) || seconds <= 0) return;
  const auto current = deadline();
  if (!current) return;
  // Time added after the end passed (before a tick ended the session) counts from now.
  const platform::Date base = std::max(now, *current);
  const platform::Date end = base + seconds;
  if (!finite(end)) return;
  if (manual_.kind() == ManualSessionKind::Kind::until) {
    manual_ = ManualSessionKind::until(end);
  } else {
    const double total = manual_.total() + seconds;
    if (!finite(total)) return;
    manual_ = ManualSessionKind::duration(total, manual_.startedAt());
    durationDeadline_ = end;
  }
}

void AwakeController::stop(platform::Date /*now*/) {
  ++stopGeneration_;
  watchReasons_.clear();
  agentReasons_.clear();
  manual_ = ManualSessionKind::none();
  // The user's stop also holds off the triggers until they are resumed.
  if (automationEnabled_) pause_ = TriggerPause::untilResumed();
}

void AwakeController::endManualSession() { manual_ = ManualSessionKind::none(); }

// Triggers -------------------------------------------------------------------

void AwakeController::setAutomationEnabled(bool enabled) {
  automationEnabled_ = enabled;
  if (!enabled) pause_ = TriggerPause::none();
}

void AwakeController::pauseTriggers(platform::Date until) {
  if (!automationEnabled_ || !finite(until)) return;
  pause_ = TriggerPause::until(until);
}

void AwakeController::resumeTriggers() { pause_ = TriggerPause::none(); }

void AwakeController::setFocusActive(bool active) {
  focusReasons_.clear();
  if (active) focusReasons_.push_back(TriggerReason::focus());
}

// Time -----------------------------------------------------------------------

void AwakeController::tick(platform::Date now) {
  if (!finite(now)) return;
  if (const auto end = deadline(); end && now >= *end) {
    manual_ = ManualSessionKind::none();
  }
  if (pause_.kind() == TriggerPause::Kind::until && now >= pause_.date()) {
    pause_ = TriggerPause::none();
  }
  evaluateHeat(now);
}

std::optional<platform::Date> AwakeController::deadline() const {
  switch (manual_.kind()) {
    case ManualSessionKind::Kind::until:
      return manual_.date();
    case ManualSessionKind::Kind::duration:
      if (durationDeadline_) return durationDeadline_;
      return manual_.startedAt() + manual_.total();
    case ManualSessionKind::Kind::none:
    case ManualSessionKind::Kind::indefinite:
      break;
  }
  return std::nullopt;
}

std::optional<platform::Date> AwakeController::nextWakeDate() const {
  std::optional<platform::Date> next = deadline();
  if (pause_.kind() == TriggerPause::Kind::until) {
    next = next ? std::min(*next, pause_.date()) : pause_.date();
  }
  return next;
}

// Snapshot -------------------------------------------------------------------

std::vector<TriggerReason> AwakeController::activeReasons() const {
  std::vector<TriggerReason> list;
  list.insert(list.end(), watchReasons_.begin(), watchReasons_.end());
  list.insert(list.end(), agentReasons_.begin(), agentReasons_.end());
  list.insert(list.end(), focusReasons_.begin(), focusReasons_.end());
  if (automationEnabled_ && pause_.isNone()) {
    list.insert(list.end(), reasons_.begin(), reasons_.end());
  }
  return list;
}

AwakeSnapshot AwakeController::snapshot() const {
  AwakeSnapshot snap;
  snap.pause = pause_;
  snap.agentCount = static_cast<int>(std::count_if(
      agentReasons_.begin(), agentReasons_.end(),
      [](const TriggerReason& reason) { return reason.kind() == TriggerReason::Kind::agent; }));

  if (batteryBlocked_ || lowPowerModeEnabled_) {
    snap.primary = AwakeStatus::blockedByBattery();
    return snap;
  }
  if (heatBlocked_) {
    snap.primary = AwakeStatus::blockedByHeat();
    return snap;
  }

  const std::vector<TriggerReason> list = activeReasons();
  snap.isAwake = !manual_.isNone() || !list.empty();
  switch (manual_.kind()) {
    case ManualSessionKind::Kind::duration:
    case ManualSessionKind::Kind::until:
      snap.primary = AwakeStatus::manualUntil(*deadline());
      if (!list.empty()) snap.alsoActive = list[0];
      break;
    case ManualSessionKind::Kind::indefinite:
      snap.primary = AwakeStatus::manualIndefinite();
      if (!list.empty()) snap.alsoActive = list[0];
      break;
    case ManualSessionKind::Kind::none:
      if (list.empty()) {
        snap.primary = AwakeStatus::idle();
      } else {
        snap.primary = AwakeStatus::automatic(list[0]);
        if (list.size() > 1) snap.alsoActive = list[1];
      }
      break;
  }
  return snap;
}

}  // namespace vigilix
