#include "health/protection_verifier.h"

#include <gtest/gtest.h>

#include <functional>

#include "testing/health/protection_verifier_test_fixture.h"

namespace vigilix::testing {
namespace {

using State = VGXProtectionState;
using Cause = VGXIncident::Cause;
using Kind = VGXIncident::Kind;

TEST(ProtectionVerifierTest, ChecksRepairOnceAndRecordOneLossPerLoss) {
  struct Row {
    const char* name;
    std::function<void(VerifierWorld&)> before;  // before start
    std::function<void(VerifierWorld&)> after;   // after the first check
    int ticks;                                   // 30 s checks after that
    State state;
    int repairs;
    int losses;  // incidents and notices alike
    int changes;
  };
  const auto held = [](VerifierWorld& t) { t.holdAssertion(); };
  const auto vanish = [](VerifierWorld& t) { t.platform.power.assertions.dropAll(); };
  const auto noRepair = [](VerifierWorld& t) { t.repairRecreates = false; };
  const auto nothing = [](VerifierWorld&) {};
  const Row rows[] = {
      {"held", held, nothing, 1, State{State::verified{}}, 0, 0, 1},
      {"vanished, repaired, found again", held, vanish, 1, State{State::verified{}}, 1, 0, 1},
      {"missing over three checks", noRepair, nothing, 2, State{State::missing{}}, 3, 1, 1},
      {"lost, found, lost again", noRepair,
       [](VerifierWorld& t) {
         t.holdAssertion();
         t.platform.advance(30);
         t.platform.power.assertions.dropAll();
       },
       1, State{State::missing{}}, 2, 2, 3},
      {"listing fails",
       [](VerifierWorld& t) {
         t.platform.power.assertions.failListing(platform::LockError::unavailable);
       },
       nothing, 0, State{State::unknown{"Assertion inspection failed (-536870212)"}}, 0, 0, 1},
      {"paused: nothing to repair",
       [](VerifierWorld& t) {
         t.heat = true;
         t.expected.clear();
       },
       nothing, 0, State{State::deliberatePause{VGXPauseReason::heat}}, 0, 0, 1},
      {"not wanted", [](VerifierWorld& t) { t.awake = false; }, nothing, 0,
       State{State::notExpected{}}, 0, 0, 0},
      {"nothing expected, nothing held", [](VerifierWorld& t) { t.expected.clear(); }, nothing, 0,
       State{State::verified{}}, 0, 0, 1},
      {"nothing expected but creation failed",
       [](VerifierWorld& t) {
         t.expected.clear();
         t.repairRecreates = false;
         t.verifier->providers().createFailed = [] { return true; };
       },
       nothing, 0, State{State::missing{}}, 1, 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto world = std::make_unique<VerifierWorld>();
    VerifierWorld* t = world.get();
    row.before(*t);
    t->start();
    row.after(*t);
    t->platform.advance(30.0 * row.ticks);
    EXPECT_EQ(t->verifier->state(), row.state);
    EXPECT_EQ(t->repairs, row.repairs);
    EXPECT_EQ(t->incidents().size(), static_cast<std::size_t>(row.losses));
    for (const VGXIncident& incident : t->incidents()) {
      EXPECT_EQ(incident.kind, Kind::protectionLost);
      EXPECT_EQ(incident.cause, Cause::unknown);
    }
    EXPECT_EQ(t->notices(), static_cast<std::size_t>(row.losses));
    EXPECT_EQ(t->changes, row.changes);
  }
}

TEST(ProtectionVerifierTest, OnlyOurLocksCountUnderTheTypeTheirKindIsShownAs) {
  struct Row {
    const char* name;
    platform::Lock lock;
    std::optional<std::string> type;
  };
  using platform::LockKind;
  const Row rows[] = {
      {"ours, the display may sleep",
       {LockKind::systemSleep, "Vigilix: Keeping your computer awake"},
       "logind lock sleep (block)"},
      {"ours, the display stays on",
       {LockKind::displayAndSystemSleep, "Vigilix: Build"},
       "logind lock idle:sleep (block)"},
      {"another name", {LockKind::systemSleep, "Backup: copying"}, std::nullopt},
      {"prefix without its space", {LockKind::systemSleep, "Vigilix:reason"}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXProtectionVerifier::ownAssertionType(row.lock), row.type);
  }
}

TEST(ProtectionVerifierTest, SleepingWhileKeptAwakeRecordsItsLikelyCause) {
  struct Row {
    const char* name;
    std::function<void(VerifierWorld&)> arrange;
    std::optional<Cause> cause;  // none: no incident
    bool attention;
  };
  const Row rows[] = {
      {"neither wanted nor paused", [](VerifierWorld& w) { w.awake = false; }, std::nullopt, false},
      {"heat pause, not wanted",
       [](VerifierWorld& w) {
         w.awake = false;
         w.heat = true;
       },
       Cause::expectedPause, false},
      {"lid closed, battery critical too",
       [](VerifierWorld& w) {
         w.platform.power.lid.closed = true;
         w.platform.power.sources.setBatteryWarningLevel(platform::BatteryWarningLevel::Final);
       },
       Cause::lidClosed, true},
      {"battery at its last warning",
       [](VerifierWorld& w) {
         w.platform.power.lid.closed = false;
         w.platform.power.sources.setBatteryWarningLevel(platform::BatteryWarningLevel::Final);
       },
       Cause::batteryCritical, true},
      {"battery low but not critical, critically hot",
       [](VerifierWorld& w) {
         w.platform.power.sources.setBatteryWarningLevel(platform::BatteryWarningLevel::Early);
         w.platform.power.thermal.setThermalState(platform::ThermalState::Critical);
       },
       Cause::thermalCritical, true},
      {"nothing known", [](VerifierWorld&) {}, Cause::unknown, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto world = std::make_unique<VerifierWorld>();
    world->holdAssertion();
    row.arrange(*world);
    world->start();
    const int changesBefore = world->changes;
    world->platform.sleepFor(600);
    const auto recorded = world->incidents();
    ASSERT_EQ(recorded.size(), row.cause ? 1u : 0u);
    if (!row.cause) continue;
    EXPECT_EQ(recorded[0].kind, Kind::sleptWhileAwake);
    EXPECT_EQ(recorded[0].cause, *row.cause);
    EXPECT_EQ(recorded[0].at, testing::VirtualClock::kDefaultStart) << "recorded before the sleep";
    EXPECT_GT(world->changes, changesBefore);
    EXPECT_EQ(world->verifier->hasAttention(), row.attention);
  }
}

TEST(ProtectionVerifierTest, ASleepIncidentShowsUntilItSettlesAfterFiveMinutesOfPassingChecks) {
  VerifierWorld world;
  world.holdAssertion();
  world.platform.power.lid.closed = true;
  world.start();
  world.platform.sleepFor(60);  // wakes at 9:01, checks and starts the passing time
  EXPECT_EQ(world.verifier->reasonLine(),
            "Your computer slept at 9:00 AM while Vigilix was keeping it awake \u2014 the lid was "
            "closed");
  EXPECT_TRUE(world.verifier->hasAttention());

  const int changes = world.changes;
  world.platform.advanceClockWithoutRunning(299);
  world.verifier->check();
  EXPECT_TRUE(world.verifier->hasAttention()) << "299 s is not enough";
  EXPECT_EQ(world.changes, changes);
  world.platform.advanceClockWithoutRunning(1);
  world.verifier->check();
  EXPECT_FALSE(world.verifier->hasAttention());
  EXPECT_EQ(world.verifier->reasonLine(), std::nullopt);
  EXPECT_EQ(world.changes, changes + 1);

  // A loss is never settled by passing checks, and dismissing it leaves a
  // missing assertion's attention alone.
  world.platform.power.assertions.dropAll();
  world.repairRecreates = false;
  world.verifier->check();
  world.holdAssertion();
  world.platform.advance(600);
  EXPECT_EQ(world.verifier->state(), State{State::verified{}});
  EXPECT_EQ(world.verifier->reasonLine(), "Vigilix couldn't keep your computer awake");
  world.platform.power.assertions.dropAll();
  world.verifier->check();
  const int beforeDismissal = world.changes;
  world.verifier->dismissIncidents();
  EXPECT_EQ(world.changes, beforeDismissal + 1);
  EXPECT_TRUE(world.verifier->hasAttention());
  world.holdAssertion();
  world.verifier->check();
  EXPECT_FALSE(world.verifier->hasAttention());
}

// Every 30 s the check runs unless nothing is wanted, paused, wrong or unsettled.
TEST(ProtectionVerifierTest, TheThirtySecondRhythmSkipsOnlyWhenAllIsQuiet) {
  struct Row {
    const char* name;
    std::function<void(VerifierWorld&)> arrange;
    int inspections;  // in 90 s after start
  };
  const Row rows[] = {
      {"quiet", [](VerifierWorld& w) { w.awake = false; }, 0},
      {"wanted", [](VerifierWorld& w) { w.holdAssertion(); }, 3},
      {"paused",
       [](VerifierWorld& w) {
         w.awake = false;
         w.heat = true;
       },
       3},
      {"an unsettled incident",
       [](VerifierWorld& w) {
         w.awake = false;
         w.verifier->incidentLog().record(VGXIncident::make(Kind::sleptWhileAwake, Cause::unknown,
                                                            testing::VirtualClock::kDefaultStart));
       },
       3},
      {"an expected pause's incident does not count",
       [](VerifierWorld& w) {
         w.awake = false;
         w.verifier->incidentLog().record(VGXIncident::make(
             Kind::sleptWhileAwake, Cause::expectedPause, testing::VirtualClock::kDefaultStart));
       },
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto world = std::make_unique<VerifierWorld>();
    row.arrange(*world);
    int inspections = 0;
    world->verifier->providers().inspect = [&] {
      ++inspections;
      return std::pair{std::optional{std::set<std::string>{"logind lock sleep (block)"}},
                       std::optional<std::string>{}};
    };
    world->start();
    inspections = 0;
    world->platform.advance(89);
    EXPECT_EQ(inspections, row.inspections * 2 / 3) << "none before 30 s";
    world->platform.advance(1);
    EXPECT_EQ(inspections, row.inspections);
  }
}

TEST(ProtectionVerifierTest, StartOnceCheckOnlyWhenStartedAndWhenInputsChange) {
  VerifierWorld world;
  int inspections = 0;
  world.verifier->providers().inspect = [&] {
    ++inspections;
    return std::pair{std::optional{std::set<std::string>{}}, std::optional<std::string>{}};
  };
  world.verifier->check();
  world.verifier->inputsDidChange();
  EXPECT_EQ(inspections, 0) << "nothing before start";

  world.expected.clear();
  world.start();
  EXPECT_EQ(inspections, 1);
  world.verifier->inputsDidChange();
  EXPECT_EQ(inspections, 1) << "same inputs";
  world.awake = false;
  world.verifier->inputsDidChange();
  EXPECT_EQ(inspections, 2);

  // A second start only swaps the functions: one timer, one set of observers.
  int secondChanges = 0;
  world.verifier->startWithExpectedTypes([] { return std::vector<platform::LockKind>{}; },
                                         [] { return false; }, [&] { ++secondChanges; });
  EXPECT_EQ(inspections, 2);
  world.awake = true;
  world.platform.advance(30);
  EXPECT_EQ(inspections, 3);
  EXPECT_EQ(secondChanges, 1);

  // Each of the machine's changes starts one check.
  const char* const notices[] = {
      "NSWorkspaceScreensDidWakeNotification",
      "NSWorkspaceScreensDidSleepNotification",
      "VGXWorkspaceLidDidChangeNotification",
      "NSWorkspaceDidWakeNotification",
  };
  int expected = 3;
  for (const char* notice : notices) {
    SCOPED_TRACE(notice);
    platform::NotificationCenter::workspaceCenter().post(notice);
    world.platform.runUntilIdle();
    EXPECT_EQ(inspections, ++expected);
  }
}

}  // namespace
}  // namespace vigilix::testing
