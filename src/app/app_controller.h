#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/dzl_event_handler.h"
#include "core/sleep_wake_timer.h"
#include "health/protection_verifier.h"
#include "health/session_notifications.h"
#include "hub/trigger_bridge.h"
#include "menubar/activation_durations_menu.h"
#include "menubar/menu_header_view.h"
#include "platform/base/date.h"
#include "platform/base/logger.h"
#include "platform/base/observer_token.h"
#include "platform/defaults/user_defaults.h"
#include "platform/power/logind_sleep_monitor.h"
#include "platform/runloop/run_loop.h"
#include "platform/system/workspace_notifications.h"
#include "platform/ui/menu.h"
#include "platform/ui/window.h"
#include "statusmenu/status_item_controller.h"
#include "statusmenu/status_menu_actions.h"

namespace vigilix {

// The workspace's notices of the user's login session being switched away
// and back.
using platform::kWorkspaceSessionDidBecomeActiveNotification;
using platform::kWorkspaceSessionDidResignActiveNotification;
// Posted by the settings when the battery threshold changed.
inline constexpr const char* kDZLBatteryCapacityThresholdDidChangeNotification =
    "DZLBatteryCapacityThresholdDidChangeNotification";

// The application's central controller: turns every state the hub publishes
// into at most one power assertion, keeps the status item and its menu
// current, carries out the menu's and the URL actions, and quits when a
// timed session ends if the user asked for that. Owns no keep-awake state of
// its own. Main thread only; owned by a shared_ptr (make() gives one), since
// the hub, the timer, the menus and the URL actions hold it weakly.
class DZLAppController : public VGXTriggerBridgeDelegate,
                         public DZLSleepWakeTimerDelegate,
                         public VGXStatusMenuActions,
                         public DZLActivationDurationsMenuControllerDelegate,
                         public std::enable_shared_from_this<DZLAppController> {
 public:
  struct Environment {
    platform::UserDefaults* defaults = nullptr;
    std::shared_ptr<VGXTriggerBridge> bridge;
    std::shared_ptr<DZLSleepWakeTimer> timer;
    std::shared_ptr<DZLEventHandler> eventHandler;
    VGXSessionNotifications* sessionNotifications = nullptr;
    // Told of every synchronisation; checks and repairs the assertion. Owned
    // by a shared_ptr, since the hub's and the menu's slots hold it weakly.
    VGXProtectionVerifier* protectionVerifier = nullptr;
    // Starts watching the machine's sleep and wake for the verifier; empty or
    // null: nothing watches them.
    std::function<std::unique_ptr<platform::LogindSleepMonitor>()> startSleepMonitor;
    // Ends the application (after the assertion was released).
    std::function<void()> terminate;
    // Opens the settings window on a pane; empty: there is none to open.
    std::function<void(const std::string& pane)> showSettingsPane;
    // Opens the settings window as it was left; empty: there is none.
    std::function<void()> showSettingsWindow;
    // The settings window, made if needed; empty or null: there is none.
    std::function<std::shared_ptr<platform::Window>()> ensureSettingsWindow;
    // The bus the status item is served on; none: the menu is built but
    // nothing shows it.
    platform::AsyncBusConnection* trayConnection = nullptr;
    // Brings up the About window; empty: there is none.
    std::function<void()> showAboutPanel;
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

  // The status menu's actions.
  void checkHealth(platform::MenuItem& sender) override;
  void dismissAttention(platform::MenuItem& sender) override;
  void toggleKeepAwake(platform::MenuItem& sender) override;
  void startKeepAwakeFromHeader(VGXMenuHeaderView& sender) override;
  void stopKeepAwakeFromHeader(VGXMenuHeaderView& sender) override;
  void extendFifteenMinutes(platform::MenuItem& sender) override;
  void keepAwakeUntil(platform::MenuItem& sender) override;
  void watchDownload(platform::MenuItem& sender) override;
  void watchApp(platform::MenuItem& sender) override;
  void toggleAllowDisplaySleep(platform::MenuItem& sender) override;
  void toggleAutomation(platform::MenuItem& sender) override;
  void pauseOrResumeTriggers(platform::MenuItem& sender) override;
  void editTriggers(platform::MenuItem& sender) override;
  void showSettingsWindow(platform::MenuItem& sender) override;
  void showAboutVigilix(platform::MenuItem& sender) override;
  void stopWatch(platform::MenuItem& sender) override;

  // The "Keep Awake For" submenu's questions and choices.
  ManualSessionKind currentManualSession() override;
  void activationDurationsMenuControllerDidSelectActivationDuration(
      DZLActivationDurationsMenuController& controller,
      const DZLActivationDuration& duration) override;
  void activationDurationsMenuControllerDidSelectCustomDuration(
      DZLActivationDurationsMenuController& controller) override;

  // The status menu's upkeep: before it opens (a host's AboutToShow) it is
  // rebuilt; while it is open, each change rebuilds it when its signature
  // differs and otherwise refreshes only the header. It is open until the
  // host reports it closed.
  void menuNeedsUpdate();
  void menuWillOpen();
  void menuDidClose();
  // The status menu as a menu of the application's own, where the tray last
  // reported the item, else at the pointer: a tray item cannot open its own.
  void popUpStatusMenu();
  void rebuildMenu();
  void refreshOpenMenuIfNeeded();
  void refreshOpenMenuStatus();
  // The countdown beside the icon (the tooltip's second line on a tray) and
  // the tooltip, with a one-shot timer for the countdown's next change.
  void updateStatusItemCountdown();

  // The rule that turns the hub's state into the power assertion.
  void syncActivationWithSnapshot();

  void sessionDidResignActive();
  void sessionDidBecomeActive();
  // Battery monitoring on; Low Power Mode monitoring as its setting says.
  void updateDeviceMonitoringFlags();

  double lastManualTimeInterval() const { return lastManualTimeInterval_; }
  bool suppressQuitOnExpiration() const { return suppressQuitOnExpiration_; }
  bool workspaceSessionIsInactive() const { return workspaceSessionIsInactive_; }
  const DZLSleepWakeTimer& sleepWakeTimer() const { return *sleepWakeTimer_; }
  VGXTriggerBridge& triggerBridge() const { return *triggerBridge_; }
  const std::shared_ptr<platform::Menu>& menu() const { return menu_; }
  const std::shared_ptr<VGXMenuHeaderView>& menuHeaderView() const { return menuHeaderView_; }
  // None when there is no tray connection or the item could not be served.
  DZLStatusItemController* statusItemController() const { return statusItemController_.get(); }
  bool menuIsOpen() const { return menuIsOpen_; }

 private:
  struct Passkey {};

 public:
  DZLAppController(Passkey, Environment environment);

 private:
  void configureEventHandler();
  void configureStatusItem();
  void configureTriggerBridge();
  void installObservers();
  void startProtectionVerifier();
  void activateAssertion();
  // Stops keep-awake for the user: the coming end is not a timed session
  // running out.
  void stopForUser();
  void handleActivateEvent(const DZLEvent& event);
  void applyStatusItemImageForActive(bool active);
  void armCountdownTimer();
  // Tells the tray host that the menu changed.
  void menuDidChange();
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
  bool menuIsOpen_ = false;
  std::optional<bool> appliedLowPowerModeMonitoring_;
  bool isRebuildingMenu_ = false;
  std::string lastMenuSignature_;
  std::shared_ptr<platform::Timer> menuRefreshTimer_;
  std::shared_ptr<platform::Timer> countdownTimer_;
  std::shared_ptr<platform::Menu> menu_;
  std::shared_ptr<VGXMenuHeaderView> menuHeaderView_;
  std::shared_ptr<DZLActivationDurationsMenuController> menuController_;
  std::unique_ptr<DZLStatusItemController> statusItemController_;
  std::vector<platform::ObserverHandle> observers_;
  std::unique_ptr<platform::LogindSleepMonitor> sleepMonitor_;
  platform::Logger log_{"AppController"};
};

}  // namespace vigilix
