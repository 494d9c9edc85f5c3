#pragma once

#include <string>

namespace vigilix::platform {

// A failed bus operation: the D-Bus error name and message when the peer
// answered with one, else an errno in `code` (positive) with an empty name
// and, where we know one, what was being done in `message`.
struct BusError {
  int code = 0;
  std::string name;
  std::string message;

  // "org.freedesktop.DBus.Error.ServiceUnknown: <message>", or "<message>:
  // <the errno's text>", or the errno's text alone.
  std::string description() const;
  bool operator==(const BusError&) const = default;
};

// The failure of a call that answered `result` (negative errno).
BusError busErrorFromResult(int result);

}  // namespace vigilix::platform
