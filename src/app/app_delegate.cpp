#include "app/app_delegate.h"

#include "core/dzl_app_updater.h"
#include "core/dzl_launch_at_login.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/system/login_item.h"
#include "platform/ui/application.h"

namespace vigilix {

DZLAppDelegate::DZLAppDelegate(platform::UserDefaults& defaults, platform::Date launchDate)
    : defaults_(defaults), launchDate_(launchDate) {}

bool DZLAppDelegate::didShowWelcome() const {
  return defaults_.boolValue(kDZLDidShowWelcomeKey).value_or(false);
}

void DZLAppDelegate::applicationDidFinishLaunching() {
  // Starts the updater, which leaves updates to the package manager and
  // logs the feed chosen.
  DZLAppUpdater::defaultAppUpdater();
  DZLLaunchAtLogin::dzl_migrateLaunchAtLoginToAppServiceIfNeeded(platform::LoginItem::current(),
                                                                 defaults_);
  if (!didShowWelcome()) showSettingsWindowSelectingGeneral(true);
}

bool DZLAppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
  if (launchDate_ + kReopenGraceSeconds < platform::Clock::current().now()) {
    showSettingsWindow();
  } else if (!hasVisibleWindows && !didShowWelcome()) {
    showSettingsWindowSelectingGeneral(true);
  }
  return false;
}

void DZLAppDelegate::showSettingsWindow() { showSettingsWindowSelectingGeneral(false); }

void DZLAppDelegate::showSettingsWindowSelectingGeneral(bool selectGeneral) {
  if (!settingsWindow_ && factory_) settingsWindow_ = factory_();
  if (!settingsWindow_) {
    log_.log("The settings window{} was asked for; this build has none, so nothing opens.",
             selectGeneral ? " (General pane)" : "");
    return;
  }
  platform::Application::shared().activate();
  if (selectGeneral) settingsWindow_->selectGeneralPane();
  settingsWindow_->makeKeyAndOrderFront();
}

void DZLAppDelegate::showSettingsPane(const std::string& identifier) {
  showSettingsWindow();
  platform::NotificationCenter::defaultCenter().post(kVGXSelectSettingsPaneNotification, nullptr,
                                                     {{"identifier", identifier}});
}

}  // namespace vigilix
