#pragma once

#include <systemd/sd-bus.h>

#include <optional>

#include "platform/buswire/posted_notification.h"

namespace vigilix::platform {

// Appends the arguments of a post; sd-bus's result (negative when a text is
// not valid UTF-8 or holds a NUL).
int appendPosted(sd_bus_message* message, const PostedNotification& posted);
// The post a `Posted` signal carries; none for any other signature.
std::optional<PostedNotification> readPosted(sd_bus_message* message);

}  // namespace vigilix::platform
