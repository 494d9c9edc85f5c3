#include "app/app_controller.h"

#include <cstdint>

#include "core/device.h"
#include "core/dzl_keys.h"
#include "health/app_notification_names.h"
#include "health/direct_availability.h"
#include "health/health_presenter.h"
#include "menubar/dzl_activation_user_notification.h"
#include "menubar/dzl_user_notification_center.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "policy/policy_gate.h"
#include "statusmenu/status_menu.h"

namespace vigilix {

using platform::onMain;
using platform::weakly;

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
      .startSleepMonitor =
          [] {
            auto monitor =
                std::make_unique<platform::LogindSleepMonitor>(platform::DispatchQueue::main());
            // It says why in the log; the verifier's other checks go on without it.
            return monitor->start() ? std::move(monitor) : nullptr;
          },
      .terminate = {},
      .showSettingsPane = {},
      .showSettingsWindow = {},
      .ensureSettingsWindow = {},
      .trayConnection = nullptr,
      .showAboutPanel = {},
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
  // Notices of an earlier run are out of date.
  DZLUserNotificationCenter::sharedCenter().clearAllDeliveredNotifications();
  if (self.defaults_.boolValue(kVGXNotifyOnAwakeStateChangeKey).value_or(false)) {
    DZLUserNotificationCenter::sharedCenter().requestAuthorizationIfUndetermined();
  }
  self.configureStatusItem();
  self.configureTriggerBridge();
  self.installObservers();
  // A tray host may show the menu from the layout it read before opening
  // it, so a served menu is complete from the start.
  if (self.statusItemController_) self.rebuildMenu();
  return controller;
}

DZLAppController::~DZLAppController() {
  if (menuRefreshTimer_) menuRefreshTimer_->invalidate();
  if (countdownTimer_) countdownTimer_->invalidate();
}

void DZLAppController::configureTriggerBridge() {
  triggerBridge_->setDelegate(weak_from_this());
  previousIsAwake_ = triggerBridge_->isAwake();
  previousManualFireDate_ = triggerBridge_->manualFireDate();
  triggerBridge_->start();
  updateDeviceMonitoringFlags();
  if (DZLKeys::dzl_isActivatedOnLaunch(defaults_)) startManualSessionUsingDefaultDuration();
  syncActivationWithSnapshot();
  startProtectionVerifier();
}

void DZLAppController::startProtectionVerifier() {
  VGXProtectionVerifier* verifier = environment_.protectionVerifier;
  if (!verifier) return;
  const auto reads = [this](bool (VGXTriggerBridge::*query)() const) {
    return weakly(triggerBridge_, [query](VGXTriggerBridge& bridge) { return (bridge.*query)(); });
  };
  verifier->setHub({
      .isAwake = reads(&VGXTriggerBridge::isAwake),
      .heatBlocked = reads(&VGXTriggerBridge::isHeatBlocked),
      .batteryBlocked = reads(&VGXTriggerBridge::isBatteryBlocked),
      .lowPowerModeEnabled = reads(&VGXTriggerBridge::isLowPowerModeBlocked),
      .directAvailable = [] { return VGXDirectAvailability::isDirectBuild(); },
  });
  VGXStatusMenu::hooks() = {
      .hasAttention =
          weakly(verifier, [](VGXProtectionVerifier& shown) { return shown.hasAttention(); }),
      .attentionLine = weakly(verifier,
                              [](VGXProtectionVerifier& shown) -> std::optional<std::string> {
                                return shown.reasonLine();
                              }),
  };

  verifier->startWithExpectedTypes(
      weakly(this,
             [](DZLAppController& self) { return self.sleepWakeTimer_->expectedAssertionTypes(); }),
      weakly(this, [](DZLAppController& self) { return self.sleepWakeTimer_->repair(); }),
      weakly(this, [](DZLAppController& self) {
        self.syncActivationWithSnapshot();
        self.refreshOpenMenuIfNeeded();
      }));
  // Will-sleep must reach the verifier before the machine sleeps.
  if (environment_.startSleepMonitor && !sleepMonitor_) {
    sleepMonitor_ = environment_.startSleepMonitor();
  }
}

void DZLAppController::installObservers() {
  auto& workspace = platform::NotificationCenter::workspaceCenter();
  auto* main = &platform::DispatchQueue::main();
  observers_.push_back(workspace.addObserver(
      kWorkspaceSessionDidResignActiveNotification, nullptr, main,
      weakly(this, [](DZLAppController& self) { self.sessionDidResignActive(); })));
  observers_.push_back(workspace.addObserver(
      kWorkspaceSessionDidBecomeActiveNotification, nullptr, main,
      weakly(this, [](DZLAppController& self) { self.sessionDidBecomeActive(); })));
  auto& center = platform::NotificationCenter::defaultCenter();
  observers_.push_back(center.addObserver(
      kDZLDeviceParameterDidChangeNotification, &DZLDevice::currentDevice(), main,
      weakly(this, [](DZLAppController& self) { self.triggerBridge_->reloadConfiguration(); })));
  observers_.push_back(center.addObserver(kDZLBatteryCapacityThresholdDidChangeNotification,
                                          nullptr, main, weakly(this, [](DZLAppController& self) {
                                            self.updateDeviceMonitoringFlags();
                                            self.triggerBridge_->reloadConfiguration();
                                          })));
  observers_.push_back(
      center.addObserver(kVGXOpenStatusMenuNotification, nullptr, main,
                         weakly(this, [](DZLAppController& self) { self.popUpStatusMenu(); })));
  // The countdown is right again after a sleep or a change of its setting.
  const auto updateCountdown =
      weakly(this, [](DZLAppController& self) { self.updateStatusItemCountdown(); });
  observers_.push_back(
      workspace.addObserver("NSWorkspaceDidWakeNotification", nullptr, main, updateCountdown));
  observers_.push_back(center.addObserver(platform::kUserDefaultsDidChangeNotification, nullptr,
                                          main, updateCountdown));
}

void DZLAppController::triggerBridgeDidChangeSnapshot(VGXTriggerBridge& /*bridge*/) {
  syncActivationWithSnapshot();
  refreshOpenMenuIfNeeded();
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
    // A user's stop covers only the end it caused: one that found nothing
    // held must not swallow the next session's own end.
    suppressQuitOnExpiration_ = false;
    if (held) {
      sleepWakeTimer_->invalidate();
      const bool quit =
          endedByItself && !suppressQuit && DZLKeys::dzl_isQuitOnTimerExpirationEnabled(defaults_);
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
  updateStatusItemCountdown();
  refreshOpenMenuStatus();
  updateDeviceMonitoringFlags();

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
  updateDeviceMonitoringFlags();
}

void DZLAppController::sleepWakeTimerDidDeactivate(DZLSleepWakeTimer& timer) {
  if (timer.isScheduled()) return;
  applyStatusItemImageForActive(triggerBridge_->isAwake() && !workspaceSessionIsInactive_);
  updateDeviceMonitoringFlags();
}

void DZLAppController::updateDeviceMonitoringFlags() {
  // Every synchronisation asks; the device is told (and logs) only changes.
  const bool lowPower = DZLKeys::dzl_isLowPowerModeMonitoringEnabled(defaults_);
  if (appliedLowPowerModeMonitoring_ == lowPower) return;
  appliedLowPowerModeMonitoring_ = lowPower;
  DZLDevice& device = DZLDevice::currentDevice();
  device.setBatteryMonitoringEnabled(true);
  device.setLowPowerModeMonitoringEnabled(lowPower);
}

void DZLAppController::postActivationNotification(bool activating,
                                                  std::optional<platform::Date> fireDate) {
  DZLUserNotificationCenter::sharedCenter().postNotification(
      DZLActivationUserNotification(fireDate, activating));
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
  rebuildMenu();
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
  onMain(this, [](DZLAppController& self) {
    std::shared_ptr<VGXProtectionVerifier> verifier;
    if (auto* shown = self.environment_.protectionVerifier)
      verifier = shown->weak_from_this().lock();
    auto window =
        self.environment_.ensureSettingsWindow ? self.environment_.ensureSettingsWindow() : nullptr;
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
