#include "platform/notifications/posted_signal.h"

namespace vigilix::platform {

void writePosted(BusArgumentWriter& out, const PostedNotification& posted) {
  out.string(posted.name);
  if (posted.object) out.string(*posted.object);
}

std::optional<PostedNotification> readPosted(BusArgumentReader& signal) {
  const std::string signature = signal.signature();
  if (signature != "s" && signature != "ss") return std::nullopt;
  PostedNotification posted{signal.string(), std::nullopt};
  if (signature == "ss") posted.object = signal.string();
  if (!signal) return std::nullopt;
  return posted;
}

}  // namespace vigilix::platform
