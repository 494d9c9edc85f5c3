#pragma once

#include <systemd/sd-bus.h>

#include "platform/buswire/bus_error.h"

namespace vigilix::platform {

// The failure of an sd-bus call, with the D-Bus error the call filled in, if any.
BusError busErrorFromCall(int result, const sd_bus_error* error);
// The error a reply carries (an error message), or none for a method return.
bool busReplyIsError(sd_bus_message* reply);
BusError busErrorFromReply(sd_bus_message* reply);

}  // namespace vigilix::platform
