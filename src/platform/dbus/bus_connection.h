#pragma once

#include <cstdint>
#include <expected>
#include <string>

#include "platform/dbus/bus_arguments.h"
#include "platform/dbus/bus_error.h"
#include "platform/dbus/bus_opening.h"
#include "platform/dbus/bus_slot.h"

struct sd_bus;

namespace vigilix::platform {

struct MethodAddress {
  const char* destination;
  const char* path;
  const char* interface;
  const char* member;
};

struct SignalAddress {
  const char* path;
  const char* interface;
  const char* member;
};

// A method call message with its arguments, for sending on `bus`.
std::expected<BusMessage, BusError> makeMethodCall(sd_bus* bus, const MethodAddress& method,
                                                   const BusWrite& write = {});

// One connection to a bus (see BusKind for which). Blocking calls, each
// bounded by the call timeout (0: sd-bus's own): for threads that may wait,
// never the main thread (see AsyncBusConnection). Use from one thread at a
// time, and never in a child after fork.
class BusConnection {
 public:
  static std::expected<BusConnection, BusError> open(
      BusKind kind, std::uint64_t callTimeoutMicroseconds = 5'000'000);
  static std::expected<BusConnection, BusError> openSystem(
      std::uint64_t callTimeoutMicroseconds = 5'000'000) {
    return open(BusKind::System, callTimeoutMicroseconds);
  }

  // Calls a method with the arguments `write` writes and answers the reply
  // (read it with BusArgumentReader).
  std::expected<BusMessage, BusError> call(const MethodAddress& method,
                                           const BusWrite& write = {}) const;
  // The value of a property, of type T (see bus_types.h); a value of another type is an error.
  template <typename T>
  std::expected<T, BusError> property(const char* destination, const char* path,
                                      const char* interface, const char* name) const;

  // Broadcasts a signal with the arguments `write` writes, and waits until
  // it has left for the bus, so a program may exit right after.
  std::expected<void, BusError> emitSignal(const SignalAddress& signal,
                                           const BusWrite& write) const;

  // For a loop of the caller's own, which polls fd() for events() until
  // pollTimeoutMilliseconds() and then calls processPending(): `onSignal`
  // hears each signal `rule` (see signalMatchRule) selects, from once the
  // bus has answered, which this waits for. Dropping the slot ends it.
  [[nodiscard]] std::expected<BusSlot, BusError> addMatch(const std::string& rule,
                                                          BusMessageHandler onSignal) const;
  int fd() const;
  short events() const;
  // Until sd-bus's next deadline, at most a minute; -1 when it has none.
  int pollTimeoutMilliseconds() const;
  // Runs the handlers for everything the bus has sent (sd-bus asks for no
  // poll event while a message it read waits); an error once the connection is lost.
  std::expected<void, BusError> processPending() const;

 private:
  explicit BusConnection(BusHandle bus);
  std::expected<BusMessage, BusError> propertyReply(const char* destination, const char* path,
                                                    const char* interface, const char* name,
                                                    const std::string& contents) const;
  BusHandle bus_;
};

// A blocking reply's one argument read as T (see bus_types.h), or the error it is or reading it
// met.
template <typename T>
std::expected<T, BusError> readReply(const std::expected<BusMessage, BusError>& reply) {
  if (!reply) return std::unexpected(reply.error());
  BusArgumentReader in(*reply);
  T value = in.read<T>();
  if (!in) return std::unexpected(in.error());
  return value;
}

template <typename T>
std::expected<T, BusError> BusConnection::property(const char* destination, const char* path,
                                                   const char* interface, const char* name) const {
  auto reply = propertyReply(destination, path, interface, name, BusType<T>::signature());
  if (!reply) return std::unexpected(reply.error());
  BusArgumentReader value(*reply);
  T read = value.read<T>();
  if (!value) return std::unexpected(value.error());
  return read;
}

}  // namespace vigilix::platform
