#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/fs/unique_fd.h"
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
// between requests.
class LiveInstaller {
 public:
  // `processes` reads the peers' processes for the application check.
  LiveInstaller(std::unique_ptr<VGXInstallerSystem> system, platform::UniqueFd listener,
                VGXPeerExpectation peer, std::unique_ptr<platform::ProcessIdentity> processes);

  // Finishes or undoes a transaction a crash interrupted.
  void start();
  // Serves until the idle exit or SIGTERM/SIGINT (0); 1 when the loop's own
  // descriptors cannot be made. Blocks both signals first.
  int run();

  // The reply to one request of user `uid`.
  VGXGuardWire::Dictionary answer(std::uint32_t uid, const VGXGuardRequest& request);
  // Installed: the installed guard can be hashed. Current: it is the shipped
  // one and the service manager has it running; a service manager that
  // cannot be asked leaves it false. Maintenance: anything but an absent record.
  static VGXInstallerStatus statusReply(VGXInstallerSystem& system);

 private:
  // One accepted connection and the user the kernel recorded for it.
  struct InstallerExporter {
    platform::UniqueFd fd;
    std::uint32_t uid = 0;
  };

  VGXInstallerEngine& engine();
  void accept();
  // False when the connection is to be closed.
  bool serve(InstallerExporter& connection);

  std::unique_ptr<VGXInstallerSystem> system_;
  std::optional<VGXInstallerEngine> engine_;
  platform::UniqueFd listener_;
  VGXPeerExpectation peer_;
  std::unique_ptr<platform::ProcessIdentity> processes_;
  std::map<int, InstallerExporter> connections_;
  std::optional<VGXInstallerIdleExit> idle_;
};

}  // namespace vigilix
