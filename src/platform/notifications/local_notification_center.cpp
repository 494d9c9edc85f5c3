#include "platform/notifications/local_notification_center.h"

#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

void LocalNotificationCenter::post(const Notification& notification) {
  for (const auto& entry : registry_.snapshot()) {
    if (!entry->name.empty() && entry->name != notification.name) continue;
    if (entry->object != nullptr && entry->object != notification.object) continue;
    if (entry->queue == nullptr) {
      // An earlier handler of this same post may have dropped this observer.
      if (entry->alive) entry->handler(notification);
    } else {
      entry->queue->async([entry, notification] {
        if (entry->alive) entry->handler(notification);
      });
    }
  }
}

ObserverHandle LocalNotificationCenter::addObserver(const std::string& name, const void* object,
                                                    DispatchQueue* queue, Handler handler) {
  auto entry = std::make_shared<Entry>();
  entry->name = name;
  entry->object = object;
  entry->queue = queue;
  entry->handler = std::move(handler);
  return registry_.add(std::move(entry));
}

}  // namespace vigilix::platform
