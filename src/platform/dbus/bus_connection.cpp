#include "platform/dbus/bus_connection.h"

#include <systemd/sd-bus.h>

#include <utility>

namespace vigilix::platform {

namespace {

// Frees an sd_bus_error on every path out of a call.
struct ScopedBusError {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  ~ScopedBusError() { sd_bus_error_free(&error); }
};

}  // namespace

void BusMessageRelease::operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }

BusConnection::BusConnection(BusHandle bus) : bus_(std::move(bus)) {}

std::expected<BusConnection, BusError> BusConnection::open(BusKind kind,
                                                           std::uint64_t callTimeoutMicroseconds) {
  auto bus = openBus(kind);
  if (!bus) return std::unexpected(bus.error());
  if (const int result = sd_bus_set_method_call_timeout(bus->get(), callTimeoutMicroseconds);
      result < 0) {
    return std::unexpected(busErrorFromResult(result));
  }
  return BusConnection(std::move(*bus));
}

std::expected<BusMessage, BusError> makeMethodCall(
    sd_bus* bus, const MethodAddress& method, const std::function<int(sd_bus_message*)>& append) {
  sd_bus_message* raw = nullptr;
  int result = sd_bus_message_new_method_call(bus, &raw, method.destination, method.path,
                                              method.interface, method.member);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  BusMessage request(raw);
  if (append) {
    result = append(request.get());
    if (result < 0) return std::unexpected(busErrorFromResult(result));
  }
  return request;
}

std::expected<BusMessage, BusError> BusConnection::call(
    const MethodAddress& method, const std::function<int(sd_bus_message*)>& append) const {
  auto request = makeMethodCall(bus_.get(), method, append);
  if (!request) return std::unexpected(request.error());
  ScopedBusError error;
  sd_bus_message* reply = nullptr;
  const int result = sd_bus_call(bus_.get(), request->get(), 0, &error.error, &reply);
  if (result < 0) return std::unexpected(busErrorFromCall(result, &error.error));
  return BusMessage(reply);
}

std::expected<void, BusError> BusConnection::emitSignal(
    const SignalAddress& signal, const std::function<int(sd_bus_message*)>& append) const {
  sd_bus_message* raw = nullptr;
  int result =
      sd_bus_message_new_signal(bus_.get(), &raw, signal.path, signal.interface, signal.member);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  BusMessage message(raw);
  if (append && (result = append(message.get())) < 0) {
    return std::unexpected(busErrorFromResult(result));
  }
  if ((result = sd_bus_send(bus_.get(), message.get(), nullptr)) < 0 ||
      (result = sd_bus_flush(bus_.get())) < 0) {
    return std::unexpected(busErrorFromResult(result));
  }
  return {};
}

}  // namespace vigilix::platform
