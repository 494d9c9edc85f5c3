#pragma once

namespace vigilix::platform {

// The session bus is DBUS_SESSION_BUS_ADDRESS, else the user's bus in
// XDG_RUNTIME_DIR; the system bus is DBUS_SYSTEM_BUS_ADDRESS, else the
// machine's. Tests point both variables at private buses.
enum class BusKind { Session, System };

// "session bus" or "system bus", for errors.
const char* busKindName(BusKind kind);

}  // namespace vigilix::platform
