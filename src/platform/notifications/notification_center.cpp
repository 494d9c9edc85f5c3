#include "platform/notifications/notification_center.h"

#include "platform/base/current_instance.h"
#include "platform/notifications/dbus_notification_center.h"
#include "platform/notifications/distributed_notification_bus.h"
#include "platform/notifications/local_notification_center.h"
#include "platform/runloop/live_run_loop.h"

namespace vigilix::platform {

void NotificationCenter::post(const std::string& name, const void* object,
                              PropertyDictionary userInfo) {
  post(Notification{name, object, std::nullopt, std::move(userInfo)});
}

// Both centres live for the whole process: tokens handed out by them may be
// destroyed during static destruction.
NotificationCenter& NotificationCenter::defaultCenter() {
  static auto* center = new LocalNotificationCenter();
  return *center;
}

NotificationCenter& NotificationCenter::workspaceCenter() {
  static auto* center = new LocalNotificationCenter();
  return *center;
}

namespace {
constinit CurrentInstance<DistributedNotificationCenter> currentDistributedCenter{
    []() -> DistributedNotificationCenter& {
      // On virtual time nothing reaches a real bus.
      if (&RunLoopPlatform::current() != &LivePlatform::shared()) {
        static auto* inProcess =
            new BusNotificationCenter(DistributedNotificationBus::processWide());
        return *inProcess;
      }
      static auto* live = makeLiveDistributedCenter().release();
      return *live;
    }};
}  // namespace

DistributedNotificationCenter& DistributedNotificationCenter::current() {
  return currentDistributedCenter.get();
}

void DistributedNotificationCenter::setCurrent(DistributedNotificationCenter* center) {
  currentDistributedCenter.install(center);
}

}  // namespace vigilix::platform
