#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/property_value.h"

namespace vigilix::platform {

// A button on a notice. `identifier` comes back in the response.
struct NotificationAction {
  std::string identifier;
  std::string title;
  bool operator==(const NotificationAction&) const = default;
};

// A kind of notice and the buttons every notice of that kind shows.
struct NotificationCategory {
  std::string identifier;
  std::vector<NotificationAction> actions;
  bool operator==(const NotificationCategory&) const = default;
};

// How strongly a notice may interrupt the user.
enum class InterruptionLevel { passive, active, timeSensitive };

struct NotificationContent {
  std::string title;
  std::string body;
  // Notices with the same thread are grouped together.
  std::string threadIdentifier;
  // Empty: no category, so no buttons.
  std::string categoryIdentifier;
  InterruptionLevel interruptionLevel = InterruptionLevel::active;
  // Empty: none. The desktop has no line for it: it opens the body.
  std::string subtitle = {};
  // For this process only: it never leaves it.
  PropertyDictionary userInfo = {};
  bool operator==(const NotificationContent&) const = default;
};

// A notice to show now. A new request with the identifier of one still shown
// replaces it.
struct NotificationRequest {
  std::string identifier;
  NotificationContent content;
  bool operator==(const NotificationRequest&) const = default;
};

// A click on the notice itself, and a dismissal; any other action identifier
// is a category button's.
inline constexpr const char* kNotificationDefaultActionIdentifier = "default";
inline constexpr const char* kNotificationDismissActionIdentifier = "dismiss";

struct NotificationResponse {
  std::string actionIdentifier;
  std::string requestIdentifier;
  bool operator==(const NotificationResponse&) const = default;
};

// Whether notices can reach the user. The desktop asks no one: a notification
// service that answers is "authorized"; none that answers is "notDetermined",
// as one may start later; "denied" is where notices can never show.
enum class AuthorizationStatus { notDetermined, denied, authorized };

// Why an operation failed (a bus error's description), or none.
using NotificationError = std::optional<std::string>;
using AuthorizationCompletion = std::function<void(bool granted, const NotificationError& error)>;
using SettingsCompletion = std::function<void(AuthorizationStatus status)>;
using AddRequestCompletion = std::function<void(const NotificationError& error)>;

// Receives the user's answers to notices, on the main thread. `completion`
// must be called once the response is handled.
class UserNotificationCenterDelegate {
 public:
  virtual ~UserNotificationCenterDelegate() = default;
  virtual void didReceiveResponse(const NotificationResponse& response,
                                  std::function<void()> completion) = 0;
};

// The user-notification centre of the desktop. Main thread only, and so are
// the completions, which may run before the call returns. The centre holds
// its delegate weakly: a delegate that is gone counts as none.
class UserNotificationCenter {
 public:
  virtual ~UserNotificationCenter() = default;

  // Replaces every category registered before.
  virtual void setNotificationCategories(std::vector<NotificationCategory> categories) = 0;
  // Shows the notice now. A failure goes to `completion`; without one it is
  // logged.
  virtual void addRequest(const NotificationRequest& request, AddRequestCompletion completion) = 0;
  void addRequest(const NotificationRequest& request) { addRequest(request, nullptr); }

  // Asks whether notices may be shown; `error` when the answer could not be had.
  virtual void requestAuthorization(AuthorizationCompletion completion) = 0;
  virtual void getAuthorizationStatus(SettingsCompletion completion) = 0;

  // Takes the shown notices with these identifiers off the screen.
  virtual void removeDeliveredNotifications(const std::vector<std::string>& identifiers) = 0;
  // Drops requests with these identifiers that were not shown yet.
  virtual void removePendingNotificationRequests(const std::vector<std::string>& identifiers) = 0;
  // Every notice this process showed; those of an earlier run are out of reach.
  virtual void removeAllDeliveredNotifications() = 0;

  virtual std::shared_ptr<UserNotificationCenterDelegate> delegate() const = 0;
  virtual void setDelegate(std::weak_ptr<UserNotificationCenterDelegate> delegate) = 0;

  // The centre in force: the live one (see makeLiveUserNotificationCenter)
  // unless a test installed another; the logging one under a test platform.
  static UserNotificationCenter& current();
  // Installs a centre (nullptr: the live one again); returns the one it
  // replaced, nullptr when that was the live one.
  static UserNotificationCenter* setCurrent(UserNotificationCenter* center);
};

// The live centre where the desktop's notification service cannot be
// reached: it keeps the categories and delegate and logs each notice it
// would show; no notice reaches the desktop, no response ever arrives, and
// authorisation is denied.
class LoggingUserNotificationCenter final : public UserNotificationCenter {
 public:
  using UserNotificationCenter::addRequest;
  void setNotificationCategories(std::vector<NotificationCategory> categories) override;
  void addRequest(const NotificationRequest& request, AddRequestCompletion completion) override;
  void requestAuthorization(AuthorizationCompletion completion) override;
  void getAuthorizationStatus(SettingsCompletion completion) override;
  void removeDeliveredNotifications(const std::vector<std::string>&) override {}
  void removePendingNotificationRequests(const std::vector<std::string>&) override {}
  void removeAllDeliveredNotifications() override {}
  std::shared_ptr<UserNotificationCenterDelegate> delegate() const override;
  void setDelegate(std::weak_ptr<UserNotificationCenterDelegate> delegate) override;

 private:
  std::vector<NotificationCategory> categories_;
  std::weak_ptr<UserNotificationCenterDelegate> delegate_;
};

// The live centre: the desktop's notification service on the session bus
// when there is one, else (said in the log) the logging centre.
std::unique_ptr<UserNotificationCenter> makeLiveUserNotificationCenter();

}  // namespace vigilix::platform
