#include "testing/installer/installer_machine_fixture.h"

namespace vigilix {
namespace {

using testing::FakeSystemctl;
using testing::Machine;
using testing::readText;
namespace fs = std::filesystem;

VGXInstallerResult install(VGXInstallerEngine& engine) { return engine.install(1000); }
VGXInstallerResult uninstall(VGXInstallerEngine& engine) { return engine.uninstall(1000); }

TEST(InstallerTransactionsTest, InstallCheckUpdateAndUninstallOnTheMachine) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  Machine machine;
  ASSERT_EQ(machine.run(install), VGXInstallerResult{});
  machine.expectInstalled("guard version 1");
  EXPECT_EQ(readText(machine.state("install.json")).find("installGeneration"), 2u);

  machine.systemctl.clearCalls();
  ASSERT_EQ(machine.run(install), VGXInstallerResult{});
  machine.expectInstalled("guard version 1");
  EXPECT_EQ(machine.systemctl.calls().size(), 1u) << "the current check only asks";

  machine.ship("guard version 2");
  ASSERT_EQ(machine.run(install), VGXInstallerResult{});
  machine.expectInstalled("guard version 2");

  ASSERT_EQ(machine.run(uninstall), VGXInstallerResult{});
  machine.expectRemoved();
}

TEST(InstallerTransactionsTest, AKillAtEveryPhaseIsFinishedOrUndoneByTheNextStart) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  using When = FakeSystemctl::When;
  struct Row {
    const char* name;
    bool uninstalling;
    std::function<void(Machine&)> arm;
    // What the machine holds once the next start resumed: the old guard, the
    // new one, or nothing.
    std::optional<std::string> after;
  };
  const auto atCommand = [](const char* command, int nth, When when) {
    return [=](Machine& m) { m.systemctl.killCallerAt(command, nth, when); };
  };
  // The entry asks the guard's status once before anything is recorded.
  const auto atAdmin = [](VGXGuardMethod method, int nth) {
    return [=](Machine& m) { m.admin.killAt(method, nth); };
  };
  const Row rows[] = {
      {"update drained", false, atAdmin(VGXGuardMethod::beginDrain, 1), "guard version 1"},
      {"update booted out, before", false, atCommand("disable", 1, When::before),
       "guard version 1"},
      {"update booted out, after", false, atCommand("disable", 1, When::after), "guard version 1"},
      {"update replaced and bootstrapped, before the reload", false,
       atCommand("daemon-reload", 1, When::before), "guard version 1"},
      {"update bootstrapped, started", false, atCommand("enable", 1, When::after),
       "guard version 1"},
      {"update bootstrapped, at the handshake", false, atAdmin(VGXGuardMethod::status, 2),
       "guard version 1"},
      {"uninstall drained", true, atAdmin(VGXGuardMethod::beginDrain, 1), "guard version 1"},
      {"uninstall booted out, before", true, atCommand("disable", 1, When::before), std::nullopt},
      {"uninstall booted out, after", true, atCommand("disable", 1, When::after), std::nullopt},
      {"uninstall booted out, at the last look", true, atCommand("show", 1, When::before),
       std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Machine machine;
    ASSERT_EQ(machine.run(install), VGXInstallerResult{});
    if (!row.uninstalling) machine.ship("guard version 2");
    row.arm(machine);
    ASSERT_TRUE(machine.runKilled(row.uninstalling ? uninstall : install));
    EXPECT_TRUE(fs::exists(machine.state("maintenance.json")));

    machine.systemctl.reset();
    machine.admin.disarm();
    EXPECT_EQ(machine.run([](VGXInstallerEngine& e) { return e.resume(); }), VGXInstallerResult{});
    if (row.after) {
      machine.expectInstalled(*row.after);
    } else {
      machine.expectRemoved();
    }
  }
}

}  // namespace
}  // namespace vigilix
