#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/base/date.h"
#include "platform/base/logger.h"
#include "platform/defaults/user_defaults.h"
#include "settings/settings_window.h"

namespace vigilix {

// The application's delegate: launch finished, reopen, and the settings
// window, made on first use by the factory and kept. Without a factory
// opening it does nothing visible and says so in the log. Main thread only.
class DZLAppDelegate {
 public:
  static constexpr double kReopenGraceSeconds = 5.0;

  DZLAppDelegate(platform::UserDefaults& defaults, platform::Date launchDate);

  // The first run opens the settings window on the General pane.
  void applicationDidFinishLaunching();
  // Another launch asked this instance to come forward. A reopen in the
  // first seconds after launch opens the window only on the first run.
  // Always false: nothing more is done.
  bool applicationShouldHandleReopen(bool hasVisibleWindows);
  void showSettingsWindow();
  void showSettingsWindowSelectingGeneral(bool selectGeneral);
  // Opens the window, then asks it for the pane by the select-pane notice.
  void showSettingsPane(const std::string& identifier);

  using SettingsWindowFactory = std::function<std::shared_ptr<DZLSettingsWindow>()>;
  void setSettingsWindowFactory(SettingsWindowFactory factory) { factory_ = std::move(factory); }
  // The window once made, else nullptr.
  const std::shared_ptr<DZLSettingsWindow>& settingsWindow() const { return settingsWindow_; }

 private:
  bool didShowWelcome() const;

  platform::UserDefaults& defaults_;
  platform::Date launchDate_;
  SettingsWindowFactory factory_;
  std::shared_ptr<DZLSettingsWindow> settingsWindow_;
  platform::Logger log_{"ApplicationSupport"};
};

}  // namespace vigilix
