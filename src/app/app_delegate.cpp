#include "app/app_delegate.h"

#include "platform/runloop/clock.h"

namespace vigilix {

DZLAppDelegate::DZLAppDelegate(platform::UserDefaults& defaults, platform::Date launchDate)
    : defaults_(defaults), launchDate_(launchDate) {}

bool DZLAppDelegate::didShowWelcome() const {
  return defaults_.boolValue(kDZLDidShowWelcomeKey).value_or(false);
}

void DZLAppDelegate::applicationDidFinishLaunching() {
  // Updates come from the package manager and launch at login from the
  // desktop's autostart folder; neither has a step here.
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
  log_.log("The settings window{} was asked for; this build has none, so nothing opens.",
           selectGeneral ? " (General pane)" : "");
}

}  // namespace vigilix
