#pragma once

#include <memory>
#include <string>

#include "sleepguard/core/process_table.h"
#include "sleepguard/core/secure_directory_store.h"
#include "sleepguard/installer/guard_admin_client.h"
#include "sleepguard/installer/installer_system.h"
#include "sleepguard/installer/systemctl.h"

namespace vigilix {

// A store for a state directory that does not exist: nothing to read, nothing
// can be written.
class AbsentGuardStore final : public VGXGuardStore {
 public:
  VGXFileRead read(const VGXGuardFile&) override { return VGXFileRead::absent(); }
  std::expected<void, VGXGuardError> write(const VGXGuardFile&, const platform::Bytes&) override;
  std::expected<void, VGXGuardError> remove(const VGXGuardFile&) override;
  std::expected<void, VGXGuardError> quarantine(const VGXGuardFile&) override;
};

// The installer's machine, as root: the state directory (/var/lib/vigilix),
// the guard's units in /etc/systemd/system, the service manager through
// `systemctl`, the guard's admin socket and the process table. Every path lies
// under the file-system root and is opened from it without following links;
// every file is created exclusively under a temporary name, given to root
// with a fixed mode, flushed, renamed into place and checked again, and every
// directory change is flushed. One thread at a time.
class VGXInstallerSystemLive final : public VGXInstallerSystem {
 public:
  static constexpr std::size_t kMaxEmbeddedBytes = 67108864;

  struct Parts {
    // The guard shipped with the installer, a system path.
    std::string embeddedPath;
    std::unique_ptr<VGXSystemctl> systemctl;
    std::unique_ptr<VGXGuardAdminClient> admin;
    std::unique_ptr<VGXProcessTable> processes;
  };
  // The embedded guard of the install prefix and the live collaborators.
  static Parts liveParts();

  // Opens the store when the state directory is there and sound.
  explicit VGXInstallerSystemLive(Parts parts);

  VGXGuardStore& store() override;
  VGXInstallerResult withMaintenanceLock(const std::function<void()>& body) override;
  VGXInstallerResult prepareStateDirectory() override;
  std::expected<std::string, VGXInstallerError> embeddedHash() override;
  std::optional<std::string> installedHash() override;
  VGXInstallerResult stageGuard() override;
  VGXInstallerResult swapInStaged() override;
  VGXInstallerResult restorePrevious() override;
  VGXInstallerResult dropPrevious() override;
  VGXInstallerResult writeJobPlist() override;
  VGXInstallerResult removeInstalledFiles() override;
  std::expected<bool, VGXInstallerError> isGuardLoaded() override;
  VGXInstallerResult bootstrapGuard() override;
  VGXInstallerResult bootoutGuard() override;
  bool noGuardProcesses() override;
  VGXInstallerResult beginDrain() override;
  void endDrain() override;
  std::expected<std::string, VGXInstallerError> handshakeHash() override;
  bool isHeldByAnotherUser(std::uint32_t uid) override;
  bool isAppPresent() override;
  std::string newTransactionID() override;

  const std::string& embeddedPath() const { return parts_.embeddedPath; }
  // The opened store, or none.
  VGXSecureDirectoryStore* openedStore() const { return store_.get(); }

 private:
  Parts parts_;
  std::unique_ptr<VGXSecureDirectoryStore> store_;
  AbsentGuardStore absent_;
};

}  // namespace vigilix
