#pragma once

#include <optional>
#include <string>

#include "platform/dbus/bus_connection.h"
#include "platform/notifications/notification_center.h"

namespace vigilix::platform {

// The system-wide centre of a short-lived program that only posts: each post
// leaves for the session bus before `post` returns, so the program may exit
// at once. It observes nothing: an observer added here is never called, and
// saying so in the log is all it does.
class ImmediateNotificationPoster final : public DistributedNotificationCenter {
 public:
  explicit ImmediateNotificationPoster(BusConnection connection);

  void post(const std::string& name, const std::optional<std::string>& object) override;
  [[nodiscard]] ObserverHandle addObserver(const std::string& name, Handler handler) override;

 private:
  BusConnection connection_;
};

}  // namespace vigilix::platform
