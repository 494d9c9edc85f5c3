#pragma once

#include <functional>
#include <memory>

#include "platform/ui/button.h"
#include "platform/ui/window.h"

namespace vigilix {

// Set once the user has answered the welcome.
inline constexpr const char* kDZLDidShowWelcomeKey = "run.tarvo.vigilix.DidShowWelcome";
// The autosave name of the settings window, by which others find it.
inline constexpr const char* kVGXPreferencesWindowAutosaveName = "PreferencesWindow";

// The first-run welcome: the icon, a title, where Vigilix lives, and the two
// ways out. What each button does is its owner's.
class VGXWelcomeSheet {
 public:
  static constexpr const char* kTitle = "Welcome to Vigilix";
  static constexpr const char* kText =
      "Vigilix lives in the panel. Open its menu to keep your computer awake for as long as "
      "you need.";

  VGXWelcomeSheet(std::function<void()> openMenu, std::function<void()> notNow);

  const std::shared_ptr<platform::Window>& window() const { return window_; }
  const std::shared_ptr<platform::Button>& openMenuButton() const { return openMenu_; }
  const std::shared_ptr<platform::Button>& notNowButton() const { return notNow_; }

 private:
  std::shared_ptr<platform::Window> window_;
  std::shared_ptr<platform::Button> openMenu_;
  std::shared_ptr<platform::Button> notNow_;
};

}  // namespace vigilix
