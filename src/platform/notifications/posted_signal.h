#pragma once

#include <optional>

#include "platform/buswire/posted_notification.h"
#include "platform/dbus/bus_arguments.h"

namespace vigilix::platform {

// Writes the arguments of a post (a text that is not valid UTF-8 or holds a
// NUL fails the writer).
void writePosted(BusArgumentWriter& out, const PostedNotification& posted);
// The post a `Posted` signal carries; none for any other signature.
std::optional<PostedNotification> readPosted(BusArgumentReader& signal);

}  // namespace vigilix::platform
