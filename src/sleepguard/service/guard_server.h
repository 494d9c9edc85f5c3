#pragma once

#include <functional>
#include <map>
#include <memory>

#include "platform/fs/unique_fd.h"
#include "platform/ipc/process_identity.h"
#include "platform/power/logind_wake_signal.h"
#include "sleepguard/common/peer_check.h"
#include "sleepguard/service/guard_daemon.h"

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
// the core every 10 s (every third of a shorter lease), runs the app-missing check every 60 s,
// passes wake on, keeps the service manager's watchdog fed, and ends on SIGTERM or SIGINT after the
// core's shutdown.
class VGXGuardServer {
 public:
  static constexpr int kTickSeconds = 10;
  static constexpr int kAppMissingSeconds = 60;

  struct Peers {
    VGXPeerExpectation client = VGXPeerExpectations::application();
    VGXPeerExpectation admin = VGXPeerExpectations::installer();
  };

  // `appMissingCheck` may be empty (no check runs); `wake` may be null (no
  // wake handling, as when the system bus cannot be reached).
  VGXGuardServer(VGXGuardDaemon& daemon, VGXGuardListeners listeners, Peers peers,
                 std::unique_ptr<platform::ProcessIdentity> processes,
                 std::unique_ptr<platform::LogindWakeSignal> wake,
                 std::function<void()> appMissingCheck);

  // SIGTERM and SIGINT go to a signalfd from now on; call before any thread starts.
  static void blockTerminationSignals();

  // Runs until SIGTERM or SIGINT; answers the exit status (0), or 1 when the
  // loop's own descriptors could not be made.
  int run();

 private:
  struct Connection {
    platform::UniqueFd fd;
    VGXGuardService service;
    std::uint32_t uid;
  };

  void accept(int listener, VGXGuardService service);
  // False when the connection is to be closed.
  bool serve(Connection& connection);

  VGXGuardDaemon& daemon_;
  VGXGuardListeners listeners_;
  Peers peers_;
  std::unique_ptr<platform::ProcessIdentity> processes_;
  std::unique_ptr<platform::LogindWakeSignal> wake_;
  std::function<void()> appMissingCheck_;
  std::map<int, Connection> connections_;
};

}  // namespace vigilix
