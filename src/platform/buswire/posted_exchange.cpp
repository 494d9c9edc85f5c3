#include "platform/buswire/posted_exchange.h"

#include <algorithm>
#include <chrono>

#include "platform/buswire/bus_wire_connection.h"
#include "platform/buswire/posted_notification.h"

namespace vigilix::platform {

std::expected<std::unique_ptr<PostedExchange>, BusError> PostedExchange::open(
    std::string replyName) {
  auto bus = BusWireConnection::openSession();
  if (!bus) return std::unexpected(bus.error());
  // Awaited: the bus has the rule once this returns.
  const auto added = (*bus)->call(busDaemonCall("AddMatch", "s", {postedMatchRule(replyName)}));
  if (!added) {
    BusError error = added.error();
    error.message =
        "cannot listen for replies" + (error.message.empty() ? "" : " (" + error.message + ")");
    return std::unexpected(std::move(error));
  }
  return std::unique_ptr<PostedExchange>(new PostedExchange(std::move(*bus), std::move(replyName)));
}

PostedExchange::PostedExchange(std::unique_ptr<BusWireConnection> bus, std::string replyName)
    : bus_(std::move(bus)), replyName_(std::move(replyName)) {}

PostedExchange::~PostedExchange() = default;

bool PostedExchange::nameHasOwner(const char* busName) const {
  const auto reply = bus_->call(busDaemonCall("NameHasOwner", "s", {std::string(busName)}));
  return reply && reply->signature == "b" && std::get<bool>(reply->arguments[0]);
}

std::optional<std::string> PostedExchange::exchange(const std::string& requestName,
                                                    const std::string& request,
                                                    const Accept& accept, double timeout) {
  using Clock = BusWireConnection::Clock;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(std::max(timeout, 0.0)));
  if (!bus_->send(postedSignal({requestName, request}))) return std::nullopt;
  while (true) {
    const auto message = bus_->read(deadline);
    if (!message || !*message) return std::nullopt;
    const auto posted = postedFromSignal(**message);
    if (posted && posted->object && posted->name == replyName_ && accept(*posted->object)) {
      return posted->object;
    }
  }
}

}  // namespace vigilix::platform
