#include "platform/notifications/distributed_notification_bus.h"

#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

class DistributedNotificationBus::Inbox {
 public:
  struct Entry {
    std::string name;
    DistributedNotificationCenter::Handler handler;
    std::atomic<bool> alive{true};
  };

  void deliver(const std::string& name, const std::optional<std::string>& object) {
    for (const auto& entry : registry.snapshot()) {
      if (!entry->name.empty() && entry->name != name) continue;
      DispatchQueue::main().async([entry, name, object] {
        if (entry->alive) entry->handler(name, object);
      });
    }
  }

  detail::ObserverRegistry<Entry> registry;
};

void DistributedNotificationBus::attach(const std::shared_ptr<Inbox>& inbox) {
  std::lock_guard lock(mutex_);
  std::erase_if(inboxes_, [](const std::weak_ptr<Inbox>& weak) { return weak.expired(); });
  inboxes_.push_back(inbox);
}

void DistributedNotificationBus::broadcast(const std::string& name,
                                           const std::optional<std::string>& object) {
  std::vector<std::shared_ptr<Inbox>> receivers;
  {
    std::lock_guard lock(mutex_);
    for (const auto& weak : inboxes_) {
      if (auto inbox = weak.lock()) receivers.push_back(std::move(inbox));
    }
  }
  for (const auto& inbox : receivers) inbox->deliver(name, object);
}

std::shared_ptr<DistributedNotificationBus> DistributedNotificationBus::processWide() {
  static const auto bus = std::make_shared<DistributedNotificationBus>();
  return bus;
}

BusNotificationCenter::BusNotificationCenter(std::shared_ptr<DistributedNotificationBus> bus)
    : bus_(std::move(bus)), inbox_(std::make_shared<DistributedNotificationBus::Inbox>()) {
  bus_->attach(inbox_);
}

void BusNotificationCenter::post(const std::string& name,
                                 const std::optional<std::string>& object) {
  bus_->broadcast(name, object);
}

ObserverHandle BusNotificationCenter::addObserver(const std::string& name, Handler handler) {
  auto entry = std::make_shared<DistributedNotificationBus::Inbox::Entry>();
  entry->name = name;
  entry->handler = std::move(handler);
  return inbox_->registry.add(std::move(entry));
}

}  // namespace vigilix::platform
