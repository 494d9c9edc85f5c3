#include "platform/notifications/immediate_notification_poster.h"

#include <utility>

#include "platform/base/logger.h"
#include "platform/notifications/posted_signal.h"

namespace vigilix::platform {

namespace {
const Logger& posterLog() {
  static const Logger log("notifications");
  return log;
}
}  // namespace

ImmediateNotificationPoster::ImmediateNotificationPoster(BusConnection connection)
    : connection_(std::move(connection)) {}

void ImmediateNotificationPoster::post(const std::string& name,
                                       const std::optional<std::string>& object) {
  const PostedNotification posted{name, object};
  const auto sent =
      connection_.emitSignal({kDistributedCenterPath, kDistributedCenterInterface, kPostedMember},
                             [&](BusArgumentWriter& out) { writePosted(out, posted); });
  if (!sent) {
    posterLog().error("Could not post {} on the session bus: {}", name, sent.error().description());
  }
}

ObserverHandle ImmediateNotificationPoster::addObserver(const std::string& name, Handler) {
  posterLog().error("A program that only posts cannot observe {}", name);
  return {};
}

}  // namespace vigilix::platform
