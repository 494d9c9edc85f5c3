#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <string>

#include "platform/dbus/bus_error.h"
#include "platform/dbus/bus_opening.h"

struct sd_bus;
struct sd_bus_message;

namespace vigilix::platform {

struct BusMessageRelease {
  void operator()(sd_bus_message* message) const;
};
using BusMessage = std::unique_ptr<sd_bus_message, BusMessageRelease>;

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
std::expected<BusMessage, BusError> makeMethodCall(
    sd_bus* bus, const MethodAddress& method,
    const std::function<int(sd_bus_message*)>& append = nullptr);

// One connection to a bus (see BusKind for which). Blocking calls, each
// bounded by the call timeout: for threads that may wait, never the main
// thread (see AsyncBusConnection). Use from one thread at a time, and never in
// a child after fork.
class BusConnection {
 public:
  static std::expected<BusConnection, BusError> open(
      BusKind kind, std::uint64_t callTimeoutMicroseconds = 5'000'000);
  static std::expected<BusConnection, BusError> openSystem(
      std::uint64_t callTimeoutMicroseconds = 5'000'000) {
    return open(BusKind::System, callTimeoutMicroseconds);
  }

  // Calls a method, its arguments appended by `append` (which answers
  // sd-bus's result: negative on failure), and answers the reply.
  std::expected<BusMessage, BusError> call(
      const MethodAddress& method,
      const std::function<int(sd_bus_message*)>& append = nullptr) const;

  // Broadcasts a signal, its arguments appended by `append`, and waits until
  // it has left for the bus, so a program may exit right after.
  std::expected<void, BusError> emitSignal(const SignalAddress& signal,
                                           const std::function<int(sd_bus_message*)>& append) const;

 private:
  explicit BusConnection(BusHandle bus);
  BusHandle bus_;
};

}  // namespace vigilix::platform
