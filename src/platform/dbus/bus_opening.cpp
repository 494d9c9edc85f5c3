#include "platform/dbus/bus_opening.h"

#include <systemd/sd-bus.h>

#include <string>

namespace vigilix::platform {

void BusClose::operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }

std::expected<BusHandle, BusError> openBus(BusKind kind) {
  sd_bus* bus = nullptr;
  const int result = kind == BusKind::Session ? sd_bus_open_user(&bus) : sd_bus_open_system(&bus);
  if (result < 0) {
    BusError error = busErrorFromResult(result);
    error.message = std::string("cannot connect to the ") + busKindName(kind);
    return std::unexpected(std::move(error));
  }
  return BusHandle(bus);
}

}  // namespace vigilix::platform
