#pragma once

#include "platform/buswire/bus_error.h"

namespace vigilix::platform {

// D-Bus errors that callers tell apart.
inline constexpr const char* kBusServiceUnknownError = "org.freedesktop.DBus.Error.ServiceUnknown";
inline constexpr const char* kBusNameHasNoOwnerError = "org.freedesktop.DBus.Error.NameHasNoOwner";
inline constexpr const char* kBusInvalidArgsError = "org.freedesktop.DBus.Error.InvalidArgs";
inline constexpr const char* kBusNotSupportedError = "org.freedesktop.DBus.Error.NotSupported";

}  // namespace vigilix::platform
