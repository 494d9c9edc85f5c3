#include "hub/hub_platform.h"

#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/run_loop.h"
#include "platform/system/bookmarks.h"
#include "platform/system/file_resources.h"
#include "platform/system/running_applications.h"

namespace vigilix {

VGXHubPlatform VGXHubPlatform::current() {
  return {
      .clock = &platform::Clock::current(),
      .calendar = &platform::Calendar::current,
      .mainLoop = &platform::RunLoop::main(),
      .mainQueue = &platform::DispatchQueue::main(),
      .notifications = &platform::NotificationCenter::defaultCenter(),
      .workspace = &platform::NotificationCenter::workspaceCenter(),
      .bookmarks = &platform::BookmarkService::current(),
      .files = &platform::FileResources::current(),
      .applications = &platform::RunningApplications::current(),
  };
}

}  // namespace vigilix
