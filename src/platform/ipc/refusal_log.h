#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/base/logger.h"
#include "platform/ipc/packet_socket.h"

namespace vigilix::platform {

// The log of a service's refusals: one line per peer user and reason at most
// once a minute, the next one counting what it left out, so that a flood of
// connections or packets costs a line, not one per packet.
class RefusalLog {
 public:
  static constexpr std::uint64_t kQuietNanoseconds = 60'000'000'000;

  explicit RefusalLog(Logger logger) : logger_(std::move(logger)) {}

  // `peer` is none when the refusal has no peer (an accept that failed).
  void refuse(const std::optional<PeerCredentials>& peer, std::string_view reason,
              std::uint64_t now);

 private:
  struct Entry {
    std::uint64_t loggedAt = 0;
    std::uint64_t leftOut = 0;
  };
  // Users a flood may name at once before the oldest are forgotten.
  static constexpr std::size_t kRemembered = 256;

  Logger logger_;
  std::map<std::pair<std::int64_t, std::string>, Entry> entries_;
};

}  // namespace vigilix::platform
