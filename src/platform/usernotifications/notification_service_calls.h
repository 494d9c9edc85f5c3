#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/product.h"
#include "platform/dbus/bus_arguments.h"
#include "platform/usernotifications/user_notification_center.h"

namespace vigilix::platform {

// The desktop's notification service on the session bus
// (org.freedesktop.Notifications), as this application speaks to it.
inline constexpr const char* kNotificationService = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationServicePath = "/org/freedesktop/Notifications";
inline constexpr const char* kNotificationServiceInterface = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationApplicationName = "Vigilix";
// The basename of our desktop entry: the service takes the icon, the name and
// the user's settings for our notices from it.
inline constexpr const char* kNotificationDesktopEntry = kProductIdentifier;

// Why the service closed a notice (NotificationClosed's reason).
enum class NotificationCloseReason : std::uint32_t {
  expired = 1,
  dismissed = 2,
  closedByCall = 3,
  other = 4,
};

// What GetCapabilities offers that changes what we send.
struct NotificationServiceCapabilities {
  bool actions = false;     // buttons
  bool bodyMarkup = false;  // the body is read as markup
  bool operator==(const NotificationServiceCapabilities&) const = default;
};

// The arguments of Notify that depend on the request; the others are fixed
// (our name, no icon of our own, the service's expiry).
struct NotifyArguments {
  std::uint32_t replacesId = 0;
  std::string summary;
  std::string body;
  // Identifier and title in turn.
  std::vector<std::string> actions;
  std::uint8_t urgency = 1;
  bool operator==(const NotifyArguments&) const = default;
};

// What to send for `request`: the buttons of its category where the service
// shows buttons, the subtitle as the first line of the body, the body escaped
// where it is markup, and every text made valid UTF-8 (bad bytes read as
// U+FFFD, since the bus refuses them).
NotifyArguments notifyArguments(const NotificationRequest& request,
                                const std::vector<NotificationCategory>& categories,
                                const NotificationServiceCapabilities& capabilities,
                                std::uint32_t replacesId);
// Writes Notify's arguments with the desktop-entry and urgency hints.
void writeNotify(BusArgumentWriter& out, const NotifyArguments& arguments);
// None when the reply is not a list of texts.
std::optional<NotificationServiceCapabilities> readCapabilities(BusArgumentReader reply);
// The rule for the service's signal `member` (every sender: filter on ids).
std::string notificationSignalRule(const char* member);

}  // namespace vigilix::platform
