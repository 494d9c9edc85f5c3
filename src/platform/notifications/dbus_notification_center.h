#pragma once

#include <expected>
#include <memory>
#include <optional>
#include <string>

#include "platform/dbus/async_bus_connection.h"
#include "platform/notifications/notification_center.h"

namespace vigilix::platform {

// The system-wide centre on the session bus (see posted_signal.h for the
// mapping); its own posts come back to it like anyone's. Each observer is one
// match, so the bus only wakes this process for names it observes. Any thread
// may post or observe: the work moves to the main thread, where the
// connection lives; handlers run on the main queue. A post that cannot be
// sent (the bus gone, a text that is not UTF-8) is logged and dropped.
// Destroy the centre on the main thread.
class DBusNotificationCenter final : public DistributedNotificationCenter {
 public:
  explicit DBusNotificationCenter(std::shared_ptr<AsyncBusConnection> connection);
  ~DBusNotificationCenter() override;

  void post(const std::string& name, const std::optional<std::string>& object) override;
  [[nodiscard]] ObserverHandle addObserver(const std::string& name, Handler handler) override;

 private:
  struct Entry;
  class Token;

  std::shared_ptr<AsyncBusConnection> connection_;
};

// What `DistributedNotificationCenter::current()` is on the live platform
// when nothing is installed: the centre on the session bus when there is
// one, else (said in the log) one that reaches only this process. Under the
// test platform it is always the in-process one.
std::unique_ptr<DistributedNotificationCenter> makeLiveDistributedCenter();

}  // namespace vigilix::platform
