#include "app/hub_composition.h"

#include <utility>

#include "app/hub_neighbours.h"
#include "health/protection_verifier.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "platform/system/bookmarks.h"

namespace vigilix {

std::shared_ptr<VGXTriggerBridge> composeHub(const HubComposition& parts) {
  VGXHubNeighbours neighbours{
      .platform = VGXHubPlatform::current(),
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
