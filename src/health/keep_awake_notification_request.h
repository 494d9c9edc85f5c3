#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/usernotifications/user_notification_center.h"

namespace vigilix {

// One notice of the session notifications, before it reaches the desktop.
// `categoryIdentifier` is empty for none; `includesAdd15Minutes` is true only
// for the session-ended notice (the button itself comes from the category).
struct VGXKeepAwakeNotificationRequest {
  std::string identifier;
  std::string title;
  std::string body;
  std::string categoryIdentifier;
  std::string threadIdentifier;
  bool includesAdd15Minutes = false;

  bool operator==(const VGXKeepAwakeNotificationRequest&) const = default;
};

inline constexpr const char* kVGXSessionEndedCategory = "run.tarvo.vigilix.session-ended";
inline constexpr const char* kVGXAdd15MinutesAction = "run.tarvo.vigilix.add-15-minutes";
inline constexpr const char* kVGXHeatStoppedIdentifier = "vigilix.stop.heat";
inline constexpr const char* kVGXBatteryStoppedIdentifier = "vigilix.stop.battery";
inline constexpr const char* kVGXCapStoppedIdentifier = "vigilix.stop.cap";
inline constexpr const char* kVGXLidOpenStoppedIdentifier = "vigilix.stop.lidOpen";
inline constexpr const char* kVGXProtectionLostIdentifier = "vigilix.stop.protection";
inline constexpr const char* kVGXWatchFinishedIdentifierPrefix =
    "run.tarvo.vigilix.watch-finished.";

// Which closed-lid safety latch stopped keep-awake.
enum class ClosedLidLatchCause { heat, battery, lidCap };

// The six categories: session-ended with its "Add 15 Minutes" button, and one
// without buttons for each safety stop. Titles are localized when called.
std::vector<platform::NotificationCategory> sessionNotificationCategories();

// The builders: each gives the identifier, category, title and body of its
// notice (localized now) on the given thread.
VGXKeepAwakeNotificationRequest sessionEndedRequest(const std::string& thread);
VGXKeepAwakeNotificationRequest heatStoppedRequest(const std::string& thread);
VGXKeepAwakeNotificationRequest closedLidLatchedRequest(ClosedLidLatchCause cause,
                                                        const std::string& thread);
VGXKeepAwakeNotificationRequest lidOpenedRequest(const std::string& thread);
VGXKeepAwakeNotificationRequest protectionLostRequest(const std::string& thread);
// `stillAwakeReason`: the reason text while the computer is still kept awake,
// none when it may sleep again. Kind "app" reads "… quit", any other kind
// "“…” finished downloading". The name is shown as it is.
VGXKeepAwakeNotificationRequest watchFinishedRequest(
    const std::string& kind, const std::string& name,
    const std::optional<std::string>& stillAwakeReason, const std::string& thread);

// The desktop's form of a notice: shown now, interrupting at the active level.
platform::NotificationRequest toNotificationRequest(const VGXKeepAwakeNotificationRequest& request);

}  // namespace vigilix
