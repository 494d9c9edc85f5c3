#pragma once

// The layer's own glue to sd-bus, for its sources only.

#include <systemd/sd-bus.h>

#include "platform/dbus/bus_error.h"

namespace vigilix::platform {

// The failure of an sd-bus call, with the D-Bus error the call filled in, if any.
BusError busErrorFromCall(int result, const sd_bus_error* error);
// The error a reply carries (an error message), or none for a method return.
bool busReplyIsError(sd_bus_message* reply);
BusError busErrorFromReply(sd_bus_message* reply);

// sd-bus's callbacks for a slot whose userdata is its BusSlotHandlers. Each copies its handler
// first: the handler may drop the slot that holds it.
int deliverBusReply(sd_bus_message* message, void* handlers, sd_bus_error* error) noexcept;
int deliverBusSignal(sd_bus_message* message, void* handlers, sd_bus_error* error) noexcept;

}  // namespace vigilix::platform
