#include "platform/dbus/bus_slot.h"

#include <utility>

#include "platform/dbus/bus_callbacks.h"

namespace vigilix::platform {

int deliverBusReply(sd_bus_message* message, void* handlers, sd_bus_error*) noexcept {
  const BusReplyHandler handler = static_cast<BusSlotHandlers*>(handlers)->reply;
  if (!handler) return 0;
  if (busReplyIsError(message)) {
    handler(std::unexpected(busErrorFromReply(message)));
  } else {
    handler(BusArgumentReader(message));
  }
  return 0;
}

int deliverBusSignal(sd_bus_message* message, void* handlers, sd_bus_error*) noexcept {
  const BusMessageHandler handler = static_cast<BusSlotHandlers*>(handlers)->message;
  if (!handler) return 0;
  BusArgumentReader signal(message);
  handler(signal);
  return 0;
}

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
