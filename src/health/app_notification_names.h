#pragma once

namespace vigilix {

// The application's own notification names on the default centre, shared by
// the menu-bar core, the hub and the settings. "run.tarvo.vigilix.PolicyDidChange"
// lives with the policy (policy/policy_observable.h).
inline constexpr const char* kVGXOpenStatusMenuNotification = "run.tarvo.vigilix.OpenStatusMenu";
inline constexpr const char* kVGXSelectSettingsPaneNotification =
    "run.tarvo.vigilix.SelectSettingsPane";
inline constexpr const char* kVGXShowWelcomeNotification = "run.tarvo.vigilix.ShowWelcome";
inline constexpr const char* kVGXAwakeStateDidChangeNotification =
    "run.tarvo.vigilix.AwakeStateDidChange";
// Posted by the hub when a watch finishes; user info "kind" ("file" or "app")
// and "name" (the display name).
inline constexpr const char* kVGXWatchFinishedNotification = "run.tarvo.vigilix.WatchFinished";

}  // namespace vigilix
