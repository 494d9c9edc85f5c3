#include "menubar/dzl_user_notification.h"

#include <utility>

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix {

std::string DZLDeferredText::text() const {
  if (key.empty()) return {};
  std::string format = platform::localized(key, "");
  return arguments ? platform::fillPlaceholders(format, *arguments) : format;
}

void DZLUserNotification::setLocalizedTitleWithKey(
    std::string key, std::optional<std::vector<std::string>> arguments) {
  title_ = {std::move(key), std::move(arguments)};
}

void DZLUserNotification::setLocalizedSubtitleWithKey(
    std::string key, std::optional<std::vector<std::string>> arguments) {
  subtitle_ = {std::move(key), std::move(arguments)};
}

void DZLUserNotification::setLocalizedBodyTextWithKey(
    std::string key, std::optional<std::vector<std::string>> arguments) {
  bodyText_ = {std::move(key), std::move(arguments)};
}

platform::NotificationContent DZLUserNotification::createNotificationContent() const {
  platform::NotificationContent content;
  content.title = title();
  content.subtitle = subtitle();
  content.body = bodyText();
  if (userInfo_) content.userInfo = *userInfo_;
  return content;
}

}  // namespace vigilix
