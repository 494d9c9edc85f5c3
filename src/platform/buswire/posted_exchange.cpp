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
  const auto match = (*bus)->queue(busDaemonCall("AddMatch", "s", {postedMatchRule(replyName)}));
  if (!match) return std::unexpected(match.error());
  if (auto opened = (*bus)->awaitOpening(); !opened) return std::unexpected(opened.error());
  const auto added = (*bus)->awaitReply(*match);
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

std::optional<std::string> PostedExchange::exchange(const std::string& requestName,
                                                    const std::string& request,
                                                    const Accept& accept, const Wait& wait) {
  using Clock = BusWireConnection::Clock;
  const auto start = Clock::now();
  // The bus answers the question before it passes the request on, so the answer is never later
  // than a reply.
  const auto asked = bus_->queue(busDaemonCall("NameHasOwner", "s", {std::string(wait.answerer)}));
  if (!asked || !bus_->send(postedSignal({requestName, request}))) return std::nullopt;
  const auto owned = bus_->awaitReply(*asked);
  const bool present = owned && owned->signature == "b" && std::get<bool>(owned->arguments[0]);
  const double timeout = std::max(present ? wait.whilePresent : wait.whileAbsent, 0.0);
  const auto deadline =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeout));
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
