#include "testing/fake_user_notifications.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace vigilix::testing {

FakeUserNotificationCenter::FakeUserNotificationCenter()
    : previous_(platform::UserNotificationCenter::setCurrent(this)) {}

FakeUserNotificationCenter::~FakeUserNotificationCenter() {
  platform::UserNotificationCenter::setCurrent(previous_);
}

void FakeUserNotificationCenter::setNotificationCategories(
    std::vector<platform::NotificationCategory> categories) {
  categories_ = std::move(categories);
  ++categoryRegistrations_;
}

void FakeUserNotificationCenter::addRequest(const platform::NotificationRequest& request,
                                            platform::AddRequestCompletion completion) {
  requests_.push_back(request);
  if (!addFailure) {
    std::erase(delivered_, request.identifier);
    delivered_.push_back(request.identifier);
  }
  if (completion) completion(addFailure);
}

void FakeUserNotificationCenter::requestAuthorization(
    platform::AuthorizationCompletion completion) {
  ++authorizationRequests_;
  if (completion) {
    completion(authorizationStatus == platform::AuthorizationStatus::authorized,
               authorizationError);
  }
}

void FakeUserNotificationCenter::getAuthorizationStatus(platform::SettingsCompletion completion) {
  if (completion) completion(authorizationStatus);
}

void FakeUserNotificationCenter::removeDeliveredNotifications(
    const std::vector<std::string>& identifiers) {
  for (const auto& identifier : identifiers) std::erase(delivered_, identifier);
}

void FakeUserNotificationCenter::removeAllDeliveredNotifications() { delivered_.clear(); }

std::vector<std::string> FakeUserNotificationCenter::delivered() const { return delivered_; }

std::shared_ptr<platform::UserNotificationCenterDelegate> FakeUserNotificationCenter::delegate()
    const {
  return delegate_.lock();
}

void FakeUserNotificationCenter::setDelegate(
    std::weak_ptr<platform::UserNotificationCenterDelegate> delegate) {
  delegate_ = std::move(delegate);
}

std::optional<bool> FakeUserNotificationCenter::respond(const std::string& actionIdentifier,
                                                        const std::string& requestIdentifier) {
  const auto target = delegate_.lock();
  if (!target) return std::nullopt;
  // Shared, since a delegate may keep the completion past this call.
  auto completed = std::make_shared<bool>(false);
  target->didReceiveResponse({actionIdentifier, requestIdentifier},
                             [completed] { *completed = true; });
  return *completed;
}

}  // namespace vigilix::testing
