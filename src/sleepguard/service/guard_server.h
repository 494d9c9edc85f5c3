#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/fs/unique_fd.h"
#include "platform/ipc/packet_server.h"
#include "platform/ipc/process_identity.h"
#include "platform/power/logind_wake_signal.h"
#include "sleepguard/common/peer_check.h"
#include "sleepguard/service/guard_daemon.h"
#include "sleepguard/service/seat_sessions.h"

namespace vigilix {

// The guard's two listening sockets.
struct VGXGuardListeners {
  platform::UniqueFd client;
  platform::UniqueFd admin;
};

// Taken from socket activation by their names ("guard", "admin"); else bound
// by the guard itself under /run/vigilix (mapped under the file-system root),
// client 0666 and admin 0600. The io text of the failure otherwise.
std::expected<VGXGuardListeners, std::string> takeGuardListeners();

// The guard's one loop, which is its serial state queue: it accepts and
// checks peers, answers each request on the connection it came in on, ticks
// the core every 10 s (every third of a shorter lease) and when the lease in force runs out,
// runs the app-missing check every 60 s, passes wake on, keeps the service manager's watchdog
// fed, and ends on SIGTERM or SIGINT after the core's shutdown. Its times are the guard clock's,
// and it never waits on a client (see platform::PacketServer): whatever a peer does, the lease
// lapses and the safety checks run on time.
class VGXGuardServer {
 public:
  static constexpr int kTickSeconds = 10;
  static constexpr int kAppMissingSeconds = 60;
  // The application keeps one connection, two while it reconnects; a
  // connection that has said nothing for a lease's length has no lease to keep.
  // The total stays far below the unit's LimitNOFILE.
  static constexpr platform::PacketServerLimits kLimits{
      4, 64, static_cast<std::uint64_t>(VGXGuardDaemon::kLeaseSeconds) * 1'000'000'000};

  struct Peers {
    VGXPeerExpectation client = VGXPeerExpectations::application();
    VGXPeerExpectation admin = VGXPeerExpectations::installer();
  };
  // What the loop reads besides its sockets. `wake` may be null (no wake
  // handling, as when the system bus cannot be reached); `appMissingCheck`
  // may be empty (no check runs).
  struct Parts {
    std::unique_ptr<platform::ProcessIdentity> processes;
    std::unique_ptr<VGXSeatSessions> seats;
    std::unique_ptr<platform::LogindWakeSignal> wake;
    std::function<void()> appMissingCheck;
  };

  VGXGuardServer(VGXGuardDaemon& daemon, VGXGuardClock& clock, VGXGuardListeners listeners,
                 Peers peers, Parts parts);

  // SIGTERM and SIGINT go to a signalfd from now on; call before any thread starts.
  static void blockTerminationSignals();

  // Runs until SIGTERM or SIGINT; answers the exit status (0), or 1 when the
  // loop's own descriptors could not be made.
  int run();
  // One pass of the loop: waits for work (at most `longestNanoseconds` when
  // given) and does what is due. False once a signal has ended the guard.
  // The loop's descriptors are made at the first pass.
  bool step(std::optional<std::uint64_t> longestNanoseconds = std::nullopt);

 private:
  bool start();
  std::expected<void, platform::PacketServer::Refusal> admit(
      const platform::PacketServer::Peer& peer);
  std::expected<std::string, platform::PacketServer::Refusal> answer(
      const platform::PacketServer::Peer& peer, std::string_view packet);
  std::uint64_t nextDeadline();

  VGXGuardDaemon& daemon_;
  VGXGuardClock& clock_;
  VGXGuardListeners listeners_;
  Peers peers_;
  Parts parts_;
  platform::PacketServer server_;
  platform::UniqueFd signalFd_;
  bool started_ = false;
  int exitStatus_ = 0;
  std::uint64_t nextTick_ = 0;
  std::uint64_t nextAppMissingCheck_ = 0;
};

}  // namespace vigilix
