#pragma once

#include <expected>
#include <memory>

#include "platform/dbus/bus_error.h"

struct sd_bus;

namespace vigilix::platform {

// The session bus is DBUS_SESSION_BUS_ADDRESS, else the user's bus in
// XDG_RUNTIME_DIR; the system bus is DBUS_SYSTEM_BUS_ADDRESS, else the
// machine's. Tests point both variables at private buses.
enum class BusKind { Session, System };

const char* busKindName(BusKind kind);

struct BusClose {
  void operator()(sd_bus* bus) const;  // flushes queued output, closes, unrefs
};
using BusHandle = std::unique_ptr<sd_bus, BusClose>;

// A started connection. When there is no such bus the error says which bus
// could not be reached (in `message`) and why (in `code`).
std::expected<BusHandle, BusError> openBus(BusKind kind);

}  // namespace vigilix::platform
