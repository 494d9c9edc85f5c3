#include "platform/dbus/bus_connection.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <utility>

namespace vigilix::platform {

namespace {

// Frees an sd_bus_error on every path out of a call.
struct ScopedBusError {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  ~ScopedBusError() { sd_bus_error_free(&error); }
};

}  // namespace

std::string BusError::description() const {
  if (!name.empty()) return message.empty() ? name : name + ": " + message;
  return std::strerror(code);
}

BusError busErrorFromResult(int result) { return BusError{-result, {}, {}}; }

void BusMessageRelease::operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }

BusConnection::BusConnection(sd_bus* bus) : bus_(bus) {}

BusConnection::BusConnection(BusConnection&& other) noexcept
    : bus_(std::exchange(other.bus_, nullptr)) {}

BusConnection& BusConnection::operator=(BusConnection&& other) noexcept {
  if (this != &other) {
    if (bus_ != nullptr) sd_bus_flush_close_unref(bus_);
    bus_ = std::exchange(other.bus_, nullptr);
  }
  return *this;
}

BusConnection::~BusConnection() {
  if (bus_ != nullptr) sd_bus_flush_close_unref(bus_);
}

std::expected<BusConnection, BusError> BusConnection::openSystem(
    std::uint64_t callTimeoutMicroseconds) {
  sd_bus* bus = nullptr;
  if (const int result = sd_bus_open_system(&bus); result < 0) {
    return std::unexpected(busErrorFromResult(result));
  }
  BusConnection connection(bus);
  if (const int result = sd_bus_set_method_call_timeout(bus, callTimeoutMicroseconds); result < 0) {
    return std::unexpected(busErrorFromResult(result));
  }
  return connection;
}

std::expected<BusMessage, BusError> BusConnection::call(
    const MethodAddress& method, const std::function<int(sd_bus_message*)>& append) const {
  sd_bus_message* raw = nullptr;
  int result = sd_bus_message_new_method_call(bus_, &raw, method.destination, method.path,
                                              method.interface, method.member);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  const BusMessage request(raw);
  if (append) {
    result = append(request.get());
    if (result < 0) return std::unexpected(busErrorFromResult(result));
  }
  ScopedBusError error;
  sd_bus_message* reply = nullptr;
  result = sd_bus_call(bus_, request.get(), 0, &error.error, &reply);
  if (result < 0) {
    if (sd_bus_error_is_set(&error.error)) {
      return std::unexpected(BusError{-result, error.error.name,
                                      error.error.message != nullptr ? error.error.message : ""});
    }
    return std::unexpected(busErrorFromResult(result));
  }
  return BusMessage(reply);
}

}  // namespace vigilix::platform
