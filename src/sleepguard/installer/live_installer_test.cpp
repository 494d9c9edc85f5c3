#include "sleepguard/installer/live_installer.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "sleepguard/installer/installer_idle_exit.h"
#include "testing/installer/installer_machine_fixture.h"

namespace vigilix {
namespace {

using testing::Machine;
namespace fs = std::filesystem;

TEST(InstallerIdleExitTest, LeavesSixtySecondsAfterTheLastConnectionOnly) {
  // Events at times since start: +1 opens, -1 closes; then whether the exit is
  // due at each probe time.
  struct Event {
    double at;
    int change;
  };
  struct Row {
    const char* name;
    std::vector<Event> events;
    std::vector<std::pair<double, bool>> due;
  };
  const Row rows[] = {
      {"nobody connects", {}, {{59.9, false}, {60, true}}},
      {"two open, one closes", {{5, +1}, {6, +1}, {10, -1}}, {{70, false}, {500, false}}},
      {"the second closes too",
       {{5, +1}, {6, +1}, {10, -1}, {20, -1}},
       {{79.9, false}, {80, true}}},
      {"a third opens meanwhile", {{5, +1}, {10, -1}, {65, +1}}, {{70, false}, {1000, false}}},
      {"opened at 59 s", {{59, +1}}, {{60, false}, {3600, false}}},
      {"a close without an open stays at zero",
       {{10, -1}, {11, +1}, {12, -1}},
       {{71.9, false}, {72, true}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VGXInstallerIdleExit idle(0);
    for (const Event& event : row.events) {
      if (event.change > 0) {
        idle.connectionOpened();
      } else {
        idle.connectionClosed(event.at);
      }
    }
    for (const auto& [at, due] : row.due) EXPECT_EQ(idle.isDue(at), due) << "at " << at;
  }
}

TEST(LiveInstallerTest, StatusReadsTheInstalledFilesAndTheServiceManager) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  struct Row {
    const char* name;
    std::function<void(Machine&)> arrange;
    VGXInstallerStatus expected;
    bool asksServiceManager;
  };
  const auto installed = [](Machine& m) {
    ASSERT_EQ(m.run([](VGXInstallerEngine& e) { return e.install(1000); }), VGXInstallerResult{});
  };
  const Row rows[] = {
      {"nothing installed", [](Machine&) {}, {false, false, false}, false},
      {"installed and running", installed, {true, true, false}, true},
      {"installed, the same, not loaded",
       [&](Machine& m) {
         installed(m);
         m.systemctl.setActive(VGXGuardNames::guardServiceUnit, false);
         m.systemctl.setActive(VGXGuardNames::guardSocketUnit, false);
         m.systemctl.setActive(VGXGuardNames::adminSocketUnit, false);
       },
       {true, false, false},
       true},
      {"a newer guard shipped",
       [&](Machine& m) {
         installed(m);
         m.ship("guard version 2");
       },
       {true, false, false},
       false},
      {"the service manager cannot be asked",
       [&](Machine& m) {
         installed(m);
         m.systemctl.exitWith("show", 1);
       },
       {true, false, false},
       true},
      {"shipped guard missing",
       [&](Machine& m) {
         installed(m);
         fs::remove(m.root.pathFor(VGXGuardNames::embeddedGuardPath()));
       },
       {true, false, false},
       false},
      {"an unreadable maintenance record",
       [&](Machine& m) {
         installed(m);
         testing::writeText(m.state("maintenance.json"), "{not json");
       },
       {true, true, true},
       true},
      {"a pending update",
       [&](Machine& m) {
         installed(m);
         testing::writeText(m.state("maintenance.json"),
                            R"({"txID":"A","op":"update","phase":"recorded"})");
       },
       {true, true, true},
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Machine machine;
    row.arrange(machine);
    machine.systemctl.clearCalls();
    VGXInstallerSystemLive system(machine.parts());
    EXPECT_EQ(LiveInstaller::statusReply(system), row.expected);
    EXPECT_EQ(!machine.systemctl.calls().empty(), row.asksServiceManager);
  }
}

}  // namespace
}  // namespace vigilix
