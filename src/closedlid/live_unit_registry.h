#pragma once

#include "closedlid/unit_registry.h"
#include "platform/dbus/bus_error.h"
#include "platform/dbus/systemd_units.h"

namespace vigilix {

// The service manager's refusals as the helper reads them.
VGXUnitError unitErrorFromBus(const platform::BusError& error);

// systemd over the system bus; blocks (see platform::SystemdUnits).
class LiveUnitRegistry final : public VGXUnitRegistry {
 public:
  std::expected<VGXUnitReading, VGXUnitError> read(std::string_view unit) override;
  std::expected<void, VGXUnitError> enableAndStart(std::string_view unit) override;
  std::expected<void, VGXUnitError> disableAndStop(std::string_view unit) override;

 private:
  platform::SystemdUnits units_;
};

}  // namespace vigilix
