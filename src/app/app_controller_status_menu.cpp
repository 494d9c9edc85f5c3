#include <string>
#include <variant>

#include "app/app_controller.h"
#include "menubar/menu_bar_countdown_text.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "platform/ui/application.h"
#include "platform/ui/window_rendering.h"
#include "statusmenu/status_menu.h"

namespace vigilix {

using platform::onMain;
using platform::weakly;

namespace {

constexpr double kMenuRefreshInterval = 60.0;
constexpr const char* kShowTimeLeftInMenuBarKey = "run.tarvo.vigilix.ShowTimeLeftInMenuBar";

}  // namespace

void DZLAppController::configureStatusItem() {
  menuController_ = DZLActivationDurationsMenuController::create();
  menuController_->setDelegate(weak_from_this());
  menu_ = std::make_shared<platform::Menu>();
  menu_->setAutoenablesItems(false);
  menuHeaderView_ = VGXMenuHeaderView::create(platform::Rect{});
  if (!environment_.trayConnection) return;
  auto made = DZLStatusItemController::create(*environment_.trayConnection, menu_,
                                              weakly(this, [](DZLAppController& self) {
                                                self.menuNeedsUpdate();
                                                self.menuWillOpen();
                                              }));
  if (!made) {
    log_.error("The status item could not be served: {}", made.error().description());
    return;
  }
  statusItemController_ = std::move(*made);
  statusItemController_->setPrimaryAction(
      weakly(this, [](DZLAppController& self) { self.toggleKeepAwake(); }));
  statusItemController_->setMenuDidClose(
      weakly(this, [](DZLAppController& self) { self.menuDidClose(); }));
  // A host may show the menu from the layout it read before, so it is
  // complete from the start.
  menuNeedsUpdate();
}

void DZLAppController::applyStatusItemImageForActive(bool active) {
  if (statusItemController_)
    statusItemController_->applyImage(VGXStatusMenu::hasAttention(), active);
}

void DZLAppController::menuDidChange() {
  if (statusItemController_) statusItemController_->menuDidChange();
}

void DZLAppController::menuNeedsUpdate() {
  triggerBridge_->reloadConfiguration();
  rebuildMenu();
}

void DZLAppController::menuWillOpen() {
  menuIsOpen_ = true;
  if (menuRefreshTimer_) menuRefreshTimer_->invalidate();
  menuRefreshTimer_ =
      platform::RunLoop::main().scheduleTimer(kMenuRefreshInterval, true,
                                              weakly(this,
                                                     [](DZLAppController& self) {
                                                       self.triggerBridge_->tickNow();
                                                       self.refreshOpenMenuIfNeeded();
                                                     }),
                                              platform::RunLoopMode::Common);
}

void DZLAppController::menuDidClose() {
  menuIsOpen_ = false;
  if (menuRefreshTimer_) menuRefreshTimer_->invalidate();
  menuRefreshTimer_.reset();
}

void DZLAppController::popUpStatusMenu() {
  menuNeedsUpdate();
  menuWillOpen();
  const auto at = statusItemController_ ? statusItemController_->itemPosition() : std::nullopt;
  const bool shown = platform::WindowRendering::popUpMenu(
      menu_, at, weakly(this, [](DZLAppController& self) { self.menuDidClose(); }));
  if (!shown) {
    menuDidClose();
    log_.log("The status menu cannot open here: no window can be shown.");
  }
}

void DZLAppController::rebuildMenu() {
  if (isRebuildingMenu_) return;
  isRebuildingMenu_ = true;
  lastMenuSignature_ = VGXStatusMenu::stateSignature(*triggerBridge_);
  // The durations' check marks follow the session, so they are refilled too.
  menuController_->menu()->menuWillOpen();
  VGXStatusMenu::populate(*triggerBridge_, *menu_, menuController_->menu(), menuHeaderView_,
                          weak_from_this());
  isRebuildingMenu_ = false;
  menuDidChange();
}

void DZLAppController::refreshOpenMenuIfNeeded() {
  if (!menuIsOpen_ || isRebuildingMenu_) return;
  if (VGXStatusMenu::stateSignature(*triggerBridge_) == lastMenuSignature_) {
    refreshOpenMenuStatus();
  } else {
    rebuildMenu();
  }
}

void DZLAppController::refreshOpenMenuStatus() {
  if (!menuIsOpen_) return;
  VGXStatusMenu::refreshHeader(*triggerBridge_, *menuHeaderView_, weak_from_this());
  menuDidChange();
}

void DZLAppController::updateStatusItemCountdown() {
  const auto fireDate = triggerBridge_->manualFireDate();
  std::optional<std::string> title;
  if (defaults_.boolValue(kShowTimeLeftInMenuBarKey).value_or(false) && fireDate) {
    title =
        VGXMenuBarCountdownText::textWithRemaining(*fireDate - platform::Clock::current().now());
  }
  if (statusItemController_) {
    statusItemController_->setMenuBarTitle(title);
    statusItemController_->updateInteractionStrings(triggerBridge_->headerReasonLine());
  }
  armCountdownTimer();
}

void DZLAppController::armCountdownTimer() {
  if (countdownTimer_) countdownTimer_->invalidate();
  countdownTimer_.reset();
  const auto fireDate = triggerBridge_->manualFireDate();
  if (!defaults_.boolValue(kShowTimeLeftInMenuBarKey).value_or(false) || !fireDate) return;
  const auto delay = VGXMenuBarCountdownText::nextUpdateDelayWithRemaining(
      *fireDate - platform::Clock::current().now());
  if (!delay) return;
  countdownTimer_ = platform::RunLoop::main().scheduleTimer(
      *delay, false, weakly(this, [](DZLAppController& self) { self.updateStatusItemCountdown(); }),
      platform::RunLoopMode::Common);
}

void DZLAppController::checkHealth(platform::MenuItem& /*sender*/) { checkHealth(); }

void DZLAppController::dismissAttention(platform::MenuItem& /*sender*/) {
  if (environment_.protectionVerifier) environment_.protectionVerifier->dismissIncidents();
}

void DZLAppController::toggleKeepAwake(platform::MenuItem& /*sender*/) { toggleKeepAwake(); }

void DZLAppController::startKeepAwakeFromHeader(VGXMenuHeaderView& /*sender*/) {
  startKeepAwakeFromHeader();
}

void DZLAppController::stopKeepAwakeFromHeader(VGXMenuHeaderView& /*sender*/) {
  stopKeepAwakeFromHeader();
}

void DZLAppController::extendFifteenMinutes(platform::MenuItem& /*sender*/) {
  extendFifteenMinutes();
}

void DZLAppController::keepAwakeUntil(platform::MenuItem& /*sender*/) {
  triggerBridge_->presentUntilPicker();
}

void DZLAppController::watchDownload(platform::MenuItem& /*sender*/) {
  triggerBridge_->presentDownloadPanel();
}

void DZLAppController::watchApp(platform::MenuItem& sender) {
  if (const auto* pid = std::get_if<std::int32_t>(&sender.representedObject())) {
    triggerBridge_->watchAppWithProcessIdentifier(*pid);
  }
}

void DZLAppController::toggleAllowDisplaySleep(platform::MenuItem& /*sender*/) {
  toggleAllowDisplaySleep();
}

void DZLAppController::toggleAutomation(platform::MenuItem& /*sender*/) {
  triggerBridge_->setAutomationEnabled(!triggerBridge_->isAutomationEnabled());
}

void DZLAppController::pauseOrResumeTriggers(platform::MenuItem& /*sender*/) {
  triggerBridge_->pauseOrResumeTriggers();
}

void DZLAppController::editTriggers(platform::MenuItem& /*sender*/) { editTriggers(); }

void DZLAppController::showSettingsWindow(platform::MenuItem& /*sender*/) {
  // After the menu has closed, as a window opened from a menu must.
  onMain(this, [](DZLAppController& self) {
    if (self.environment_.showSettingsWindow) {
      self.environment_.showSettingsWindow();
    } else {
      self.log_.log("No settings window to show.");
    }
  });
}

void DZLAppController::showAboutVigilix(platform::MenuItem& /*sender*/) {
  platform::Application::shared().activate();
  if (environment_.showAboutPanel) {
    environment_.showAboutPanel();
  } else {
    log_.log("No About panel to show.");
  }
}

void DZLAppController::stopWatch(platform::MenuItem& sender) {
  const auto* identifier = std::get_if<std::string>(&sender.representedObject());
  if (identifier && !identifier->empty()) triggerBridge_->cancelWatchWithIDString(*identifier);
}

ManualSessionKind DZLAppController::currentManualSession() {
  return triggerBridge_->controller().manual();
}

void DZLAppController::activationDurationsMenuControllerDidSelectActivationDuration(
    DZLActivationDurationsMenuController& /*controller*/, const DZLActivationDuration& duration) {
  lastManualTimeInterval_ = duration.seconds();
  if (duration.seconds() > 0) {
    triggerBridge_->keepAwakeForDuration(duration.seconds());
  } else {
    triggerBridge_->keepAwakeIndefinitely();
  }
}

void DZLAppController::activationDurationsMenuControllerDidSelectCustomDuration(
    DZLActivationDurationsMenuController& /*controller*/) {
  triggerBridge_->presentCustomDurationPicker();
}

}  // namespace vigilix
