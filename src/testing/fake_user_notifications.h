#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/usernotifications/user_notification_center.h"

namespace vigilix::testing {

// The user-notification centre of a test, installed as the current one while
// it lives. Records what the code registers and shows, and plays the user's
// answers to the delegate.
class FakeUserNotificationCenter final : public platform::UserNotificationCenter {
 public:
  FakeUserNotificationCenter();
  ~FakeUserNotificationCenter() override;
  FakeUserNotificationCenter(const FakeUserNotificationCenter&) = delete;
  FakeUserNotificationCenter& operator=(const FakeUserNotificationCenter&) = delete;

  using platform::UserNotificationCenter::addRequest;
  void setNotificationCategories(std::vector<platform::NotificationCategory> categories) override;
  // Completes at once, with `addFailure` when set.
  void addRequest(const platform::NotificationRequest& request,
                  platform::AddRequestCompletion completion) override;
  // Answers at once: granted when the status is authorized, or the error set.
  void requestAuthorization(platform::AuthorizationCompletion completion) override;
  void getAuthorizationStatus(platform::SettingsCompletion completion) override;
  void removeDeliveredNotifications(const std::vector<std::string>& identifiers) override;
  void removePendingNotificationRequests(const std::vector<std::string>&) override {}
  void removeAllDeliveredNotifications() override;
  std::shared_ptr<platform::UserNotificationCenterDelegate> delegate() const override;
  void setDelegate(std::weak_ptr<platform::UserNotificationCenterDelegate> delegate) override;

  const std::vector<platform::NotificationCategory>& categories() const { return categories_; }
  std::size_t categoryRegistrations() const { return categoryRegistrations_; }
  // Every request shown, oldest first.
  const std::vector<platform::NotificationRequest>& requests() const { return requests_; }
  void clearRequests() { requests_.clear(); }
  // The identifiers shown and not removed since, oldest first.
  std::vector<std::string> delivered() const;

  platform::AuthorizationStatus authorizationStatus = platform::AuthorizationStatus::authorized;
  platform::NotificationError authorizationError;
  platform::NotificationError addFailure;
  std::size_t authorizationRequests() const { return authorizationRequests_; }

  // The user answers a notice. None when no delegate is set; otherwise
  // whether the delegate called its completion before returning.
  std::optional<bool> respond(const std::string& actionIdentifier,
                              const std::string& requestIdentifier);

 private:
  std::vector<platform::NotificationCategory> categories_;
  std::size_t categoryRegistrations_ = 0;
  std::vector<platform::NotificationRequest> requests_;
  std::vector<std::string> delivered_;
  std::size_t authorizationRequests_ = 0;
  std::weak_ptr<platform::UserNotificationCenterDelegate> delegate_;
  platform::UserNotificationCenter* previous_;
};

}  // namespace vigilix::testing
