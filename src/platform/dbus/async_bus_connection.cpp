#include "platform/dbus/async_bus_connection.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <utility>

#include "platform/base/logger.h"
#include "platform/dbus/bus_callbacks.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

namespace {

const Logger& busLog() {
  static const Logger log("dbus");
  return log;
}

// Without an install handler a refused match would close the connection.
int deliverMatchInstalled(sd_bus_message* message, void* userdata, sd_bus_error* error) noexcept {
  if (static_cast<BusSlotHandlers*>(userdata)->reply)
    return deliverBusReply(message, userdata, error);
  if (busReplyIsError(message)) {
    busLog().error("The bus refused a signal match: {}", busErrorFromReply(message).description());
  }
  return 0;
}

}  // namespace

AsyncBusConnection::AsyncBusConnection(BusKind kind, BusHandle bus)
    : kind_(kind), bus_(std::move(bus)) {}

AsyncBusConnection::~AsyncBusConnection() {
  // The loop stops calling in before the connection goes.
  source_.reset();
}

std::expected<std::unique_ptr<AsyncBusConnection>, BusError> AsyncBusConnection::open(
    BusKind kind) {
  auto bus = openBus(kind);
  if (!bus) return std::unexpected(bus.error());
  std::unique_ptr<AsyncBusConnection> connection(new AsyncBusConnection(kind, std::move(*bus)));
  AsyncBusConnection* raw = connection.get();
  connection->source_ = DescriptorSources::main().add([raw] { return raw->prepare(); },
                                                      [raw](short) { raw->processAll(); });
  return connection;
}

std::expected<std::shared_ptr<AsyncBusConnection>, BusError> AsyncBusConnection::shared(
    BusKind kind) {
  // Never destroyed: services may still hold their matches at exit.
  static auto* connections = new std::shared_ptr<AsyncBusConnection>[2];
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  std::shared_ptr<AsyncBusConnection>& connection = connections[kind == BusKind::Session ? 0 : 1];
  if (!connection || !connection->isConnected()) {
    auto opened = open(kind);
    if (!opened) return std::unexpected(opened.error());
    connection = std::move(*opened);
  }
  return connection;
}

bool AsyncBusConnection::isConnected() const { return sd_bus_is_open(bus_.get()) > 0; }

DescriptorInterest AsyncBusConnection::prepare() {
  // Messages already read sit in sd-bus's buffer, where poll cannot see them.
  processAll();
  if (!source_) return {};
  DescriptorInterest interest;
  interest.fd = sd_bus_get_fd(bus_.get());
  const int events = sd_bus_get_events(bus_.get());
  interest.events = static_cast<short>(events > 0 ? events : 0);
  std::uint64_t timeout = 0;
  if (sd_bus_get_timeout(bus_.get(), &timeout) >= 0 &&
      timeout != std::numeric_limits<std::uint64_t>::max()) {
    interest.deadline = static_cast<double>(timeout) / 1e6;  // CLOCK_MONOTONIC, like uptime
  }
  return interest;
}

void AsyncBusConnection::setOnLost(std::function<void()> onLost) {
  // A loss found while the program was still starting must not go unheard.
  if (lostReported_) {
    onLost_ = {};
    if (onLost) DispatchQueue::main().async(std::move(onLost));
    return;
  }
  onLost_ = std::move(onLost);
}

void AsyncBusConnection::processAll() {
  for (;;) {
    const int result = sd_bus_process(bus_.get(), nullptr);
    if (result > 0) continue;
    if (result == 0 && isConnected()) return;
    if (!lostReported_) {
      lostReported_ = true;
      busLog().error("The {} connection ended: {}", busKindName(kind_),
                     std::strerror(result < 0 ? -result : ENOTCONN));
      // Outside sd-bus's processing and this source's call.
      if (onLost_) DispatchQueue::main().async(std::exchange(onLost_, {}));
    }
    // Nothing more will come; a closed descriptor would only make the loop spin.
    source_.reset();
    return;
  }
}

std::expected<BusSlot, BusError> AsyncBusConnection::callAsync(const MethodAddress& method,
                                                               const BusWrite& write,
                                                               BusReplyHandler onReply,
                                                               std::uint64_t timeoutMicroseconds) {
  auto request = makeMethodCall(bus_.get(), method, write);
  if (!request) return std::unexpected(request.error());
  auto handlers = std::make_unique<BusSlotHandlers>();
  handlers->reply = std::move(onReply);
  sd_bus_slot* slot = nullptr;
  const int result = sd_bus_call_async(bus_.get(), &slot, request->get(), deliverBusReply,
                                       handlers.get(), timeoutMicroseconds);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  return BusSlot(slot, std::move(handlers));
}

std::expected<BusSlot, BusError> AsyncBusConnection::addMatch(const std::string& rule,
                                                              BusMessageHandler onSignal,
                                                              BusReplyHandler onInstalled) {
  auto handlers = std::make_unique<BusSlotHandlers>();
  handlers->message = std::move(onSignal);
  handlers->reply = std::move(onInstalled);
  sd_bus_slot* slot = nullptr;
  const int result = sd_bus_add_match_async(bus_.get(), &slot, rule.c_str(), deliverBusSignal,
                                            deliverMatchInstalled, handlers.get());
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  return BusSlot(slot, std::move(handlers));
}

std::expected<void, BusError> AsyncBusConnection::emitSignal(const SignalAddress& signal,
                                                             const BusWrite& write) {
  sd_bus_message* raw = nullptr;
  int result =
      sd_bus_message_new_signal(bus_.get(), &raw, signal.path, signal.interface, signal.member);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  const BusMessage message(raw);
  result = writeArguments(raw, write);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  result = sd_bus_send(bus_.get(), raw, nullptr);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  return {};
}

std::expected<BusSlot, BusError> AsyncBusConnection::addObject(const std::string& path,
                                                               const std::string& interface,
                                                               const sd_bus_vtable* vtable,
                                                               void* userdata) {
  sd_bus_slot* slot = nullptr;
  const int result = sd_bus_add_object_vtable(bus_.get(), &slot, path.c_str(), interface.c_str(),
                                              vtable, userdata);
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  return BusSlot(slot, nullptr);
}

std::expected<BusSlot, BusError> AsyncBusConnection::requestName(const std::string& name,
                                                                 std::uint64_t flags,
                                                                 BusReplyHandler onReply) {
  auto handlers = std::make_unique<BusSlotHandlers>();
  handlers->reply = std::move(onReply);
  sd_bus_slot* slot = nullptr;
  const int result = sd_bus_request_name_async(bus_.get(), &slot, name.c_str(), flags,
                                               deliverBusReply, handlers.get());
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  return BusSlot(slot, std::move(handlers));
}

}  // namespace vigilix::platform
