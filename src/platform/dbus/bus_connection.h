#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <string>

struct sd_bus;
struct sd_bus_message;

namespace vigilix::platform {

// A failed bus operation: the D-Bus error name and message when the peer
// answered with one, else the negative errno of sd-bus in `code` (as a
// positive errno value) and empty texts.
struct BusError {
  int code = 0;
  std::string name;
  std::string message;

  // "org.freedesktop.DBus.Error.ServiceUnknown: <message>", or the errno's text.
  std::string description() const;
  bool operator==(const BusError&) const = default;
};

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

// One connection to the system bus: DBUS_SYSTEM_BUS_ADDRESS when set (tests
// point it at a private bus), else the machine's. Blocking calls, each
// bounded by the call timeout. Use from one thread at a time, and never in a
// child after fork.
class BusConnection {
 public:
  static std::expected<BusConnection, BusError> openSystem(
      std::uint64_t callTimeoutMicroseconds = 5'000'000);

  BusConnection(BusConnection&&) noexcept;
  BusConnection& operator=(BusConnection&&) noexcept;
  ~BusConnection();

  // Calls a method, its arguments appended by `append` (which answers
  // sd-bus's result: negative on failure), and answers the reply.
  std::expected<BusMessage, BusError> call(
      const MethodAddress& method,
      const std::function<int(sd_bus_message*)>& append = nullptr) const;

 private:
  explicit BusConnection(sd_bus* bus);
  sd_bus* bus_ = nullptr;
};

// The failure of an sd-bus call that answered `result` (negative errno).
BusError busErrorFromResult(int result);

}  // namespace vigilix::platform
