#include "sleepguard/core/logind_sleep_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
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

TEST(LogindSleepRunnerTest, WhichLocksAreStraySleepSwitches) {
  const std::int32_t self = 500;
  const struct {
    const char* name;
    LogindInhibitor lock;
    bool stray;
  } rows[] = {
      {"an older guard's lock", lockOf(700), true},
      {"the lid switch and sleep alone suffice", lockOf(701, "handle-lid-switch:sleep"), true},
      {"our own lock", lockOf(500), false},
      {"pid 1", lockOf(1), false},
      {"pid 0", lockOf(0), false},
      {"the application's sleep lock", lockOf(702, "idle:sleep"), false},
      {"the lid switch without sleep", lockOf(703, "idle:handle-lid-switch"), false},
      {"another holder's name", lockOf(704, kSleepSwitchWhat, "desktop"), false},
      {"a user's lock", lockOf(705, kSleepSwitchWhat, kSleepSwitchWho, 1000), false},
      {"a delay lock", lockOf(706, kSleepSwitchWhat, kSleepSwitchWho, 0, "delay"), false},
      {"a pid beyond int32", lockOf(0x80000000u), false},
      {"a name that only contains sleep", lockOf(707, "sleepy:handle-lid-switch"), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(strayDisablerPIDs({row.lock}, self).size(), row.stray ? 1u : 0u);
  }
  EXPECT_EQ(strayDisablerPIDs({lockOf(9), lockOf(7), lockOf(9, "sleep:handle-lid-switch")}, self),
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
        [this] { ++pauses; },
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

}  // namespace
}  // namespace vigilix
