#include "platform/notifications/posted_signal.h"

namespace vigilix::platform {

int appendPosted(sd_bus_message* message, const PostedNotification& posted) {
  if (posted.object) {
    return sd_bus_message_append(message, "ss", posted.name.c_str(), posted.object->c_str());
  }
  return sd_bus_message_append(message, "s", posted.name.c_str());
}

std::optional<PostedNotification> readPosted(sd_bus_message* message) {
  const char* name = nullptr;
  const char* object = nullptr;
  if (sd_bus_message_has_signature(message, "s") > 0) {
    if (sd_bus_message_read(message, "s", &name) < 0) return std::nullopt;
    return PostedNotification{name, std::nullopt};
  }
  if (sd_bus_message_has_signature(message, "ss") > 0) {
    if (sd_bus_message_read(message, "ss", &name, &object) < 0) return std::nullopt;
    return PostedNotification{name, std::string(object)};
  }
  return std::nullopt;
}

}  // namespace vigilix::platform
