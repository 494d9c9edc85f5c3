#include "platform/dbus/bus_connection.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <limits>
#include <utility>

#include "platform/dbus/bus_callbacks.h"

namespace vigilix::platform {

namespace {

// Frees an sd_bus_error on every path out of a call.
struct ScopedBusError {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  ~ScopedBusError() { sd_bus_error_free(&error); }
};

}  // namespace

BusConnection::BusConnection(BusHandle bus) : bus_(std::move(bus)) {}

std::expected<BusConnection, BusError> BusConnection::open(BusKind kind,
                                                           std::uint64_t callTimeoutMicroseconds) {
  auto bus = openBus(kind);
  if (!bus) return std::unexpected(bus.error());
  if (callTimeoutMicroseconds != 0) {
    if (const int result = sd_bus_set_method_call_timeout(bus->get(), callTimeoutMicroseconds);
        result < 0) {
      return std::unexpected(busErrorFromResult(result));
    }
  }
  return BusConnection(std::move(*bus));
}

std::expected<BusMessage, BusError> makeMethodCall(sd_bus* bus, const MethodAddress& method,
                                                   const BusWrite& write) {
  sd_bus_message* raw = nullptr;
  int result = sd_bus_message_new_method_call(bus, &raw, method.destination, method.path,
                                              method.interface, method.member);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  BusMessage request(raw);
  result = writeArguments(request.get(), write);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  return request;
}

std::expected<BusMessage, BusError> BusConnection::call(const MethodAddress& method,
                                                        const BusWrite& write) const {
  auto request = makeMethodCall(bus_.get(), method, write);
  if (!request) return std::unexpected(request.error());
  ScopedBusError error;
  sd_bus_message* reply = nullptr;
  const int result = sd_bus_call(bus_.get(), request->get(), 0, &error.error, &reply);
  if (result < 0) return std::unexpected(busErrorFromCall(result, &error.error));
  return BusMessage(reply);
}

std::expected<BusMessage, BusError> BusConnection::propertyReply(
    const char* destination, const char* path, const char* interface, const char* name,
    const std::string& contents) const {
  auto reply = call({destination, path, "org.freedesktop.DBus.Properties", "Get"},
                    [&](BusArgumentWriter& out) { out.string(interface).string(name); });
  if (!reply) return reply;
  if (sd_bus_message_enter_container(reply->get(), 'v', contents.c_str()) <= 0) {
    return std::unexpected(BusError{0, "org.freedesktop.DBus.Error.InvalidSignature",
                                    "the value is not of type " + contents});
  }
  return reply;
}

std::expected<void, BusError> BusConnection::emitSignal(const SignalAddress& signal,
                                                        const BusWrite& write) const {
  sd_bus_message* raw = nullptr;
  int result =
      sd_bus_message_new_signal(bus_.get(), &raw, signal.path, signal.interface, signal.member);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  BusMessage message(raw);
  if ((result = writeArguments(message.get(), write)) < 0) {
    return std::unexpected(busErrorFromResult(result));
  }
  if ((result = sd_bus_send(bus_.get(), message.get(), nullptr)) < 0 ||
      (result = sd_bus_flush(bus_.get())) < 0) {
    return std::unexpected(busErrorFromResult(result));
  }
  return {};
}

std::expected<BusSlot, BusError> BusConnection::addMatch(const std::string& rule,
                                                         BusMessageHandler onSignal) const {
  auto handlers = std::make_unique<BusSlotHandlers>();
  handlers->message = std::move(onSignal);
  sd_bus_slot* slot = nullptr;
  const int result =
      sd_bus_add_match(bus_.get(), &slot, rule.c_str(), deliverBusSignal, handlers.get());
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  return BusSlot(slot, std::move(handlers));
}

int BusConnection::fd() const { return sd_bus_get_fd(bus_.get()); }

short BusConnection::events() const {
  const int events = sd_bus_get_events(bus_.get());
  return static_cast<short>(events < 0 ? 0 : events);
}

int BusConnection::pollTimeoutMilliseconds() const {
  // sd-bus's deadline is absolute, on CLOCK_MONOTONIC.
  std::uint64_t deadline = 0;
  if (sd_bus_get_timeout(bus_.get(), &deadline) < 0 ||
      deadline == std::numeric_limits<std::uint64_t>::max()) {
    return -1;
  }
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t nowMicroseconds = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000 +
                                        static_cast<std::uint64_t>(now.tv_nsec) / 1000;
  if (deadline <= nowMicroseconds) return 0;
  return static_cast<int>(
      std::min<std::uint64_t>((deadline - nowMicroseconds + 999) / 1000, 60'000));
}

std::expected<void, BusError> BusConnection::processPending() const {
  for (;;) {
    const int result = sd_bus_process(bus_.get(), nullptr);
    if (result < 0) return std::unexpected(busErrorFromResult(result));
    if (result == 0) return {};
  }
}

}  // namespace vigilix::platform
