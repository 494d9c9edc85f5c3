#pragma once

#include <functional>
#include <memory>

#include "menubar/dzl_user_notification.h"
#include "platform/usernotifications/user_notification_center.h"

namespace vigilix {

// The answer to a request for authorisation, as its completion gets it.
enum class DZLNotificationAuthorization : int { notGranted = 0, granted = 1, failed = 2 };

using DZLAuthorizationCompletion =
    std::function<void(DZLNotificationAuthorization result, const platform::NotificationError&)>;

// The application's way to the desktop's notices: authorisation, posting and
// clearing. Main thread. Failures are logged ("UserNotifications"), never
// thrown; with authorisation denied a post shows nothing.
class DZLUserNotificationCenter {
 public:
  explicit DZLUserNotificationCenter(platform::UserNotificationCenter& center);

  // Over the platform's current centre, made on first use.
  static DZLUserNotificationCenter& sharedCenter();

  platform::UserNotificationCenter& center() const { return center_; }

  // The completion, when given, runs later on the main queue.
  void requestAuthorizationWithCompletion(DZLAuthorizationCompletion completion);
  // Requests (without completion) only while no answer was ever had.
  void requestAuthorizationIfUndetermined();
  void clearAllDeliveredNotifications();
  // Shown at once under the notification's identifier.
  void postNotification(const DZLUserNotification& notification);

 private:
  platform::UserNotificationCenter& center_;
};

}  // namespace vigilix
