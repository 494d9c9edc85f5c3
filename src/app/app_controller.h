#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/trigger_bridge.h"
#include "core/dzl_event_handler.h"
#include "core/sleep_wake_timer.h"
#include "health/protection_verifier.h"
#include "health/session_notifications.h"
#include "platform/base/date.h"
#include "platform/base/logger.h"
#include "platform/base/observer_token.h"
#include "platform/defaults/user_defaults.h"
#include "platform/ui/window.h"

namespace vigilix {

// The workspace's notices of the user's login session being switched away
// and back.
inline constexpr const char* kWorkspaceSessionDidResignActiveNotification =
    "NSWorkspaceSessionDidResignActiveNotification";
inline constexpr const char* kWorkspaceSessionDidBecomeActiveNotification =
    "NSWorkspaceSessionDidBecomeActiveNotification";

// The application's central controller: turns every state the hub publishes
// into at most one power assertion, carries out the user's actions and the
// URL actions, and quits when a timed session ends if the user asked for
// that. Owns no keep-awake state of its own. Main thread only; owned by a
// shared_ptr (make() gives one), since the hub, the timer and the URL
// actions hold it weakly.
class DZLAppController : public VGXTriggerBridgeDelegate,
                         public DZLSleepWakeTimerDelegate,
                         public std::enable_shared_from_this<DZLAppController> {
 public:
  struct Environment {
    platform::UserDefaults* defaults = nullptr;
    std::shared_ptr<VGXTriggerBridge> bridge;
    std::shared_ptr<DZLSleepWakeTimer> timer;
    std::shared_ptr<DZLEventHandler> eventHandler;
    VGXSessionNotifications* sessionNotifications = nullptr;
    // Told of every synchronisation; checks and repairs the assertion.
    VGXProtectionVerifier* protectionVerifier = nullptr;
    // Ends the application (after the assertion was released).
    std::function<void()> terminate;
    // Opens the settings window on a pane; empty: there is none to open.
    std::function<void(const std::string& pane)> showSettingsPane;
    // The settings window, made if needed; empty or null: there is none.
    std::function<std::shared_ptr<platform::Window>()> ensureSettingsWindow;
    // The shared instances of the process, the live termination.
    static Environment current();
  };

  // Registers the controller's defaults, makes the timer, registers the URL
  // actions, becomes the hub's delegate, starts the hub and synchronises.
  static std::shared_ptr<DZLAppController> make(Environment environment);
  ~DZLAppController() override;
  DZLAppController(const DZLAppController&) = delete;
  DZLAppController& operator=(const DZLAppController&) = delete;

  void triggerBridgeDidChangeSnapshot(VGXTriggerBridge& bridge) override;
  void sleepWakeTimerWillActivateWithTimeInterval(DZLSleepWakeTimer& timer,
                                                  double interval) override;
  void sleepWakeTimerDidDeactivate(DZLSleepWakeTimer& timer) override;

  // The user's actions.
  void toggleKeepAwake();
  void startKeepAwakeFromHeader();
  void stopKeepAwakeFromHeader();
  void extendFifteenMinutes();
  // Flips "run.tarvo.vigilix.AllowDisplaySleep" unless it is forced, which
  // re-creates a held assertion with the other type.
  void toggleAllowDisplaySleep();
  void editTriggers();
  // On the next main-queue turn: the health check as a sheet on the
  // settings window, or in a window of its own while there is none.
  void checkHealth();
  void startManualSessionUsingDefaultDuration();

  // The rule that turns the hub's state into the power assertion.
  void syncActivationWithSnapshot();

  void sessionDidResignActive();
  void sessionDidBecomeActive();

  double lastManualTimeInterval() const { return lastManualTimeInterval_; }
  bool suppressQuitOnExpiration() const { return suppressQuitOnExpiration_; }
  bool workspaceSessionIsInactive() const { return workspaceSessionIsInactive_; }
  const DZLSleepWakeTimer& sleepWakeTimer() const { return *sleepWakeTimer_; }
  VGXTriggerBridge& triggerBridge() const { return *triggerBridge_; }

 private:
  struct Passkey {};

 public:
  DZLAppController(Passkey, Environment environment);

 private:
  void configureEventHandler();
  void configureTriggerBridge();
  void installObservers();
  void startProtectionVerifier();
  void activateAssertion();
  // Stops keep-awake for the user: the coming end is not a timed session
  // running out.
  void stopForUser();
  void handleActivateEvent(const DZLEvent& event);
  // Parts of the interface that other work provides; each is empty until
  // that work lands.
  void applyStatusItemImageForActive(bool active);
  void postActivationNotification(bool activating, std::optional<platform::Date> fireDate);

  Environment environment_;
  platform::UserDefaults& defaults_;
  std::shared_ptr<VGXTriggerBridge> triggerBridge_;
  std::shared_ptr<DZLSleepWakeTimer> sleepWakeTimer_;
  bool previousIsAwake_ = false;
  bool allowDisplaySleepWhenScheduled_ = false;
  bool suppressQuitOnExpiration_ = false;
  bool workspaceSessionIsInactive_ = false;
  double lastManualTimeInterval_ = 0;
  std::optional<platform::Date> previousManualFireDate_;
  std::vector<platform::ObserverHandle> observers_;
  platform::Logger log_{"run.tarvo.vigilix", "AppController"};
};

}  // namespace vigilix
