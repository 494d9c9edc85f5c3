#include "platform/buswire/posted_exchange.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "platform/buswire/bus_wire_connection.h"
#include "platform/buswire/posted_notification.h"

namespace vigilix::platform {

std::expected<std::unique_ptr<PostedExchange>, BusError> PostedExchange::open(
    std::string replyName) {
  auto bus = BusWireConnection::openSession();
  if (!bus) return std::unexpected(bus.error());
  const auto match = (*bus)->queue(busDaemonCall("AddMatch", "s", {postedMatchRule(replyName)}));
  if (!match) return std::unexpected(match.error());
  if (auto sent = (*bus)->flush(); !sent) return std::unexpected(sent.error());
  return std::unique_ptr<PostedExchange>(
      new PostedExchange(std::move(*bus), std::move(replyName), *match));
}

PostedExchange::PostedExchange(std::unique_ptr<BusWireConnection> bus, std::string replyName,
                               std::uint32_t matchSerial)
    : bus_(std::move(bus)), replyName_(std::move(replyName)), matchSerial_(matchSerial) {}

PostedExchange::~PostedExchange() = default;

std::optional<BusError> PostedExchange::failure() const {
  if (matchFailure_) return matchFailure_;
  return bus_->broken();
}

std::optional<std::string> PostedExchange::exchange(const std::string& requestName,
                                                    const std::string& request,
                                                    const Accept& accept, const Wait& wait) {
  using Clock = BusWireConnection::Clock;
  const auto start = Clock::now();
  const auto after = [&](double seconds) {
    return start + std::chrono::duration_cast<Clock::duration>(
                       std::chrono::duration<double>(std::max(seconds, 0.0)));
  };
  // The bus's own answers come first, so they never wait longer than a reply would.
  const auto longest = after(std::max(wait.whilePresent, wait.whileAbsent));
  if (matchFailure_) return std::nullopt;
  // The bus answers the question before it passes the request on, so the answer is never later
  // than a reply.
  const auto asked = bus_->queue(busDaemonCall("NameHasOwner", "s", {std::string(wait.answerer)}));
  if (!asked || !bus_->send(postedSignal({requestName, request}))) return std::nullopt;
  if (matchSerial_) {
    const auto added = bus_->awaitReply(*std::exchange(matchSerial_, std::nullopt), longest);
    // A broken bus says why itself; a working one that refuses the match, here.
    if (!added && !bus_->broken()) {
      BusError error = added.error();
      error.message =
          "cannot listen for replies" + (error.message.empty() ? "" : " (" + error.message + ")");
      matchFailure_ = std::move(error);
    }
    if (!added) return std::nullopt;
  }
  const auto owned = bus_->awaitReply(*asked, longest);
  const bool present = owned && owned->signature == "b" && std::get<bool>(owned->arguments[0]);
  const auto deadline = after(present ? wait.whilePresent : wait.whileAbsent);
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
