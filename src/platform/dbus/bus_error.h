#pragma once

#include <systemd/sd-bus.h>

#include <string>

namespace vigilix::platform {

// A failed bus operation: the D-Bus error name and message when the peer
// answered with one, else the errno of sd-bus in `code` (positive) with an
// empty name and, where we know one, what was being done in `message`.
struct BusError {
  int code = 0;
  std::string name;
  std::string message;

  // "org.freedesktop.DBus.Error.ServiceUnknown: <message>", or "<message>:
  // <the errno's text>", or the errno's text alone.
  std::string description() const;
  bool operator==(const BusError&) const = default;
};

// The failure of an sd-bus call that answered `result` (negative errno).
BusError busErrorFromResult(int result);
// The same, with the D-Bus error the call filled in, if any.
BusError busErrorFromCall(int result, const sd_bus_error* error);
// The error a reply carries (an error message), or none for a method return.
bool busReplyIsError(sd_bus_message* reply);
BusError busErrorFromReply(sd_bus_message* reply);

}  // namespace vigilix::platform
