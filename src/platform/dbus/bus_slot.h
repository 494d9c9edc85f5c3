#pragma once

#include <expected>
#include <functional>
#include <memory>

#include "platform/dbus/bus_arguments.h"
#include "platform/dbus/bus_error.h"

struct sd_bus_slot;

namespace vigilix::platform {

// A reply to an asynchronous call: a reader of the message (valid during the handler only) or
// the error the peer, the bus or a timeout answered. A handler reads from a copy of the reader.
using BusReply = std::expected<BusArgumentReader, BusError>;
using BusReplyHandler = std::function<void(const BusReply&)>;
// A signal that matched, to read during the handler only.
using BusMessageHandler = std::function<void(BusArgumentReader& signal)>;

// A reply's one argument read as T (see bus_types.h), or the error it is or reading it met.
template <typename T>
std::expected<T, BusError> readReply(const BusReply& reply) {
  if (!reply) return std::unexpected(reply.error());
  BusArgumentReader in = *reply;
  T value = in.read<T>();
  if (!in) return std::unexpected(in.error());
  return value;
}

// What a slot calls back; held by the slot, so it lives while the slot does.
struct BusSlotHandlers {
  BusReplyHandler reply;
  BusMessageHandler message;
};

// A pending call, a signal match, an exported object or a name request.
// Dropping the slot ends it: no handler runs after. A slot may be dropped
// from inside its own handler. Same thread rule as its connection.
class BusSlot {
 public:
  BusSlot() = default;
  BusSlot(sd_bus_slot* slot, std::unique_ptr<BusSlotHandlers> handlers);
  BusSlot(BusSlot&& other) noexcept;
  BusSlot& operator=(BusSlot&& other) noexcept;
  ~BusSlot();

  explicit operator bool() const { return slot_ != nullptr; }

 private:
  void reset();

  sd_bus_slot* slot_ = nullptr;
  std::unique_ptr<BusSlotHandlers> handlers_;
};

}  // namespace vigilix::platform
