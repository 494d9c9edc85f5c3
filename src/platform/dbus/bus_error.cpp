#include <cerrno>

#include "platform/dbus/bus_callbacks.h"

namespace vigilix::platform {

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
