#include "sleepguard/installer/systemctl.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "sleepguard/common/guard_names.h"
#include "testing/fake_systemctl.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

using testing::FakeSystemctl;

const std::string kUnits =
    "run.tarvo.vigilix.sleepguard.socket run.tarvo.vigilix.sleepguard-admin.socket "
    "run.tarvo.vigilix.sleepguard.service";

std::expected<bool, VGXInstallerError> asTrue(const std::expected<void, VGXInstallerError>& done) {
  if (!done) return std::unexpected(done.error());
  return true;
}

// A hung tool is given little time; one that answers, plenty (the machine may be busy).
platform::ChildLimits quickLimits(bool hangs = true) {
  platform::ChildLimits limits = VGXSystemctl::defaultLimits();
  limits.deadlineNanoseconds = hangs ? 100'000'000 : 10'000'000'000;
  limits.pollNanoseconds = 1'000'000;
  limits.reapGraceNanoseconds = 20'000'000;
  return limits;
}

TEST(SystemctlTest, CommandsAreReadOnlyFromAToolThatRanToItsEnd) {
  enum class Command { show, bootout, bootstrap };
  struct Row {
    const char* name;
    std::function<void(const FakeSystemctl&)> arrange;
    Command command;
    // For show, the answer; for the others, success is true.
    std::expected<bool, VGXInstallerError> result;
    std::vector<std::string> calls;
    std::size_t activeAfter;
    bool hangs = false;
  };
  const std::string show = "show --property=ActiveState,SubState,MainPID " + kUnits;
  const auto nothing = [](const FakeSystemctl&) {};
  const Row rows[] = {
      {"nothing active reads as unloaded", nothing, Command::show, false, {show}, 0},
      {"a running service is loaded",
       [](const FakeSystemctl& f) { f.setActive(VGXGuardNames::guardServiceUnit, true); },
       Command::show,
       true,
       {show},
       1},
      {"a listening socket alone is loaded: it would start the guard",
       [](const FakeSystemctl& f) { f.setActive(VGXGuardNames::adminSocketUnit, true); },
       Command::show,
       true,
       {show},
       1},
      {"a failing show is no answer",
       [](const FakeSystemctl& f) { f.exitWith("show", 1); },
       Command::show,
       std::unexpected(VGXInstallerError::failed("systemctl show 1")),
       {show},
       0},
      {"output that is not one block per unit is no answer",
       [](const FakeSystemctl& f) { f.print("show", "ActiveState=inactive\n"); },
       Command::show,
       std::unexpected(VGXInstallerError::failed("systemctl show output")),
       {show},
       0},
      {"a show that hangs is killed and is no answer, never unloaded",
       [](const FakeSystemctl& f) { f.hang("show"); },
       Command::show,
       std::unexpected(VGXInstallerError::failed("systemctl show timeout")),
       {show},
       0,
       true},
      {"bootstrap reloads, then enables and starts the sockets and the service",
       nothing,
       Command::bootstrap,
       true,
       {"daemon-reload", "enable --now " + kUnits},
       3},
      {"a failed reload stops the bootstrap",
       [](const FakeSystemctl& f) { f.exitWith("daemon-reload", 1); },
       Command::bootstrap,
       std::unexpected(VGXInstallerError::failed("systemctl daemon-reload 1")),
       {"daemon-reload"},
       0},
      {"a failed enable fails with its status",
       [](const FakeSystemctl& f) { f.exitWith("enable", 4); },
       Command::bootstrap,
       std::unexpected(VGXInstallerError::failed("systemctl enable 4")),
       {"daemon-reload", "enable --now " + kUnits},
       0},
      {"bootout disables and stops all three units",
       [](const FakeSystemctl& f) {
         f.setActive(VGXGuardNames::guardServiceUnit, true);
         f.setActive(VGXGuardNames::guardSocketUnit, true);
       },
       Command::bootout,
       true,
       {"disable --now " + kUnits},
       0},
      {"a failed bootout fails with its status",
       [](const FakeSystemctl& f) {
         f.setActive(VGXGuardNames::guardServiceUnit, true);
         f.exitWith("disable", 5);
       },
       Command::bootout,
       std::unexpected(VGXInstallerError::failed("systemctl disable 5")),
       {"disable --now " + kUnits},
       1},
      {"a bootout that hangs is killed and fails",
       [](const FakeSystemctl& f) { f.hang("disable"); },
       Command::bootout,
       std::unexpected(VGXInstallerError::failed("systemctl disable timeout")),
       {"disable --now " + kUnits},
       0,
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TemporaryRoot root;
    const FakeSystemctl fake(root.path());
    row.arrange(fake);
    VGXSystemctl systemctl(quickLimits(row.hangs));
    std::expected<bool, VGXInstallerError> result;
    switch (row.command) {
      case Command::show:
        result = systemctl.isGuardLoaded();
        break;
      case Command::bootout:
        result = asTrue(systemctl.bootout());
        break;
      case Command::bootstrap:
        result = asTrue(systemctl.bootstrap());
        break;
    }
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(fake.calls(), row.calls);
    EXPECT_EQ(fake.activeUnits().size(), row.activeAfter);
    EXPECT_TRUE(systemctl.unreaped().empty());
  }
}

TEST(SystemctlTest, AToolThatCannotRunOrCannotBeReapedIsAFailure) {
  testing::TemporaryRoot root;
  VGXSystemctl missing(quickLimits());
  EXPECT_EQ(missing.isGuardLoaded(),
            std::unexpected(VGXInstallerError::failed("systemctl show spawn 2")));

  // A kill that misses leaves the child running: the wait stays bounded and the child is kept.
  const FakeSystemctl fake(root.path());
  fake.hang("disable");
  VGXSystemctl stuck(quickLimits(), platform::ChildControl{
                                        platform::ChildControl::live().nanosecondsNow,
                                        [](pid_t, int) { return 0; },
                                    });
  EXPECT_EQ(stuck.bootout(),
            std::unexpected(VGXInstallerError::failed("systemctl disable child not reaped")));
  ASSERT_EQ(stuck.unreaped().size(), 1u);
  const pid_t left = stuck.unreaped().front();
  ::kill(left, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(left, &status, 0), left);
}

// The fake manager runs what a unit names from its start until its stop, as the guard's e2e needs.
TEST(SystemctlTest, TheFakeManagerRunsAUnitsProgramFromBootstrapToBootout) {
  testing::TemporaryRoot root;
  const FakeSystemctl fake(root.path());
  const std::filesystem::path socket = root.path() / "listening";
  fake.startOnEnable(
      VGXGuardNames::guardSocketUnit,
      {"/usr/bin/systemd-socket-activate", "-l", socket.string(), "/bin/sleep", "600"}, socket);
  VGXSystemctl systemctl(quickLimits(false));
  ASSERT_TRUE(systemctl.bootstrap().has_value());
  EXPECT_TRUE(std::filesystem::exists(socket)) << "enable returns once the unit listens";
  const auto pid = fake.pidOf(VGXGuardNames::guardSocketUnit);
  ASSERT_TRUE(pid.has_value());
  EXPECT_EQ(::kill(*pid, 0), 0);
  ASSERT_TRUE(systemctl.bootout().has_value());
  EXPECT_FALSE(fake.pidOf(VGXGuardNames::guardSocketUnit));
  // Gone, or a zombie of whoever reaps orphans here.
  std::ifstream in("/proc/" + std::to_string(*pid) + "/stat");
  const std::string stat{std::istreambuf_iterator<char>(in), {}};
  EXPECT_TRUE(stat.empty() || stat.find(") Z ") != std::string::npos) << stat;
}

TEST(SystemctlTest, ShowOutputIsReadPerUnit) {
  struct Row {
    const char* name;
    std::string_view output;
    std::optional<bool> active;
  };
  const Row rows[] = {
      {"all inactive",
       "ActiveState=inactive\nSubState=dead\nMainPID=0\n\nActiveState=inactive\n\n"
       "ActiveState=failed\n",
       false},
      {"one activating", "ActiveState=inactive\n\nActiveState=activating\n\nActiveState=inactive\n",
       true},
      {"an unknown state counts as loaded",
       "ActiveState=inactive\n\nActiveState=maintenance\n\nActiveState=inactive\n", true},
      {"carriage returns and a trailing blank line",
       "ActiveState=inactive\r\n\r\nActiveState=inactive\r\n\r\nActiveState=active\r\n\r\n", true},
      {"a unit missing", "ActiveState=inactive\n\nActiveState=inactive\n", std::nullopt},
      {"a block without its state", "ActiveState=inactive\n\nMainPID=0\n\nActiveState=inactive\n",
       std::nullopt},
      {"an empty state", "ActiveState=\n\nActiveState=inactive\n\nActiveState=inactive\n",
       std::nullopt},
      {"two states in one block",
       "ActiveState=inactive\nActiveState=active\n\nActiveState=inactive\n\nActiveState=inactive\n",
       std::nullopt},
      {"nothing", "", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(anyUnitActive(row.output, 3), row.active);
  }
}

}  // namespace
}  // namespace vigilix
