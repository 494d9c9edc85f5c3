#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/observer_token.h"
#include "platform/base/property_value.h"

namespace vigilix::platform {

class DispatchQueue;

// A posted notification. `object` identifies the sender (compared by
// address; nullptr = none); `objectText` carries a text object, as the
// system-wide centre does. `userInfo` is a property-list dictionary.
struct Notification {
  std::string name;
  const void* object = nullptr;
  std::optional<std::string> objectText;
  PropertyDictionary userInfo;
};

// An in-process notification centre (NSNotificationCenter).
class NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;
  virtual ~NotificationCenter() = default;

  virtual void post(const Notification& notification) = 0;
  void post(const std::string& name, const void* object = nullptr,
            PropertyDictionary userInfo = {});

  // Observes `name` (empty = every name) from `object` (nullptr = any
  // sender). With no queue the handler runs synchronously on the posting
  // thread; with a queue it is dispatched there asynchronously.
  [[nodiscard]] virtual ObserverHandle addObserver(const std::string& name, const void* object,
                                                   DispatchQueue* queue, Handler handler) = 0;

  // The application's default centre and the workspace's own centre.
  static NotificationCenter& defaultCenter();
  static NotificationCenter& workspaceCenter();
};

// Between processes of one user (NSDistributedNotificationCenter). Only the
// name and a text object cross; handlers are always called on the main queue.
class DistributedNotificationCenter {
 public:
  using Handler =
      std::function<void(const std::string& name, const std::optional<std::string>& object)>;
  virtual ~DistributedNotificationCenter() = default;
  virtual void post(const std::string& name, const std::optional<std::string>& object) = 0;
  [[nodiscard]] virtual ObserverHandle addObserver(const std::string& name, Handler handler) = 0;

  static DistributedNotificationCenter& current();
  static void setCurrent(DistributedNotificationCenter* center);
};

}  // namespace vigilix::platform
