#include "sleepguard/installer/app_missing_system_live.h"

#include <gtest/gtest.h>

#include "platform/fs/file_system.h"
#include "sleepguard/common/guard_names.h"
#include "testing/installer/installer_machine_fixture.h"

namespace vigilix {
namespace {

using testing::Machine;

TEST(AppMissingSystemLiveTest, OnlyAnAnswerOfTheServiceManagerReadsAsStopped) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  struct Row {
    const char* name;
    std::function<void(Machine&)> arrange;
    bool unloaded;
  };
  const Row rows[] = {
      {"every unit inactive", [](Machine&) {}, true},
      {"the service still active",
       [](Machine& m) { m.systemctl.setActive(VGXGuardNames::guardServiceUnit, true); }, false},
      {"a socket still listening",
       [](Machine& m) { m.systemctl.setActive(VGXGuardNames::adminSocketUnit, true); }, false},
      {"systemctl fails", [](Machine& m) { m.systemctl.exitWith("show", 1); }, false},
      {"systemctl prints nothing readable",
       [](Machine& m) { m.systemctl.print("show", "garbage\n"); }, false},
      {"systemctl killed at its deadline", [](Machine& m) { m.systemctl.hang("show"); }, false},
      {"systemctl missing", [](Machine& m) { std::filesystem::remove(m.systemctl.toolPath()); },
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Machine machine;
    row.arrange(machine);
    auto parts = machine.parts();
    // Short only where the tool hangs for good, so a slow machine changes no outcome.
    auto limits = VGXSystemctl::defaultLimits();
    if (std::string_view(row.name).find("deadline") != std::string_view::npos) {
      limits.deadlineNanoseconds = 1'000'000'000;
    }
    parts.systemctl = std::make_unique<VGXSystemctl>(limits);
    VGXAppMissingSystemLive system(std::move(parts));
    EXPECT_EQ(system.waitForGuardUnloaded(0), row.unloaded);
  }
}

TEST(AppMissingSystemLiveTest, TheFinisherInheritsOnlyWhichMachineItServes) {
  struct Row {
    const char* name;
    std::optional<std::filesystem::path> root;
    std::vector<std::string> environment;
  };
  const Row rows[] = {
      {"the machine itself", "/", {}},
      {"a machine under a root", "/tmp/machine", {"VIGILIX_ROOT=/tmp/machine"}},
  };
  const char* bus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform::FileSystem::setRoot(row.root);
    auto expected = row.environment;
    expected.push_back("VIGILIX_INSTALL_PREFIX=" + VGXGuardNames::installPrefix());
    if (bus) expected.push_back(std::string("DBUS_SYSTEM_BUS_ADDRESS=") + bus);
    EXPECT_EQ(VGXAppMissingSystemLive::finisherEnvironment(), expected);
  }
  platform::FileSystem::setRoot(std::nullopt);
}

}  // namespace
}  // namespace vigilix
