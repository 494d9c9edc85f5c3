#pragma once

#include <functional>
#include <string>

#include "sleepguard/core/guard_collaborators.h"
#include "sleepguard/installer/installer_system.h"

namespace vigilix {

// Every effect of the app-missing uninstall on the machine. The running guard
// uses it for its check; the finisher, a second guard process in its own
// session, for the removal. Failures are `failed` texts.
struct VGXAppMissingSystem {
  virtual ~VGXAppMissingSystem() = default;

  virtual VGXGuardStore& store() = 0;
  // The lock the installer's transactions take too.
  virtual VGXInstallerResult withMaintenanceLock(const std::function<void()>& body) = 0;
  // The application's program is there (a link in its place is not).
  virtual bool appIsPresent() = 0;
  // Starts the guard executable as the finisher of this transaction; does not wait.
  virtual VGXInstallerResult spawnFinisher(const std::string& transactionID,
                                           const std::string& installGeneration) = 0;
  virtual VGXInstallerResult bootOutGuard() = 0;
  // True once the service manager says the guard's units stopped; false at
  // the time-out. A manager that cannot be asked never says so.
  virtual bool waitForGuardUnloaded(double timeoutSeconds) = 0;
  // No other guard process and no stray sleep switch; false when nobody can tell.
  virtual bool noGuardProcessesRemain() = 0;
  virtual VGXInstallerResult removeGuardFiles() = 0;
  virtual VGXInstallerResult bootstrapGuard() = 0;
  virtual std::string newTransactionID() = 0;
};

}  // namespace vigilix
