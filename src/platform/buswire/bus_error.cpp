#include "platform/buswire/bus_error.h"

#include <cstring>

namespace vigilix::platform {

std::string BusError::description() const {
  if (!name.empty()) return message.empty() ? name : name + ": " + message;
  if (!message.empty()) return message + ": " + std::strerror(code);
  return std::strerror(code);
}

BusError busErrorFromResult(int result) { return BusError{-result, {}, {}}; }

}  // namespace vigilix::platform
