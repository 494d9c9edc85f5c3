#pragma once

#include <poll.h>

#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/logger.h"
#include "platform/fs/unique_fd.h"
#include "platform/ipc/packet_socket.h"
#include "platform/ipc/refusal_log.h"

namespace vigilix::platform {

// How many connections a packet server keeps, and how long one may stay silent.
struct PacketServerLimits {
  std::size_t perUser = 4;
  std::size_t total = 64;
  std::uint64_t silenceNanoseconds = 30'000'000'000;
};

// The connections of a root service's SOCK_SEQPACKET listeners, for a loop of
// the service's own that polls what `appendPollFds` gives and hands the result
// to `serve`. No peer can make the loop wait: connections are non-blocking, a
// reply that cannot be queued at once closes its connection, a connection
// over a cap is closed at accept before anything is read about its peer, as
// is one of a process whose connection to the same listener was refused less
// than a second ago (a flood of refused connections costs one look a second),
// a silent one is closed once
// its time is up, and an accept that fails for want of descriptors pauses the
// listeners for a second rather than spin. Each
// refusal is logged through a RefusalLog. Times are nanoseconds of the clock
// `now` reads; one thread only.
class PacketServer {
 public:
  // One listening socket (made non-blocking here) and the service its
  // connections belong to.
  struct Listener {
    int fd = -1;
    int service = 0;
  };
  // The peer of a connection as the kernel recorded it at connect, and its service.
  struct Peer {
    PeerCredentials credentials;
    int service = 0;
  };
  // Why a connection is refused: closed unanswered, the reason logged.
  using Refusal = std::string;
  struct Handlers {
    // Checks a peer that the caps let in (it may read /proc or ask logind).
    std::function<std::expected<void, Refusal>(const Peer&)> admit;
    // The reply to one packet.
    std::function<std::expected<std::string, Refusal>(const Peer&, std::string_view packet)> answer;
    // After a connection was admitted and after one was closed; may be empty.
    std::function<void()> opened;
    std::function<void()> closed;
  };

  static constexpr std::uint64_t kAcceptPauseNanoseconds = 1'000'000'000;
  static constexpr std::uint64_t kRefusedPeerRestNanoseconds = 1'000'000'000;
  // Connections taken per listener in one pass, so a flood cannot hold the loop.
  static constexpr int kAcceptsPerPass = 32;

  PacketServer(std::vector<Listener> listeners, PacketServerLimits limits, Handlers handlers,
               std::function<std::uint64_t()> now, Logger logger);

  // Appends what the loop polls for this server: its listeners (unless
  // paused) and its connections.
  void appendPollFds(std::vector<pollfd>& fds) const;
  // When a silent connection falls due to be closed or a paused accept
  // resumes; none when neither can happen.
  std::optional<std::uint64_t> nextDeadline() const;
  // Serves the entries of `ready` that are this server's (one packet per
  // ready connection, then new connections), then closes the connections
  // silent past their time.
  void serve(std::span<const pollfd> ready);

  std::size_t connectionCount() const { return connections_.size(); }

 private:
  struct Connection {
    UniqueFd fd;
    Peer peer;
    std::uint64_t lastActive = 0;
  };

  void acceptFrom(const Listener& listener, std::uint64_t now);
  void serveConnection(Connection& connection, short revents, std::uint64_t now);
  void close(int fd, std::optional<std::string_view> reason, std::uint64_t now);
  std::size_t connectionsOf(std::uint32_t uid) const;

  std::vector<Listener> listeners_;
  PacketServerLimits limits_;
  Handlers handlers_;
  std::function<std::uint64_t()> now_;
  RefusalLog log_;
  std::map<int, Connection> connections_;
  std::optional<std::uint64_t> acceptPausedUntil_;
  // Processes and services whose connection `admit` refused, and until when
  // they are not looked at again.
  std::map<std::pair<pid_t, int>, std::uint64_t> refusedUntil_;
};

}  // namespace vigilix::platform
