#include "sleepguard/core/logind_sleep_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <set>

#include "testing/fake_logind_inhibitors.h"

namespace vigilix {
namespace {

using platform::BusError;
using platform::LogindInhibitor;

LogindInhibitor lockOf(std::uint32_t pid, std::string what = kSleepSwitchWhat,
                       std::string who = kSleepSwitchWho, std::uint32_t uid = 0,
                       std::string mode = kSleepSwitchMode) {
  return LogindInhibitor{std::move(what), std::move(who), "why", std::move(mode), uid, pid};
}

constexpr const char* kInstalledGuard = "/var/lib/vigilix/vigilix-sleepguard";

ExecutableLookup runs(std::optional<std::string> executable) {
  return [executable](std::int32_t) { return executable; };
}

TEST(LogindSleepRunnerTest, WhichLocksAreStraySleepSwitches) {
  const std::int32_t self = 500;
  const std::string guard = kInstalledGuard;
  const struct {
    const char* name;
    LogindInhibitor lock;
    std::optional<std::string> executable;
    bool stray;
  } rows[] = {
      {"an older guard's lock", lockOf(700), guard, true},
      {"the lid switch and sleep alone suffice", lockOf(701, "handle-lid-switch:sleep"), guard,
       true},
      {"a guard replaced since it started", lockOf(708), guard + " (deleted)", true},
      {"a guard kept aside by an update", lockOf(709), guard + ".prev", true},
      {"a guard started from the package", lockOf(710), "/usr/libexec/vigilix/vigilix-sleepguard",
       true},
      {"another program in Vigilix's name", lockOf(711), "/usr/bin/python3", false},
      {"a program whose name only begins like the guard's", lockOf(712), guard + "-helper", false},
      {"an executable that cannot be read", lockOf(713), std::nullopt, false},
      {"our own lock", lockOf(500), guard, false},
      {"pid 1", lockOf(1), guard, false},
      {"pid 0", lockOf(0), guard, false},
      {"the application's sleep lock", lockOf(702, "idle:sleep"), guard, false},
      {"the lid switch without sleep", lockOf(703, "idle:handle-lid-switch"), guard, false},
      {"another holder's name", lockOf(704, kSleepSwitchWhat, "desktop"), guard, false},
      {"a user's lock", lockOf(705, kSleepSwitchWhat, kSleepSwitchWho, 1000), guard, false},
      {"a delay lock", lockOf(706, kSleepSwitchWhat, kSleepSwitchWho, 0, "delay"), guard, false},
      {"a pid beyond int32", lockOf(0x80000000u), guard, false},
      {"a name that only contains sleep", lockOf(707, "sleepy:handle-lid-switch"), guard, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(strayDisablerPIDs({row.lock}, self, runs(row.executable)).size(),
              row.stray ? 1u : 0u);
  }
  EXPECT_EQ(strayDisablerPIDs({lockOf(9), lockOf(7), lockOf(9, "sleep:handle-lid-switch")}, self,
                              runs(guard)),
            (std::vector<std::int32_t>{7, 9}));
}

// Stray processes the test controls: a kill ends those listed in `dying`,
// which then drop their locks from the fake logind.
struct StrayWorld {
  testing::FakeLogindInhibitors* logind = nullptr;
  std::set<pid_t> alive;
  std::set<pid_t> dying;
  bool locksLinger = false;
  std::vector<std::pair<pid_t, int>> signals;
  int pauses = 0;
  int pausedMilliseconds = 0;
  std::function<void(int)> onPause;  // told the milliseconds paused so far

  StrayProcessControl control() {
    return StrayProcessControl{
        [this](pid_t pid, int signal) {
          signals.emplace_back(pid, signal);
          if (dying.contains(pid)) {
            alive.erase(pid);
            if (!locksLinger) {
              std::erase_if(logind->locks, [pid](const LogindInhibitor& lock) {
                return static_cast<pid_t>(lock.pid) == pid;
              });
            }
          }
          return 0;
        },
        [this](pid_t pid) { return alive.contains(pid); },
        [this](int milliseconds) {
          ++pauses;
          pausedMilliseconds += milliseconds;
          if (onPause) onPause(pausedMilliseconds);
        },
        runs(kInstalledGuard),
    };
  }
};

TEST(LogindSleepRunnerTest, KillingStraySwitches) {
  struct Row {
    const char* name;
    std::vector<LogindInhibitor> locks;
    std::set<pid_t> dying;
    bool locksLinger;
    bool listFails;
    bool noneLeft;
    std::vector<std::pair<pid_t, int>> signals;
  };
  const auto self = static_cast<std::uint32_t>(::getpid());
  const Row rows[] = {
      {"nothing to kill", {lockOf(self), lockOf(702, "idle:sleep")}, {}, false, false, true, {}},
      {"strays end and their locks go",
       {lockOf(700), lockOf(701), lockOf(702, "idle:sleep")},
       {700, 701},
       false,
       false,
       true,
       {{700, SIGKILL}, {701, SIGKILL}}},
      {"a stray that will not end", {lockOf(700)}, {}, false, false, false, {{700, SIGKILL}}},
      {"a lock that outlives its holder",
       {lockOf(700)},
       {700},
       true,
       false,
       false,
       {{700, SIGKILL}}},
      {"locks that cannot be read", {lockOf(700)}, {700}, false, true, false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto logind = std::make_shared<testing::FakeLogindInhibitors>();
    logind->locks = row.locks;
    if (row.listFails) logind->listFailure = BusError{ENOENT, {}, {}};
    StrayWorld world;
    world.logind = logind.get();
    for (const auto& lock : row.locks) world.alive.insert(static_cast<pid_t>(lock.pid));
    world.dying = row.dying;
    world.locksLinger = row.locksLinger;

    VGXLogindSleepRunner runner("test", logind, world.control());
    EXPECT_EQ(runner.killStrayDisablers(), row.noneLeft);
    EXPECT_EQ(world.signals, row.signals);
    // Every wait is a bounded number of steps: 2 s of 10 ms per stray, then 2 s for logind.
    EXPECT_LE(world.pauses, 200 * static_cast<int>(row.locks.size()) + 200);
  }
}

// logind drops a closed lock a moment later, seconds later on a busy machine;
// turning sleep back on waits for that (6 s at most, asking less and less
// often), so the read-back that follows sees the truth.
TEST(LogindSleepRunnerTest, TurningSleepOnWaitsUntilLogindDropsTheLock) {
  const auto self = static_cast<std::uint32_t>(::getpid());
  const struct {
    const char* name;
    int dropAfterMilliseconds;  // negative: never
    bool listFails;
    bool disabledAfter;
    int pauses;
  } rows[] = {
      {"already gone", 0, false, false, 0},
      {"dropped after half a second", 500, false, false, 6},
      {"dropped after four seconds", 4000, false, false, 20},
      {"never dropped", -1, false, true, 28},
      {"logind cannot be read", -1, true, true, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto logind = std::make_shared<testing::FakeLogindInhibitors>();
    if (row.dropAfterMilliseconds != 0) logind->locks = {lockOf(self)};
    if (row.listFails) logind->listFailure = BusError{ENOENT, {}, {}};
    StrayWorld world;
    world.logind = logind.get();
    world.onPause = [&](int paused) {
      if (row.dropAfterMilliseconds > 0 && paused >= row.dropAfterMilliseconds) {
        logind->locks.clear();
      }
    };
    VGXLogindSleepRunner runner("test", logind, world.control());
    EXPECT_TRUE(runner.setSleepDisabled(false).has_value());
    EXPECT_EQ(world.pauses, row.pauses);
    EXPECT_LE(world.pausedMilliseconds, VGXLogindSleepRunner::kReleaseWaitMilliseconds + 250);
    logind->listFailure.reset();
    EXPECT_EQ(runner.readSleepDisabled(), row.disabledAfter);
  }
}

}  // namespace
}  // namespace vigilix
