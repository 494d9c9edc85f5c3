#include "platform/dbus/bus_slot.h"

#include <systemd/sd-bus.h>

#include <utility>

namespace vigilix::platform {

BusSlot::BusSlot(sd_bus_slot* slot, std::unique_ptr<BusSlotHandlers> handlers)
    : slot_(slot), handlers_(std::move(handlers)) {}

BusSlot::BusSlot(BusSlot&& other) noexcept
    : slot_(std::exchange(other.slot_, nullptr)), handlers_(std::move(other.handlers_)) {}

BusSlot& BusSlot::operator=(BusSlot&& other) noexcept {
  if (this != &other) {
    reset();
    slot_ = std::exchange(other.slot_, nullptr);
    handlers_ = std::move(other.handlers_);
  }
  return *this;
}

BusSlot::~BusSlot() { reset(); }

void BusSlot::reset() {
  // The slot first: once it is gone sd-bus holds no pointer to the handlers.
  if (slot_ != nullptr) sd_bus_slot_unref(std::exchange(slot_, nullptr));
  handlers_.reset();
}

}  // namespace vigilix::platform
