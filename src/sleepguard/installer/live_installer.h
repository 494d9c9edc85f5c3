#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/fs/unique_fd.h"
#include "platform/ipc/packet_server.h"
#include "platform/ipc/process_identity.h"
#include "sleepguard/common/guard_interfaces.h"
#include "sleepguard/common/peer_check.h"
#include "sleepguard/installer/installer_engine.h"
#include "sleepguard/installer/installer_idle_exit.h"

namespace vigilix {

// The installer service: answers install, uninstall and status on its socket
// for the application, one request at a time, and leaves when idle. Its one
// loop is the installer's queue: engine calls, status computations and the
// connection count all run there in order of arrival, so a transaction is
// never interrupted by the idle exit or by SIGTERM, which are looked at only
// between requests. No client can hang it for others (see
// platform::PacketServer), and a silent connection is closed in time for the
// idle exit.
class LiveInstaller {
 public:
  // Requests come one at a time, each on a fresh connection.
  static constexpr platform::PacketServerLimits kLimits{4, 16, 30'000'000'000};

  // `processes` reads the peers' processes for the application check; `now`
  // reads monotonic nanoseconds (the machine's when empty).
  LiveInstaller(std::unique_ptr<VGXInstallerSystem> system, platform::UniqueFd listener,
                VGXPeerExpectation peer, std::unique_ptr<platform::ProcessIdentity> processes,
                std::function<std::uint64_t()> now = {});

  // Finishes or undoes a transaction a crash interrupted.
  void start();
  // Serves until the idle exit or SIGTERM/SIGINT (0); 1 when the loop's own
  // descriptors cannot be made. Blocks both signals first.
  int run();
  // One pass of the loop: waits for work (at most `longestNanoseconds` when
  // given) and does it. False once the service is to end, with run()'s status
  // in `exitStatus`.
  bool step(std::optional<std::uint64_t> longestNanoseconds = std::nullopt);
  int exitStatus() const { return exitStatus_; }

  // The reply to one request of user `uid`.
  VGXGuardWire::Dictionary answer(std::uint32_t uid, const VGXGuardRequest& request);
  // Installed: the installed guard can be hashed. Current: it is the shipped
  // one and the service manager has it running; a service manager that
  // cannot be asked leaves it false. Maintenance: anything but an absent record.
  static VGXInstallerStatus statusReply(VGXInstallerSystem& system);

 private:
  VGXInstallerEngine& engine();
  bool open();
  double seconds() const { return static_cast<double>(now_()) / 1e9; }

  std::unique_ptr<VGXInstallerSystem> system_;
  std::optional<VGXInstallerEngine> engine_;
  platform::UniqueFd listener_;
  VGXPeerExpectation peer_;
  std::unique_ptr<platform::ProcessIdentity> processes_;
  std::function<std::uint64_t()> now_;
  std::optional<platform::PacketServer> server_;
  platform::UniqueFd signals_;
  std::optional<VGXInstallerIdleExit> idle_;
  int exitStatus_ = 0;
};

}  // namespace vigilix
