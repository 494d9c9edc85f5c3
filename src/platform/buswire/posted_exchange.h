#pragma once

#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/buswire/bus_error.h"

namespace vigilix::platform {

class BusWireConnection;

// A request and its reply as system-wide notifications on the session bus, for a short-lived
// program. The reply match is in place from open() on, so a quick reply is never missed. Each
// step costs one round trip through the bus: the match goes with the opening, the question of
// who answers with the request. Blocking; one thread.
class PostedExchange {
 public:
  using Accept = std::function<bool(const std::string&)>;
  // How long to wait for a reply, by whether the name that answers has an owner on the bus.
  struct Wait {
    const char* answerer;
    double whilePresent;
    double whileAbsent;
  };

  // Listens for the posts of `replyName` that carry a text object.
  static std::expected<std::unique_ptr<PostedExchange>, BusError> open(std::string replyName);
  ~PostedExchange();
  PostedExchange(const PostedExchange&) = delete;
  PostedExchange& operator=(const PostedExchange&) = delete;

  // Posts `requestName` with `request`, then waits for the first reply that `accept` takes, as
  // long as `wait` says (in seconds). None also when the request cannot be posted or the bus goes
  // away.
  std::optional<std::string> exchange(const std::string& requestName, const std::string& request,
                                      const Accept& accept, const Wait& wait);

 private:
  PostedExchange(std::unique_ptr<BusWireConnection> bus, std::string replyName);

  std::unique_ptr<BusWireConnection> bus_;
  std::string replyName_;
};

}  // namespace vigilix::platform
