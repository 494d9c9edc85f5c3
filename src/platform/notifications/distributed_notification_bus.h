#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/observer_registry.h"
#include "platform/notifications/notification_center.h"

namespace vigilix::platform {

// A medium for system-wide notifications inside one process: every centre
// attached to the same bus (one per simulated process) receives what any of
// them posts, its own posts included, on the main queue.
class DistributedNotificationBus {
 public:
  class Inbox;

  DistributedNotificationBus() = default;
  DistributedNotificationBus(const DistributedNotificationBus&) = delete;
  DistributedNotificationBus& operator=(const DistributedNotificationBus&) = delete;

  void attach(const std::shared_ptr<Inbox>& inbox);
  void broadcast(const std::string& name, const std::optional<std::string>& object);

  // The bus that `DistributedNotificationCenter::current()` uses by default.
  static std::shared_ptr<DistributedNotificationBus> processWide();

 private:
  std::mutex mutex_;
  std::vector<std::weak_ptr<Inbox>> inboxes_;
};

// One process's centre on a bus.
class BusNotificationCenter final : public DistributedNotificationCenter {
 public:
  explicit BusNotificationCenter(std::shared_ptr<DistributedNotificationBus> bus);

  void post(const std::string& name, const std::optional<std::string>& object) override;
  [[nodiscard]] ObserverHandle addObserver(const std::string& name, Handler handler) override;

  const std::shared_ptr<DistributedNotificationBus>& bus() const { return bus_; }

 private:
  std::shared_ptr<DistributedNotificationBus> bus_;
  std::shared_ptr<DistributedNotificationBus::Inbox> inbox_;
};

}  // namespace vigilix::platform
