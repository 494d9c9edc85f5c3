// The guard's sleep switch against logind on a private system bus.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dbus/mock_logind_test_fixture.h"
#include "platform/power/logind_inhibitors.h"
#include "sleepguard/core/logind_sleep_runner.h"
#include "sleepguard/core/process_table.h"
#include "sleepguard/core/sleep_guard_core.h"
#include "sleepguard/testing/fake_guard_clock.h"
#include "sleepguard/testing/fake_guard_policy.h"
#include "sleepguard/testing/fake_guard_sensors.h"
#include "sleepguard/testing/fake_guard_store.h"

namespace vigilix::testing {
namespace {

using platform::LiveLogindInhibitors;
using platform::LogindInhibitor;

// A child process that takes a lock through `take` (run in the child; what
// it takes must stay open) and holds it until it is killed.
class LockHolder {
 public:
  explicit LockHolder(const std::function<bool()>& take) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ends[0]);
      const char answer = take() ? 'y' : 'n';
      if (::write(ends[1], &answer, 1) != 1) ::_exit(1);
      for (;;) ::pause();
    }
    ::close(ends[1]);
    pollfd ready{ends[0], POLLIN, 0};
    char answer = 'n';
    if (pid_ > 0 && ::poll(&ready, 1, 10'000) == 1 && ::read(ends[0], &answer, 1) == 1) {
      took_ = answer == 'y';
    }
    ::close(ends[0]);
  }
  ~LockHolder() {
    if (pid_ > 0 && !reaped()) {
      ::kill(pid_, SIGKILL);
      waitUntil([this] { return reaped(); });
    }
  }

  pid_t pid() const { return pid_; }
  bool took() const { return took_; }
  // True once the child has ended and was reaped; `signal` is then what ended it.
  bool reaped() {
    if (status_) return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
    status_ = status;
    return true;
  }
  int endingSignal() const { return status_ && WIFSIGNALED(*status_) ? WTERMSIG(*status_) : 0; }

 private:
  pid_t pid_ = -1;
  bool took_ = false;
  std::optional<int> status_;
};

// An older guard: the same runner, in another process.
bool takeSleepSwitch() {
  auto* runner = new VGXLogindSleepRunner("older guard");  // kept until the process is killed
  return runner->setSleepDisabled(true).has_value();
}

// The application's own keep-awake lock, in Vigilix's name too.
bool takeApplicationLock() {
  auto lock = LiveLogindInhibitors().inhibit("idle:sleep", kSleepSwitchWho, "app", "block");
  return lock.has_value() && lock->release() >= 0;
}

class LogindSleepSwitchTest : public MockLogindTest {
 protected:
  void SetUp() override {
    MockLogindTest::SetUp();
    if (::geteuid() != 0) GTEST_SKIP() << "the sleep switch is a root lock (CI runs as root)";
  }
};

TEST_F(LogindSleepSwitchTest, InhibitorCallsRoundTrip) {
  LiveLogindInhibitors logind;
  auto lock = logind.inhibit("sleep:idle", "VigilixTest", "why: ünïcode", "delay");
  ASSERT_TRUE(lock.has_value()) << lock.error().description();
  EXPECT_GT(lock->get(), STDERR_FILENO);
  EXPECT_NE(::fcntl(lock->get(), F_GETFD) & FD_CLOEXEC, 0);
  EXPECT_EQ(locksOf(::getpid()),
            (std::vector<LogindInhibitor>{{"sleep:idle", "VigilixTest", "why: ünïcode", "delay", 0,
                                           static_cast<std::uint32_t>(::getpid())}}));
  lock->reset();
  EXPECT_TRUE(waitUntil([] { return locksOf(::getpid()).empty(); }));

  const auto refused = logind.inhibit("sleep", "VigilixTest", "why", "sometimes");
  ASSERT_FALSE(refused.has_value());
  EXPECT_EQ(refused.error().name, "org.freedesktop.DBus.Error.InvalidArgs");
}

TEST_F(LogindSleepSwitchTest, TakesReadsBackAndReleases) {
  VGXLogindSleepRunner runner("Closed-lid keep-awake");
  EXPECT_EQ(runner.readSleepDisabled(), false);

  ASSERT_TRUE(runner.setSleepDisabled(true).has_value());
  EXPECT_EQ(runner.readSleepDisabled(), true);
  EXPECT_EQ(locksOf(::getpid()),
            (std::vector<LogindInhibitor>{{"sleep:idle:handle-lid-switch", "Vigilix",
                                           "Closed-lid keep-awake", "block", 0,
                                           static_cast<std::uint32_t>(::getpid())}}));

  // Asking again replaces the lock, never adds one.
  ASSERT_TRUE(runner.setSleepDisabled(true).has_value());
  EXPECT_TRUE(waitUntil([] { return locksOf(::getpid()).size() == 1; }));
  EXPECT_EQ(runner.readSleepDisabled(), true);

  ASSERT_TRUE(runner.setSleepDisabled(false).has_value());
  EXPECT_TRUE(waitUntil([&] { return runner.readSleepDisabled() == false; }));
  EXPECT_TRUE(locksOf(::getpid()).empty());
}

TEST_F(LogindSleepSwitchTest, ChildrenDoNotKeepTheLock) {
  VGXLogindSleepRunner runner("Closed-lid keep-awake");
  ASSERT_TRUE(runner.setSleepDisabled(true).has_value());
  TestChildProcess child({"/bin/sleep", "30"}, bus().folder() / "sleep.log");
  ASSERT_TRUE(runner.setSleepDisabled(false).has_value());
  EXPECT_TRUE(waitUntil([] { return locksOf(::getpid()).empty(); }));
  EXPECT_TRUE(child.running());
}

TEST_F(LogindSleepSwitchTest, TheLockDiesWithItsHolder) {
  LockHolder holder(takeSleepSwitch);
  ASSERT_TRUE(holder.took());
  const auto held = locksOf(holder.pid());
  ASSERT_EQ(held.size(), 1u);
  EXPECT_TRUE(isSleepSwitchLock(held.front()));

  ASSERT_EQ(::kill(holder.pid(), SIGKILL), 0);
  EXPECT_TRUE(waitUntil([&] { return holder.reaped(); }));
  EXPECT_TRUE(waitUntil([&] { return locksOf(holder.pid()).empty(); }));
}

// An older guard: a guard program holding the sleep switch.
class OlderGuard {
 public:
  explicit OlderGuard(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const auto program = folder / std::string(kGuardProgramName);
    std::filesystem::copy_file(VIGILIX_GUARD_TEST_PEER, program,
                               std::filesystem::copy_options::overwrite_existing);
    log_ = folder / "older-guard.log";
    process_.emplace(std::vector<std::string>{program.string(), "lock"}, log_);
  }
  bool took() const {
    return waitUntil([&] { return readFile(log_).find("taken") != std::string::npos; });
  }
  TestChildProcess& process() { return *process_; }

 private:
  std::filesystem::path log_;
  std::optional<TestChildProcess> process_;
};

TEST_F(LogindSleepSwitchTest, StrayGuardsAreKilledAndNothingElse) {
  VGXLogindSleepRunner runner("Closed-lid keep-awake");
  ASSERT_TRUE(runner.setSleepDisabled(true).has_value());
  OlderGuard stray(bus().folder() / "older");
  LockHolder impostor(takeSleepSwitch);  // the same lock in Vigilix's name, another program
  LockHolder application(takeApplicationLock);
  ASSERT_TRUE(stray.took());
  ASSERT_TRUE(impostor.took());
  ASSERT_TRUE(application.took());
  EXPECT_EQ(VGXProcessTable().strayDisablerPIDs(),
            std::vector<std::int32_t>{stray.process().pid()});

  EXPECT_TRUE(runner.killStrayDisablers());
  EXPECT_EQ(stray.process().wait(), -1);  // ended by the kill
  EXPECT_TRUE(locksOf(stray.process().pid()).empty());
  EXPECT_TRUE(VGXProcessTable().strayDisablerPIDs().empty());

  for (LockHolder* left : {&impostor, &application}) {
    EXPECT_FALSE(left->reaped());
    EXPECT_EQ(locksOf(left->pid()).size(), 1u);
  }
  EXPECT_EQ(runner.readSleepDisabled(), true);
  EXPECT_TRUE(runner.killStrayDisablers());  // none left: nothing more to do
}

// logind drops a closed lock only when it gets round to it; a release must
// not take the lock still listed for one that failed to close.
TEST_F(LogindSleepSwitchTest, ReleaseWaitsForALaggingLogind) {
  setReleaseLag(500);
  struct LagOff {
    ~LagOff() { setReleaseLag(0); }
  } lagOff;
  VGXLogindSleepRunner runner("Closed-lid keep-awake");
  FakeGuardClock clock;
  FakeGuardSensors sensors(clock);
  FakeGuardStore store;
  FakeGuardPolicySource policies;
  policies.policies[501] = VGXGuardPolicy{false, 20, 3600, 86400};
  VGXSleepGuardCore core(runner, sensors, clock, store, policies, "1.2", 30, 30);

  const auto grant = core.hold(501, true);
  ASSERT_TRUE(grant.has_value()) << grant.error().description();
  EXPECT_EQ(locksOf(::getpid()).size(), 1u);
  const auto released = core.release(501, grant->token);
  EXPECT_TRUE(released.has_value()) << released.error().description();
  EXPECT_EQ(core.status().state, VGXGuardState::idle());
  EXPECT_TRUE(locksOf(::getpid()).empty());
}

TEST_F(LogindSleepSwitchTest, WithoutLogindEverythingFailsSoft) {
  logind().kill();
  VGXLogindSleepRunner runner("Closed-lid keep-awake");
  const auto unknown =
      VGXGuardError::io("logind inhibit org.freedesktop.DBus.Error.ServiceUnknown");
  EXPECT_EQ(runner.setSleepDisabled(true), std::unexpected(unknown));
  EXPECT_EQ(
      runner.readSleepDisabled(),
      std::unexpected(VGXGuardError::io("logind list org.freedesktop.DBus.Error.ServiceUnknown")));
  EXPECT_FALSE(runner.killStrayDisablers());
  EXPECT_TRUE(runner.setSleepDisabled(false).has_value());
  EXPECT_FALSE(VGXProcessTable().canListProcesses());
}

TEST_F(LogindSleepSwitchTest, WithoutASystemBusEverythingFailsSoft) {
  const std::string missing = "unix:path=" + (bus().folder() / "missing_socket").string();
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", missing.c_str(), 1);
  VGXLogindSleepRunner runner("Closed-lid keep-awake");
  const auto inhibit = runner.setSleepDisabled(true);
  const auto read = runner.readSleepDisabled();
  const bool killed = runner.killStrayDisablers();
  const bool listed = VGXProcessTable().canListProcesses();
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus().address().c_str(), 1);

  EXPECT_EQ(inhibit, std::unexpected(VGXGuardError::io("logind inhibit 2")));
  EXPECT_EQ(read, std::unexpected(VGXGuardError::io("logind list 2")));
  EXPECT_FALSE(killed);
  EXPECT_FALSE(listed);
}

}  // namespace
}  // namespace vigilix::testing
