#include "sleepguard/service/guard_main.h"

#include <unistd.h>

#include <cstdio>

#include "platform/defaults/plist_defaults_store.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/service_command_line.h"
#include "sleepguard/common/service_files.h"
#include "sleepguard/core/logind_sleep_runner.h"
#include "sleepguard/core/secure_directory_store.h"
#include "sleepguard/core/system_clock.h"
#include "sleepguard/core/system_sensors.h"
#include "sleepguard/installer/app_missing_cleanup.h"
#include "sleepguard/installer/app_missing_system_live.h"
#include "sleepguard/service/guard_server.h"

namespace vigilix::VGXGuardMain {
namespace {

constexpr const char* kLockReason = "Keeping the computer awake with the lid closed";

int fail(const std::string& line) {
  std::fputs(("VigilixSleepGuard: " + line + "\n").c_str(), stderr);
  return kExitConfig;
}

int runGuard() {
  if (::geteuid() != 0) return fail("must run as root");
  VGXGuardServer::blockTerminationSignals();
  auto store = VGXSecureDirectoryStore::create(VGXGuardNames::stateDirectory);
  if (!store) return fail("state directory: " + store.error().description());
  auto listeners = takeGuardListeners();
  if (!listeners) return fail("sockets: " + listeners.error());

  VGXSystemClock clock;
  VGXSystemSensors sensors(clock);
  VGXLogindSleepRunner runner(kLockReason);
  VGXManagedPolicySource policies(platform::managedPreferencesFolder(), systemUsernameForUID);
  VGXGuardDaemon daemon(
      runner, sensors, clock, **store, policies,
      VGXServiceFiles::hashRegularFile(VGXGuardNames::guardExecutablePath).value_or(""));
  daemon.recoverAtStart();
  VGXAppMissingSystemLive machine;
  VGXAppMissingCleanup cleanup(daemon.core(), machine);
  VGXGuardServer server(daemon, clock, std::move(*listeners), {},
                        {platform::ProcessIdentity::live(), VGXSeatSessions::live(),
                         platform::LogindWakeSignal::open(), [&] { cleanup.check(); }});
  return server.run();
}

bool finishLive(const Command& command) {
  VGXAppMissingSystemLive machine;
  if (!machine.hasStore()) return false;
  return VGXAppMissingCleanup::finish(command.transactionID, command.generation, machine);
}

}  // namespace

int run(const std::vector<std::string>& arguments, const Finisher& finisher) {
  const Command command = parseCommandLine(arguments);
  switch (command.role) {
    case Command::Role::guard:
      return runGuard();
    case Command::Role::finishUninstall:
      if (finisher) {
        return finisher(command.transactionID, command.generation) ? kExitSuccess : kExitFailure;
      }
      return finishLive(command) ? kExitSuccess : kExitFailure;
    case Command::Role::usage:
      break;
  }
  return kExitUsage;
}

}  // namespace vigilix::VGXGuardMain
