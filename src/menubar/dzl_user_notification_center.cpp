#include "menubar/dzl_user_notification_center.h"

#include <utility>

#include "platform/base/shared_instances.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/usernotifications/user_notification_log.h"

namespace vigilix {

namespace {

constinit platform::SharedInstance<DZLUserNotificationCenter> sharedUserNotificationCenter{[] {
  return std::make_shared<DZLUserNotificationCenter>(platform::UserNotificationCenter::current());
}};

const platform::Logger& log() { return platform::userNotificationLog(); }

void requestAuthorization(platform::UserNotificationCenter& center,
                          DZLAuthorizationCompletion completion) {
  center.requestAuthorization(
      [completion = std::move(completion)](bool granted, const platform::NotificationError& error) {
        auto result = granted ? DZLNotificationAuthorization::granted
                              : DZLNotificationAuthorization::notGranted;
        if (error) {
          log().error("Failed to request notification access: {}", *error);
          result = DZLNotificationAuthorization::failed;
        }
        if (!completion) return;
        platform::DispatchQueue::main().async(
            [completion, result, error] { completion(result, error); });
      });
}

}  // namespace

DZLUserNotificationCenter::DZLUserNotificationCenter(platform::UserNotificationCenter& center)
    : center_(center) {}

DZLUserNotificationCenter& DZLUserNotificationCenter::sharedCenter() {
  return sharedUserNotificationCenter.get();
}

void DZLUserNotificationCenter::requestAuthorizationWithCompletion(
    DZLAuthorizationCompletion completion) {
  requestAuthorization(center_, std::move(completion));
}

void DZLUserNotificationCenter::requestAuthorizationIfUndetermined() {
  // The centre, not this object: the status may come after this is gone.
  center_.getAuthorizationStatus([&center = center_](platform::AuthorizationStatus status) {
    if (status == platform::AuthorizationStatus::notDetermined) {
      requestAuthorization(center, nullptr);
    }
  });
}

void DZLUserNotificationCenter::clearAllDeliveredNotifications() {
  center_.removeAllDeliveredNotifications();
}

void DZLUserNotificationCenter::postNotification(const DZLUserNotification& notification) {
  center_.addRequest({notification.identifier(), notification.createNotificationContent()},
                     [](const platform::NotificationError& error) {
                       if (error) log().error("Failed to add notification request. {}", *error);
                     });
}

}  // namespace vigilix
