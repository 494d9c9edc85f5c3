#include "testing/fake_user_notifications.h"

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

void FakeUserNotificationCenter::addRequest(const platform::NotificationRequest& request) {
  requests_.push_back(request);
}

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
