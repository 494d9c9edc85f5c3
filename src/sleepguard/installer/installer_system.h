#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sleepguard/core/guard_collaborators.h"
#include "sleepguard/installer/installer_error.h"

namespace vigilix {

using VGXInstallerResult = std::expected<void, VGXInstallerError>;

// What `restorePrevious` answers when there is no previous executable.
inline constexpr std::string_view kNoPreviousGuard = "no previous";

// Every effect of an install, update or uninstall on the machine: files, the
// service manager, the guard's processes and its admin service. The engine
// reaches the machine only through this, from one thread. Failures are
// `failed` texts that reach the replies as details.
struct VGXInstallerSystem {
  virtual ~VGXInstallerSystem() = default;

  // The state directory's records (a store that has none when it is absent).
  virtual VGXGuardStore& store() = 0;
  // Runs `body` under the exclusive lock that orders installer transactions
  // against the guard's own clean-up; fails without running it when the lock
  // cannot be taken.
  virtual VGXInstallerResult withMaintenanceLock(const std::function<void()>& body) = 0;
  virtual VGXInstallerResult prepareStateDirectory() = 0;
  // SHA-256 (lower-case hexadecimal) of the guard shipped with the installer.
  virtual std::expected<std::string, VGXInstallerError> embeddedHash() = 0;
  // Of the installed guard; none when missing or unreadable.
  virtual std::optional<std::string> installedHash() = 0;
  virtual VGXInstallerResult stageGuard() = 0;
  // The installed executable becomes the previous one, the staged one takes its place.
  virtual VGXInstallerResult swapInStaged() = 0;
  // Fails with kNoPreviousGuard when there is nothing to restore.
  virtual VGXInstallerResult restorePrevious() = 0;
  virtual VGXInstallerResult dropPrevious() = 0;
  // The guard's service and socket units.
  virtual VGXInstallerResult writeJobPlist() = 0;
  virtual VGXInstallerResult removeInstalledFiles() = 0;
  // A failure means nobody knows; callers never take it for "not loaded".
  virtual std::expected<bool, VGXInstallerError> isGuardLoaded() = 0;
  virtual VGXInstallerResult bootstrapGuard() = 0;
  virtual VGXInstallerResult bootoutGuard() = 0;
  // False also when the processes cannot be listed.
  virtual bool noGuardProcesses() = 0;
  virtual VGXInstallerResult beginDrain() = 0;
  // Failures are dropped.
  virtual void endDrain() = 0;
  // The executable hash the running guard reports.
  virtual std::expected<std::string, VGXInstallerError> handshakeHash() = 0;
  // True when the guard reports a hold by a user other than `uid`.
  virtual bool isHeldByAnotherUser(std::uint32_t uid) = 0;
  virtual bool isAppPresent() = 0;
  virtual std::string newTransactionID() = 0;
};

}  // namespace vigilix
