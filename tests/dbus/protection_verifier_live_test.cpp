// The protection verifier over logind on a private system bus: the keep-awake
// timer's locks, their repair, and sleep from PrepareForSleep. Virtual time,
// live bus.

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "core/sleep_wake_timer.h"
#include "dbus/mock_logind_test_fixture.h"
#include "platform/power/lid_state.h"
#include "platform/power/logind_power_assertions.h"
#include "platform/power/logind_sleep_monitor.h"
#include "platform/runloop/live_serial_queue.h"
#include "testing/health/protection_verifier_test_fixture.h"

namespace vigilix::testing {
namespace {

using State = VGXProtectionState;
using Cause = VGXIncident::Cause;
using Kind = VGXIncident::Kind;

std::size_t ownBlockLocks() {
  return std::ranges::count(locksOf(::getpid()), std::string("block"),
                            &platform::LogindInhibitor::mode);
}

// A verifier world whose assertions are logind's locks, held by the real
// keep-awake timer, with the lid as logind reports it.
struct LiveVerifierWorld {
  LiveVerifierWorld() {
    previousAssertions = platform::PowerAssertions::setCurrent(assertions.get());
    previousLid = platform::LidState::setCurrent(&lid);
    auto environment = DZLSleepWakeTimer::Environment::current();
    environment.assertions = assertions.get();
    timer = DZLSleepWakeTimer::make(environment);
  }
  ~LiveVerifierWorld() {
    timer->invalidate();
    platform::LidState::setCurrent(previousLid);
    platform::PowerAssertions::setCurrent(previousAssertions);
  }

  // As the application starts: the timer's lock when kept awake, then the
  // verifier started with the timer's functions.
  void start(bool keptAwake) {
    world.awake = keptAwake;
    if (keptAwake) {
      EXPECT_TRUE(timer->scheduleWithTimeInterval(0));
    }
    world.verifier->startWithExpectedTypes([this] { return timer->expectedAssertionTypes(); },
                                           [this] {
                                             ++world.repairs;
                                             return timer->repair();
                                           },
                                           [this] { ++world.changes; });
  }
  // Runs the main queue until the workspace has seen `count` posts of `name`.
  bool posted(const char* name, int count) {
    return waitUntil([&] {
      world.platform.runUntilIdle();
      return std::ranges::count(seen, std::string(name)) >= count;
    });
  }

  VerifierWorld world;
  std::unique_ptr<platform::LogindPowerAssertions> assertions =
      std::make_unique<platform::LogindPowerAssertions>(platform::LogindPowerAssertions::Services{
          std::make_shared<platform::LiveLogindInhibitors>(), nullptr,
          std::make_shared<platform::LiveSerialQueue>("test.verifier-assertions")});
  platform::LogindLidState lid;
  platform::PowerAssertions* previousAssertions = nullptr;
  platform::LidState* previousLid = nullptr;
  std::shared_ptr<DZLSleepWakeTimer> timer;
  std::vector<std::string> seen;
  platform::ObserverHandle observer = platform::NotificationCenter::workspaceCenter().addObserver(
      "", nullptr, nullptr,
      [this](const platform::Notification& notification) { seen.push_back(notification.name); });
};

using ProtectionVerifierLiveTest = MockLogindTest;

TEST_F(ProtectionVerifierLiveTest, AVanishedLockIsRepairedOnceOrRecordedOnceAsLost) {
  struct Row {
    const char* name;
    bool refuseNewLocks;
    int checks;  // 30 s ticks after logind let go
    State state;
    int repairs;
    int losses;  // incidents and notices alike
  };
  const Row rows[] = {
      {"still held", false, 0, State{State::verified{}}, 0, 0},
      {"let go, repaired and listed again", false, 1, State{State::verified{}}, 1, 0},
      {"let go and refused, over three checks", true, 3, State{State::missing{}}, 3, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto live = std::make_unique<LiveVerifierWorld>();
    VerifierWorld& world = live->world;
    // Started while the lock is still being taken: the first check waits for it.
    live->start(true);
    EXPECT_EQ(world.verifier->state(), State{State::verified{}});
    if (row.checks > 0) {
      refuseBlockLocks(row.refuseNewLocks);
      dropBlockLocks();
      ASSERT_TRUE(waitUntil([&] { return live->timer->currentAssertionIDs().empty(); }));
      world.platform.advance(30.0 * row.checks);
    }
    EXPECT_EQ(world.verifier->state(), row.state);
    EXPECT_EQ(world.repairs, row.repairs);
    EXPECT_EQ(ownBlockLocks(), row.refuseNewLocks ? 0u : 1u);
    const auto incidents = world.incidents();
    EXPECT_EQ(incidents.size(), static_cast<std::size_t>(row.losses));
    for (const VGXIncident& incident : incidents) EXPECT_EQ(incident.kind, Kind::protectionLost);
    EXPECT_EQ(world.notices(), static_cast<std::size_t>(row.losses));
    refuseBlockLocks(false);
  }
}

TEST_F(ProtectionVerifierLiveTest, PrepareForSleepRecordsOneIncidentThatSettlesAfterFiveMinutes) {
  struct Row {
    const char* name;
    bool keptAwake;
    bool lidClosed;
    std::optional<Cause> cause;  // none: no incident
    std::optional<std::string> reasonLine;
  };
  const Row rows[] = {
      {"kept awake, lid closed", true, true, Cause::lidClosed,
       "Your computer slept at 9:00 AM while Vigilix was keeping it awake \u2014 the lid was "
       "closed"},
      {"kept awake, no known cause", true, false, Cause::unknown,
       "Your computer slept at 9:00 AM while Vigilix was keeping it awake"},
      {"nothing wanted", false, true, std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto live = std::make_unique<LiveVerifierWorld>();
    VerifierWorld& world = live->world;
    live->start(row.keptAwake);
    setLidClosed(row.lidClosed);
    platform::LogindSleepMonitor monitor(platform::DispatchQueue::main());
    ASSERT_TRUE(monitor.start());

    emitPrepareForSleep(true);
    ASSERT_TRUE(live->posted("NSWorkspaceWillSleepNotification", 1));
    emitPrepareForSleep(false);
    ASSERT_TRUE(live->posted("NSWorkspaceDidWakeNotification", 1));

    const auto incidents = world.incidents();
    ASSERT_EQ(incidents.size(), row.cause ? 1u : 0u);
    EXPECT_EQ(world.verifier->reasonLine(), row.reasonLine);
    EXPECT_EQ(world.verifier->hasAttention(), row.cause.has_value());
    setLidClosed(false);
    if (!row.cause) continue;
    EXPECT_EQ(incidents[0].kind, Kind::sleptWhileAwake);
    EXPECT_EQ(incidents[0].cause, *row.cause);

    // The wake's check starts the passing time; the tick 300 s later settles it.
    world.platform.advance(299);
    EXPECT_TRUE(world.verifier->hasAttention()) << "299 s is not enough";
    const int changes = world.changes;
    world.platform.advance(1);
    EXPECT_FALSE(world.verifier->hasAttention());
    EXPECT_EQ(world.changes, changes + 1);
    EXPECT_TRUE(world.incidents()[0].acknowledged);
  }
}

}  // namespace
}  // namespace vigilix::testing
