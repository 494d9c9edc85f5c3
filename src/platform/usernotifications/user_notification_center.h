#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Receives the user's answers to notices, on the main thread. `completion`
// must be called once the response is handled.
class UserNotificationCenterDelegate {
 public:
  virtual ~UserNotificationCenterDelegate() = default;
  virtual void didReceiveResponse(const NotificationResponse& response,
                                  std::function<void()> completion) = 0;
};

// The user-notification centre of the desktop. Main thread only. The centre
// holds its delegate weakly: a delegate that is gone counts as none.
class UserNotificationCenter {
 public:
  virtual ~UserNotificationCenter() = default;

  // Replaces every category registered before.
  virtual void setNotificationCategories(std::vector<NotificationCategory> categories) = 0;
  // Shows the notice now; failures are logged, never reported.
  virtual void addRequest(const NotificationRequest& request) = 0;

  virtual std::shared_ptr<UserNotificationCenterDelegate> delegate() const = 0;
  virtual void setDelegate(std::weak_ptr<UserNotificationCenterDelegate> delegate) = 0;

  // The centre in force: the logging centre unless a test installed another.
  static UserNotificationCenter& current();
  // Installs a centre (nullptr: the live one again); returns the one it
  // replaced, nullptr when that was the live one.
  static UserNotificationCenter* setCurrent(UserNotificationCenter* center);
};

// The live centre until the desktop's notification service is connected: it
// keeps the categories and delegate and logs each notice it would show; no
// notice reaches the desktop and no response ever arrives.
class LoggingUserNotificationCenter final : public UserNotificationCenter {
 public:
  void setNotificationCategories(std::vector<NotificationCategory> categories) override;
  void addRequest(const NotificationRequest& request) override;
  std::shared_ptr<UserNotificationCenterDelegate> delegate() const override;
  void setDelegate(std::weak_ptr<UserNotificationCenterDelegate> delegate) override;

 private:
  std::vector<NotificationCategory> categories_;
  std::weak_ptr<UserNotificationCenterDelegate> delegate_;
};

}  // namespace vigilix::platform
