#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/base/observer_registry.h"
#include "platform/notifications/notification_center.h"

namespace vigilix::platform {

// The in-process centre behind `defaultCenter()` and `workspaceCenter()`;
// tests may also build their own. Thread-safe. Destroying a token stops
// every delivery that has not begun; a handler already running on another
// thread finishes.
class LocalNotificationCenter final : public NotificationCenter {
 public:
  using NotificationCenter::post;

  void post(const Notification& notification) override;
  [[nodiscard]] ObserverHandle addObserver(const std::string& name, const void* object,
                                           DispatchQueue* queue, Handler handler) override;

  std::size_t observerCount() const { return registry_.size(); }

 private:
  struct Entry {
    std::string name;
    const void* object = nullptr;
    DispatchQueue* queue = nullptr;
    Handler handler;
    std::atomic<bool> alive{true};
  };

  detail::ObserverRegistry<Entry> registry_;
};

}  // namespace vigilix::platform
