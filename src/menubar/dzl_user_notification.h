#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/base/property_value.h"
#include "platform/usernotifications/user_notification_center.h"

namespace vigilix {

// A text looked up in the string tables when the notice is made rather than
// when it is set, then filled with its arguments (when there are any).
struct DZLDeferredText {
  std::string key;
  std::optional<std::vector<std::string>> arguments;
  std::string text() const;
  bool operator==(const DZLDeferredText&) const = default;
};

// One notice's texts, before it is handed to the desktop. Main thread.
class DZLUserNotification {
 public:
  virtual ~DZLUserNotification() = default;

  const std::string& identifier() const { return identifier_; }
  void setIdentifier(std::string identifier) { identifier_ = std::move(identifier); }
  // The texts as they read now.
  std::string title() const { return title_.text(); }
  std::string subtitle() const { return subtitle_.text(); }
  std::string bodyText() const { return bodyText_.text(); }
  const std::optional<platform::PropertyDictionary>& userInfo() const { return userInfo_; }
  void setUserInfo(std::optional<platform::PropertyDictionary> userInfo) {
    userInfo_ = std::move(userInfo);
  }

  // `arguments`: none leaves the text unfilled, so a "%" in it stays.
  void setLocalizedTitleWithKey(std::string key,
                                std::optional<std::vector<std::string>> arguments = std::nullopt);
  void setLocalizedSubtitleWithKey(
      std::string key, std::optional<std::vector<std::string>> arguments = std::nullopt);
  void setLocalizedBodyTextWithKey(
      std::string key, std::optional<std::vector<std::string>> arguments = std::nullopt);

  // Title, subtitle, body and, when present, user info, localised now.
  platform::NotificationContent createNotificationContent() const;

 private:
  std::string identifier_;
  DZLDeferredText title_;
  DZLDeferredText subtitle_;
  DZLDeferredText bodyText_;
  std::optional<platform::PropertyDictionary> userInfo_;
};

}  // namespace vigilix
