// The app-missing uninstall on a temporary root: the guard's check in this
// process over the live machine, the built guard program as the finisher.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>

#include "dbus/dbus_mock.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "sleepguard/core/sleep_guard_core.h"
#include "sleepguard/installer/app_missing_cleanup.h"
#include "sleepguard/installer/app_missing_system_live.h"
#include "sleepguard/installer/installer_system_live.h"
#include "sleepguard/testing/fake_guard_clock.h"
#include "sleepguard/testing/fake_guard_policy.h"
#include "sleepguard/testing/fake_guard_runner.h"
#include "sleepguard/testing/fake_guard_sensors.h"
#include "testing/installer/installer_machine_fixture.h"

namespace vigilix::testing {
namespace {

namespace fs = std::filesystem;

// A sanitizer build's guard is past what the installer takes; the rows that
// install the built guard run in the plain build.
bool shippedGuardFits() {
  return fs::file_size(VIGILIX_GUARD_PROGRAM) <= VGXInstallerSystemLive::kMaxEmbeddedBytes;
}

TEST(AppMissingEndToEndTest, TheApplicationRemovedTakesTheGuardWithIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  if (!shippedGuardFits()) GTEST_SKIP() << "the built guard is past the installer's size limit";
  // The finisher asks logind for stray sleep switches on this bus.
  PrivateSystemBus systemBus;
  DbusMock logind(systemBus, logindInhibitTemplate(), "org.freedesktop.login1");
  Machine machine;
  machine.ship(readFile(VIGILIX_GUARD_PROGRAM));
  ASSERT_EQ(machine.run([](VGXInstallerEngine& e) { return e.install(1000); }),
            VGXInstallerResult{});
  const fs::path application = machine.root.pathFor(VGXGuardNames::appPath());
  writeText(application, "the application");

  // The guard's core on the state directory, holding sleep off for a user.
  FakeGuardClock clock;
  FakeGuardRunner runner;
  FakeGuardSensors sensors{clock};
  FakeGuardPolicySource policies;
  policies.policies[1000] = VGXGuardPolicy{false, 20, 3600, 86400};
  VGXAppMissingSystemLive system(machine.parts());
  VGXSleepGuardCore core(runner, sensors, clock, system.store(), policies, "1.2", 30, 30);
  ASSERT_TRUE(core.hold(1000, true).has_value());
  VGXAppMissingCleanup cleanup(core, system);

  cleanup.check();
  EXPECT_EQ(system.finisherPid(), 0) << "the application is there";
  EXPECT_TRUE(runner.sleepDisabled);

  fs::remove(application);
  cleanup.check();
  ASSERT_GT(system.finisherPid(), 0);
  EXPECT_FALSE(runner.sleepDisabled) << "let go before the finisher starts";
  int status = 0;
  ASSERT_TRUE(waitUntil([&] { return ::waitpid(system.finisherPid(), &status, WNOHANG) > 0; },
                        std::chrono::seconds(60)));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  machine.expectRemoved();
  EXPECT_TRUE(machine.systemctl.calls().back().starts_with("show")) << "waited for the stop";
}

TEST(AppMissingEndToEndTest, AFinisherOfAnotherInstallationRemovesNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  if (!shippedGuardFits()) GTEST_SKIP() << "the built guard is past the installer's size limit";
  PrivateSystemBus systemBus;
  DbusMock logind(systemBus, logindInhibitTemplate(), "org.freedesktop.login1");
  Machine machine;
  machine.ship(readFile(VIGILIX_GUARD_PROGRAM));
  ASSERT_EQ(machine.run([](VGXInstallerEngine& e) { return e.install(1000); }),
            VGXInstallerResult{});
  writeText(
      machine.state("maintenance.json"),
      R"({"txID":"T1","op":"appMissingUninstall","phase":"released","installGeneration":"OLD"})");
  machine.systemctl.setActive(VGXGuardNames::guardServiceUnit, false);
  machine.systemctl.setActive(VGXGuardNames::guardSocketUnit, false);
  machine.systemctl.setActive(VGXGuardNames::adminSocketUnit, false);
  ScopedEnvironment rootVariable("VIGILIX_ROOT", machine.root.path().string());
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    int exit;
  };
  const Row rows[] = {
      {"a generation that no longer matches", {"--finish-uninstall", "T1", "OLD2"}, 1},
      {"another transaction", {"--finish-uninstall", "T2", "OLD"}, 1},
      {"an identifier with a dot", {"--finish-uninstall", "T.1", "OLD"}, 64},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> argv{machine.root.pathFor(VGXGuardNames::guardExecutablePath)};
    argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
    TestChildProcess finisher(argv, machine.root.path() / "finisher.log");
    EXPECT_EQ(finisher.wait(std::chrono::seconds(60)), row.exit);
    EXPECT_TRUE(fs::exists(machine.state("vigilix-sleepguard")));
    EXPECT_TRUE(machine.unitsWritten());
  }
}

}  // namespace
}  // namespace vigilix::testing
