#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/buswire/bus_error.h"

namespace vigilix::platform {

class BusWireConnection;

// A request and its reply as system-wide notifications on the session bus, for a short-lived
// program. open() sends the opening and the reply match at once and does not wait: the bus
// admits this program while it prepares its request, and since the bus takes one connection's
// messages in order, the match is in place before any request is posted and a quick reply is
// never missed. The first exchange then reads the match's answer before the reply; each
// exchange costs one round trip, the question of who answers going with the request.
// Blocking; one thread.
class PostedExchange {
 public:
  using Accept = std::function<bool(const std::string&)>;
  // How long to wait for a reply, by whether the name that answers has an owner on the bus.
  struct Wait {
    const char* answerer;
    double whilePresent;
    double whileAbsent;
  };

  // Listens for the posts of `replyName` that carry a text object. Fails only when no bus
  // socket takes the connection; a bus that refuses it fails the first exchange.
  static std::expected<std::unique_ptr<PostedExchange>, BusError> open(std::string replyName);
  ~PostedExchange();
  PostedExchange(const PostedExchange&) = delete;
  PostedExchange& operator=(const PostedExchange&) = delete;

  // Posts `requestName` with `request`, then waits for the first reply that `accept` takes, as
  // long as `wait` says (in seconds). None also when the request cannot be posted or the bus goes
  // away.
  std::optional<std::string> exchange(const std::string& requestName, const std::string& request,
                                      const Accept& accept, const Wait& wait);
  // Why exchanges fail, once the bus has refused the connection or the reply match, or gone.
  std::optional<BusError> failure() const;

 private:
  PostedExchange(std::unique_ptr<BusWireConnection> bus, std::string replyName,
                 std::uint32_t matchSerial);

  std::unique_ptr<BusWireConnection> bus_;
  std::string replyName_;
  // The match's call until its answer has been read.
  std::optional<std::uint32_t> matchSerial_;
  std::optional<BusError> matchFailure_;
};

}  // namespace vigilix::platform
