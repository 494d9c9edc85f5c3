#include "app/hub_composition.h"

#include <utility>

#include "app/hub_neighbours.h"
#include "health/protection_verifier.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/run_loop.h"
#include "platform/runloop/weakly.h"
#include "platform/system/bookmarks.h"
#include "platform/system/file_resources.h"
#include "platform/system/running_applications.h"

namespace vigilix {

std::shared_ptr<VGXTriggerBridge> composeHub(const HubComposition& parts) {
  VGXHubNeighbours neighbours{
      .platform =
          {
              .clock = &platform::Clock::current(),
              .calendar = &platform::Calendar::current,
              .mainLoop = &platform::RunLoop::main(),
              .mainQueue = &platform::DispatchQueue::main(),
              .notifications = &platform::NotificationCenter::defaultCenter(),
              .workspace = &platform::NotificationCenter::workspaceCenter(),
              .bookmarks = &platform::BookmarkService::current(),
              .files = &platform::FileResources::current(),
              .applications = &platform::RunningApplications::current(),
          },
      .agentHolds = makeAgentHolds(),
      .commandLine = makeCommandLine(parts.commandLineInbox),
      .controlShare = makeControlShare(parts.reloadControls),
      .makeTriggerMonitor = triggerMonitorMaker(parts.makeSampler),
      .policy = makePolicy(),
      .power = makePowerInputs(),
      .sessionNotices = makeSessionNotices(),
      .shortcut = makeShortcut(),
      .pickers = makePickers(),
      .secondsSinceLastInput = parts.secondsSinceLastInput,
      .protectionReasonLine = {},
  };
  if (parts.protectionVerifier) {
    neighbours.protectionReasonLine =
        platform::weakly(parts.protectionVerifier,
                         [](VGXProtectionVerifier& verifier) -> std::optional<std::string> {
                           return verifier.reasonLine();
                         });
  }
  platform::UserDefaults& defaults =
      parts.defaults ? *parts.defaults : platform::UserDefaults::standard();
  return VGXTriggerBridge::create(defaults, parts.resolveBookmark, std::move(neighbours));
}

VGXTriggerBridge::BookmarkResolver platformBookmarkResolver() {
  return [](const platform::Bytes& bookmark) {
    return platform::BookmarkService::current().resolveBookmark(bookmark);
  };
}

}  // namespace vigilix
