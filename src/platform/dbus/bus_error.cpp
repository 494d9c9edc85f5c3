#include "platform/dbus/bus_error.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstring>

namespace vigilix::platform {

std::string BusError::description() const {
  if (!name.empty()) return message.empty() ? name : name + ": " + message;
  if (!message.empty()) return message + ": " + std::strerror(code);
  return std::strerror(code);
}

BusError busErrorFromResult(int result) { return BusError{-result, {}, {}}; }

BusError busErrorFromCall(int result, const sd_bus_error* error) {
  if (error == nullptr || !sd_bus_error_is_set(error)) return busErrorFromResult(result);
  return BusError{-result, error->name, error->message != nullptr ? error->message : ""};
}

bool busReplyIsError(sd_bus_message* reply) {
  return sd_bus_message_is_method_error(reply, nullptr) > 0;
}

BusError busErrorFromReply(sd_bus_message* reply) {
  const int code = sd_bus_message_get_errno(reply);
  return busErrorFromCall(code > 0 ? -code : -EIO, sd_bus_message_get_error(reply));
}

}  // namespace vigilix::platform
