#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "sleepguard/installer/app_missing_system.h"
#include "sleepguard/installer/installer_system_live.h"

namespace vigilix {

// The app-missing uninstall on the machine: the installer's own live system
// (state directory, units, `systemctl`, process table) plus the finisher.
class VGXAppMissingSystemLive final : public VGXAppMissingSystem {
 public:
  explicit VGXAppMissingSystemLive(
      VGXInstallerSystemLive::Parts parts = VGXInstallerSystemLive::liveParts())
      : machine_(std::move(parts)) {}

  // Whether the state directory could be opened; nothing works without it.
  bool hasStore() const { return machine_.openedStore() != nullptr; }

  VGXGuardStore& store() override { return machine_.store(); }
  VGXInstallerResult withMaintenanceLock(const std::function<void()>& body) override;
  bool appIsPresent() override { return machine_.isAppPresent(); }
  VGXInstallerResult spawnFinisher(const std::string& transactionID,
                                   const std::string& installGeneration) override;
  VGXInstallerResult bootOutGuard() override { return machine_.bootoutGuard(); }
  bool waitForGuardUnloaded(double timeoutSeconds) override;
  bool noGuardProcessesRemain() override { return machine_.noGuardProcesses(); }
  VGXInstallerResult removeGuardFiles() override { return machine_.removeInstalledFiles(); }
  VGXInstallerResult bootstrapGuard() override { return machine_.bootstrapGuard(); }
  std::string newTransactionID() override { return machine_.newTransactionID(); }

  // The finisher started last, for whoever must wait for it (tests).
  pid_t finisherPid() const { return finisher_; }

  // The finisher's whole environment: none under the service manager. A
  // guard told to serve a machine under another root or system bus (tests)
  // passes on just those two, so the finisher acts on the same machine.
  static std::vector<std::string> finisherEnvironment();

 private:
  VGXInstallerSystemLive machine_;
  pid_t finisher_ = 0;
};

}  // namespace vigilix
