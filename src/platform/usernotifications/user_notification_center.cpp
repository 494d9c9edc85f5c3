#include "platform/usernotifications/user_notification_center.h"

#include <algorithm>
#include <utility>

#include "platform/base/current_instance.h"
#include "platform/runloop/live_run_loop.h"
#include "platform/usernotifications/user_notification_log.h"

namespace vigilix::platform {

namespace {

// Lives for the whole process: a delegate may be set during static destruction.
constinit CurrentInstance<UserNotificationCenter> currentCenter{[]() -> UserNotificationCenter& {
  // On virtual time nothing reaches a real bus.
  if (&RunLoopPlatform::current() != &LivePlatform::shared()) {
    static auto* loggingCenter = new LoggingUserNotificationCenter();
    return *loggingCenter;
  }
  static auto* liveCenter = makeLiveUserNotificationCenter().release();
  return *liveCenter;
}};

}  // namespace

const Logger& userNotificationLog() {
  static const Logger logger("UserNotifications");
  return logger;
}

UserNotificationCenter& UserNotificationCenter::current() { return currentCenter.get(); }

UserNotificationCenter* UserNotificationCenter::setCurrent(UserNotificationCenter* center) {
  return currentCenter.install(center);
}

void LoggingUserNotificationCenter::setNotificationCategories(
    std::vector<NotificationCategory> categories) {
  categories_ = std::move(categories);
}

void LoggingUserNotificationCenter::addRequest(const NotificationRequest& request,
                                               AddRequestCompletion completion) {
  std::string buttons;
  const auto category = std::ranges::find(categories_, request.content.categoryIdentifier,
                                          &NotificationCategory::identifier);
  if (!request.content.categoryIdentifier.empty() && category != categories_.end()) {
    for (const auto& action : category->actions) {
      buttons += buttons.empty() ? "" : ", ";
      buttons += action.title;
    }
  }
  userNotificationLog().info("notice {} (thread {}): {} / {}{}{}", request.identifier,
                             request.content.threadIdentifier, request.content.title,
                             request.content.body, buttons.empty() ? "" : " buttons: ", buttons);
  if (completion) completion(std::nullopt);
}

void LoggingUserNotificationCenter::requestAuthorization(AuthorizationCompletion completion) {
  if (completion) completion(false, std::nullopt);
}

void LoggingUserNotificationCenter::getAuthorizationStatus(SettingsCompletion completion) {
  if (completion) completion(AuthorizationStatus::denied);
}

std::shared_ptr<UserNotificationCenterDelegate> LoggingUserNotificationCenter::delegate() const {
  return delegate_.lock();
}

void LoggingUserNotificationCenter::setDelegate(
    std::weak_ptr<UserNotificationCenterDelegate> delegate) {
  delegate_ = std::move(delegate);
}

}  // namespace vigilix::platform
