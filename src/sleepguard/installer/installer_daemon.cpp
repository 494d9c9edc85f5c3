#include "sleepguard/installer/installer_daemon.h"

#include <cstdio>
#include <string>

#include "platform/ipc/termination_signals.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/service_command_line.h"
#include "sleepguard/common/service_sockets.h"
#include "sleepguard/installer/installer_system_live.h"
#include "sleepguard/installer/live_installer.h"

namespace vigilix {

int VGXInstallerDaemon::run() {
  // Before any child is started: a stop waits for the request under way.
  platform::blockTerminationSignals();
  const VGXServiceSocket sockets[] = {
      {VGXGuardNames::installerSocketName, VGXGuardNames::installerMachService, 0666}};
  auto taken = takeServiceSockets(sockets);
  if (!taken) {
    std::fputs(("VigilixInstaller: sockets: " + taken.error() + "\n").c_str(), stderr);
    return VGXGuardMain::kExitConfig;
  }
  LiveInstaller installer(
      std::make_unique<VGXInstallerSystemLive>(VGXInstallerSystemLive::liveParts()),
      std::move(taken->front()), VGXPeerExpectations::application(),
      platform::ProcessIdentity::live());
  installer.start();
  return installer.run();
}

}  // namespace vigilix
