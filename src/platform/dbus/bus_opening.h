#pragma once

#include <expected>
#include <memory>

#include "platform/buswire/bus_error.h"
#include "platform/buswire/bus_kind.h"

struct sd_bus;

namespace vigilix::platform {

struct BusClose {
  void operator()(sd_bus* bus) const;  // flushes queued output, closes, unrefs
};
using BusHandle = std::unique_ptr<sd_bus, BusClose>;

// A started connection. When there is no such bus the error says which bus
// could not be reached (in `message`) and why (in `code`).
std::expected<BusHandle, BusError> openBus(BusKind kind);

}  // namespace vigilix::platform
