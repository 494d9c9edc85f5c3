#include "sleepguard/installer/app_missing_system_live.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/fs/file_system.h"
#include "platform/process/detached_spawn.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/core/system_clock.h"

namespace vigilix {

VGXInstallerResult VGXAppMissingSystemLive::withMaintenanceLock(const std::function<void()>& body) {
  // Unlike an installation, this uninstall has nothing to do without the directory.
  if (!hasStore()) return std::unexpected(VGXInstallerError::failed("no store"));
  return machine_.withMaintenanceLock(body);
}

std::vector<std::string> VGXAppMissingSystemLive::finisherEnvironment() {
  std::vector<std::string> environment;
  const auto root = platform::FileSystem::root();
  if (root != "/") environment.push_back("VIGILIX_ROOT=" + root.native());
  // The finisher, like the guard, looks for the application under the install prefix.
  environment.push_back(std::string(VGXGuardNames::prefixVariable) + "=" +
                        VGXGuardNames::installPrefix());
  if (const char* bus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
    environment.push_back(std::string("DBUS_SYSTEM_BUS_ADDRESS=") + bus);
  }
  return environment;
}

VGXInstallerResult VGXAppMissingSystemLive::spawnFinisher(const std::string& transactionID,
                                                          const std::string& installGeneration) {
  const std::string program =
      platform::FileSystem::pathFor(VGXGuardNames::guardExecutablePath).native();
  auto started = platform::spawnDetached(
      program,
      {program, std::string(VGXGuardNames::finishUninstallFlag), transactionID, installGeneration},
      finisherEnvironment());
  if (!started) return std::unexpected(VGXInstallerError::failed(started.error()));
  finisher_ = *started;
  return {};
}

bool VGXAppMissingSystemLive::waitForGuardUnloaded(double timeoutSeconds) {
  VGXSystemClock clock;
  const std::uint64_t start = clock.continuousNanoseconds();
  const std::uint64_t limit =
      timeoutSeconds > 0 ? static_cast<std::uint64_t>(timeoutSeconds * 1e9) : 0;
  for (;;) {
    // Only an answer counts: a systemctl that failed or was killed knows nothing.
    const auto loaded = machine_.isGuardLoaded();
    if (loaded && !*loaded) return true;
    const std::uint64_t now = clock.continuousNanoseconds();
    if (now < start || now - start >= limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
}

}  // namespace vigilix
