#include "app/app_controller.h"

#include <cstdint>

#include "core/dzl_keys.h"
#include "health/health_presenter.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "policy/policy_gate.h"

namespace vigilix {

namespace {

platform::Date now() { return platform::Clock::current().now(); }

}  // namespace

DZLAppController::Environment DZLAppController::Environment::current() {
  return {
      .defaults = &platform::UserDefaults::standard(),
      .bridge = VGXTriggerBridge::sharedPointer(),
      .timer = nullptr,
      .eventHandler = DZLEventHandler::defaultHandler(),
      .sessionNotifications = &VGXSessionNotifications::shared(),
      .protectionVerifier = &VGXProtectionVerifier::shared(),
      .terminate = {},
      .showSettingsPane = {},
      .ensureSettingsWindow = {},
  };
}

DZLAppController::DZLAppController(Passkey, Environment environment)
    : environment_(std::move(environment)),
      defaults_(*environment_.defaults),
      triggerBridge_(environment_.bridge) {}

std::shared_ptr<DZLAppController> DZLAppController::make(Environment environment) {
  auto controller = std::make_shared<DZLAppController>(Passkey{}, std::move(environment));
  DZLAppController& self = *controller;
  self.defaults_.registerDefaults({
      {kDZLAllowDisplaySleepKey, true},
      {kDZLBatteryCapacityThresholdKey, std::int64_t{20}},
      {"run.tarvo.vigilix.ShowTimeLeftInMenuBar", true},
      {"VGXStopWhenHot", true},
      {"VGXRestartTimerOnActivity", false},
      {"VGXKeepChatAppsActive", false},
  });
  self.lastManualTimeInterval_ = 0;
  self.allowDisplaySleepWhenScheduled_ = DZLKeys::dzl_shouldAllowDisplaySleep(self.defaults_);
  self.sleepWakeTimer_ =
      self.environment_.timer ? self.environment_.timer : DZLSleepWakeTimer::make();
  self.sleepWakeTimer_->setDelegate(controller);
  if (!self.environment_.eventHandler) {
    self.environment_.eventHandler = std::make_shared<DZLEventHandler>();
  }
  self.configureEventHandler();
  self.configureTriggerBridge();
  self.installObservers();
  return controller;
}

DZLAppController::~DZLAppController() = default;

void DZLAppController::configureTriggerBridge() {
  triggerBridge_->setDelegate(weak_from_this());
  previousIsAwake_ = triggerBridge_->isAwake();
  previousManualFireDate_ = triggerBridge_->manualFireDate();
  triggerBridge_->start();
  if (DZLKeys::dzl_isActivatedOnLaunch(defaults_)) startManualSessionUsingDefaultDuration();
  syncActivationWithSnapshot();
  startProtectionVerifier();
}

void DZLAppController::startProtectionVerifier() {
  if (!environment_.protectionVerifier) return;
  const std::weak_ptr<DZLAppController> weak = weak_from_this();
  environment_.protectionVerifier->startWithExpectedTypes(
      [weak] {
        const auto self = weak.lock();
        return self ? self->sleepWakeTimer_->expectedAssertionTypes() : std::vector<std::string>();
      },
      [weak] {
        const auto self = weak.lock();
        return self && self->sleepWakeTimer_->repair();
      },
      [weak] {
        // The open menu's refresh joins here once the status menu exists.
        if (auto self = weak.lock()) self->syncActivationWithSnapshot();
      });
}

void DZLAppController::installObservers() {
  auto& workspace = platform::NotificationCenter::workspaceCenter();
  auto* main = &platform::DispatchQueue::main();
  const std::weak_ptr<DZLAppController> weak = weak_from_this();
  observers_.push_back(workspace.addObserver(kWorkspaceSessionDidResignActiveNotification, nullptr,
                                             main, [weak](const platform::Notification&) {
                                               if (auto self = weak.lock())
                                                 self->sessionDidResignActive();
                                             }));
  observers_.push_back(workspace.addObserver(kWorkspaceSessionDidBecomeActiveNotification, nullptr,
                                             main, [weak](const platform::Notification&) {
                                               if (auto self = weak.lock())
                                                 self->sessionDidBecomeActive();
                                             }));
}

void DZLAppController::triggerBridgeDidChangeSnapshot(VGXTriggerBridge& /*bridge*/) {
  syncActivationWithSnapshot();
}

void DZLAppController::syncActivationWithSnapshot() {
  // Read once: a user's stop is cleared below when the assertion goes, and
  // the session-ended notice must still see that it was the user's.
  const bool suppressQuit = suppressQuitOnExpiration_;
  const bool hold = triggerBridge_->isAwake() && !workspaceSessionIsInactive_;
  const bool held = sleepWakeTimer_->isScheduled();
  const bool displaySleep = DZLKeys::dzl_shouldAllowDisplaySleep(defaults_);
  const auto fireDate = triggerBridge_->manualFireDate();
  const bool endedByItself =
      previousManualFireDate_ && !fireDate && *previousManualFireDate_ - now() <= 0;

  sleepWakeTimer_->setReason(triggerBridge_->assertionReason());

  bool becameActive = false;
  bool becameInactive = false;
  if (hold) {
    if (held && displaySleep != allowDisplaySleepWhenScheduled_) {
      sleepWakeTimer_->invalidate();
      activateAssertion();
    } else if (!held) {
      activateAssertion();
    }
    becameActive = !previousIsAwake_;
  } else {
    if (held) {
      sleepWakeTimer_->invalidate();
      const bool quit =
          endedByItself && !suppressQuit && DZLKeys::dzl_isQuitOnTimerExpirationEnabled(defaults_);
      suppressQuitOnExpiration_ = false;
      if (quit) {
        log_.log("The timed session ended; quitting as the settings ask.");
        if (environment_.terminate) environment_.terminate();
        return;
      }
    }
    becameInactive = previousIsAwake_;
  }
  previousIsAwake_ = hold;
  previousManualFireDate_ = fireDate;

  applyStatusItemImageForActive(hold);
  if (environment_.protectionVerifier) environment_.protectionVerifier->inputsDidChange();

  if (endedByItself && !suppressQuit) {
    if (environment_.sessionNotifications)
      environment_.sessionNotifications->postTimedSessionEnded();
    return;
  }
  if (!defaults_.boolValue(kVGXNotifyOnAwakeStateChangeKey).value_or(false)) return;
  if (becameActive) {
    postActivationNotification(true, fireDate);
  } else if (becameInactive && !triggerBridge_->isHeatBlocked()) {
    postActivationNotification(false, std::nullopt);
  }
}

void DZLAppController::activateAssertion() {
  allowDisplaySleepWhenScheduled_ = DZLKeys::dzl_shouldAllowDisplaySleep(defaults_);
  sleepWakeTimer_->scheduleWithTimeInterval(0, [](bool) {});
}

void DZLAppController::sleepWakeTimerWillActivateWithTimeInterval(DZLSleepWakeTimer& /*timer*/,
                                                                  double /*interval*/) {
  applyStatusItemImageForActive(true);
}

void DZLAppController::sleepWakeTimerDidDeactivate(DZLSleepWakeTimer& timer) {
  if (timer.isScheduled()) return;
  applyStatusItemImageForActive(triggerBridge_->isAwake() && !workspaceSessionIsInactive_);
}

void DZLAppController::applyStatusItemImageForActive(bool /*active*/) {
  // The status item is not built yet: nothing on screen follows the state.
}

void DZLAppController::postActivationNotification(bool /*activating*/,
                                                  std::optional<platform::Date> /*fireDate*/) {
  // The start and stop notices to the user come with the desktop notices.
}

void DZLAppController::stopForUser() {
  suppressQuitOnExpiration_ = true;
  triggerBridge_->stopKeepingAwake();
}

void DZLAppController::toggleKeepAwake() {
  if (triggerBridge_->isAwake()) {
    stopForUser();
  } else {
    startManualSessionUsingDefaultDuration();
  }
}

void DZLAppController::startKeepAwakeFromHeader() { startManualSessionUsingDefaultDuration(); }

void DZLAppController::stopKeepAwakeFromHeader() { stopForUser(); }

void DZLAppController::extendFifteenMinutes() {
  const auto fireDate = triggerBridge_->manualFireDate();
  const double left = fireDate ? std::max(0.0, *fireDate - now()) : 0.0;
  lastManualTimeInterval_ = VGXTriggerBridge::kFifteenMinutes + left;
  triggerBridge_->extendManualSessionBy(VGXTriggerBridge::kFifteenMinutes);
}

void DZLAppController::toggleAllowDisplaySleep() {
  if (!VGXPolicyGate::canWriteKey(defaults_, kDZLAllowDisplaySleepKey)) return;
  DZLKeys::setDzl_allowDisplaySleep(defaults_, !DZLKeys::dzl_shouldAllowDisplaySleep(defaults_));
  syncActivationWithSnapshot();
}

void DZLAppController::editTriggers() {
  if (environment_.showSettingsPane) {
    environment_.showSettingsPane("triggers");
  } else {
    log_.log("No settings window to show the triggers pane in.");
  }
}

void DZLAppController::checkHealth() {
  platform::DispatchQueue::main().async([weak = weak_from_this()] {
    auto self = weak.lock();
    if (!self) return;
    std::shared_ptr<VGXProtectionVerifier> verifier;
    if (auto* shown = self->environment_.protectionVerifier)
      verifier = shown->weak_from_this().lock();
    auto window = self->environment_.ensureSettingsWindow
                      ? self->environment_.ensureSettingsWindow()
                      : nullptr;
    if (window) {
      VGXHealthPresenter::presentOnWindow(window, verifier);
    } else {
      VGXHealthPresenter::presentInOwnWindow(verifier);
    }
  });
}

void DZLAppController::startManualSessionUsingDefaultDuration() {
  const double seconds = DZLKeys::dzl_defaultTimeInterval(defaults_);
  if (seconds > 0) {
    lastManualTimeInterval_ = seconds;
    triggerBridge_->keepAwakeForDuration(seconds);
  } else {
    lastManualTimeInterval_ = 0;
    triggerBridge_->keepAwakeIndefinitely();
  }
}

void DZLAppController::sessionDidResignActive() {
  if (!DZLKeys::dzl_isDeactivateOnUserSwitchEnabled(defaults_)) return;
  workspaceSessionIsInactive_ = true;
  suppressQuitOnExpiration_ = sleepWakeTimer_->isScheduled();
  triggerBridge_->endManualSession();
  syncActivationWithSnapshot();
}

void DZLAppController::sessionDidBecomeActive() {
  workspaceSessionIsInactive_ = false;
  triggerBridge_->handleWakeOrClockChange();
  syncActivationWithSnapshot();
}

}  // namespace vigilix
