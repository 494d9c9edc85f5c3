#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbus/async_bus_connection.h"
#include "platform/usernotifications/notification_service_calls.h"
#include "platform/usernotifications/user_notification_center.h"

namespace vigilix::platform {

// The centre over the desktop's notification service on the session bus.
// Main thread only, like its connection; completions and responses run later
// on the main queue, never inside the bus's dispatch.
//
// Work goes to the service one call at a time, in order, so that a repeat of
// an identifier replaces the notice its forerunner showed (Notify's
// replaces_id) and a removal finds what was shown. Each notice first asks the
// service's capabilities, so buttons go only to a service that shows them.
// A shown notice is known by the id and the unique bus name of the service
// that showed it: signals from another sender, and ids of a service that has
// since been replaced, are ignored; a removal is sent to the service that
// showed it. No service, or calls that fail: logged (or handed to the
// completion), and the next call goes on. Notices are forgotten when the
// service closes them; a dismissal reaches the delegate as the dismiss
// action. Destroy the centre on the main thread.
class DBusUserNotificationCenter final : public UserNotificationCenter {
 public:
  explicit DBusUserNotificationCenter(std::shared_ptr<AsyncBusConnection> connection);
  ~DBusUserNotificationCenter() override;

  using UserNotificationCenter::addRequest;
  void setNotificationCategories(std::vector<NotificationCategory> categories) override;
  void addRequest(const NotificationRequest& request, AddRequestCompletion completion) override;
  void requestAuthorization(AuthorizationCompletion completion) override;
  void getAuthorizationStatus(SettingsCompletion completion) override;
  void removeDeliveredNotifications(const std::vector<std::string>& identifiers) override;
  void removePendingNotificationRequests(const std::vector<std::string>& identifiers) override;
  void removeAllDeliveredNotifications() override;
  std::shared_ptr<UserNotificationCenterDelegate> delegate() const override;
  void setDelegate(std::weak_ptr<UserNotificationCenterDelegate> delegate) override;

  // Identifiers of the notices on screen now, for the log and for tests.
  std::vector<std::string> shownIdentifiers() const;

 private:
  struct Shown {
    std::string service;  // unique bus name
    std::uint32_t id = 0;
    bool answered = false;  // an action was invoked on it
  };
  struct Work;

  void enqueue(Work work);
  void runNext();
  void finish();
  void askCapabilities(std::function<void(const BusReply&)> then);
  void post(const Work& work, const BusReply& capabilities);
  void failPost(const Work& work, const BusError& error);
  void close(const std::string& identifier);
  void actionInvoked(BusArgumentReader& signal);
  void notificationClosed(BusArgumentReader& signal);
  const std::string* identifierOf(const std::string& service, std::uint32_t id) const;
  void respond(NotificationResponse response);

  std::shared_ptr<AsyncBusConnection> connection_;
  std::vector<NotificationCategory> categories_;
  std::weak_ptr<UserNotificationCenterDelegate> delegate_;
  std::map<std::string, Shown> shown_;
  std::deque<Work> queue_;
  bool busy_ = false;
  BusSlot call_;
  BusSlot actionMatch_;
  BusSlot closedMatch_;
};

}  // namespace vigilix::platform
