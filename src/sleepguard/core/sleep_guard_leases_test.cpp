#include <algorithm>
#include <functional>
#include <vector>

#include "sleepguard/testing/sleep_guard_fixture.h"

namespace vigilix::testing {
namespace {

using GuardLeases = SleepGuardTest;

// Each row breaks its own check and every later one; the row's own refusal
// must win, which pins the whole order.
TEST_F(GuardLeases, HoldRefusesInFixedOrder) {
  struct Breaker {
    const char* name;
    VGXGuardError expected;
    std::function<void(GuardBench&)> apply;
  };
  const std::vector<Breaker> breakers = {
      {"maintenance file", VGXGuardError::maintenance(),
       [](auto& t) { t.store.put(VGXGuardFile::maintenance(), "{}"); }},
      {"maintenance seen earlier", VGXGuardError::maintenance(),
       [](auto& t) {
         t.store.put(VGXGuardFile::maintenance(), "garbage");
         (void)t.core->hold(kUser, false);
         t.store.files.erase("maintenance.json");
       }},
      {"draining", VGXGuardError::draining(), [](auto& t) { (void)t.core->beginDrain(); }},
      {"clear failed", VGXGuardError::clearFailed(),
       [](auto& t) {
         auto grant = t.mustHold(kOther);
         t.runner.stuckDisabled = true;
         (void)t.core->release(kOther, grant.token);
       }},
      {"held by another user", VGXGuardError::inUseByAnotherUser(),
       [](auto& t) { t.mustHold(kOther); }},
      {"no policy", VGXGuardError::policyDenied(),
       [](auto& t) { t.policies.policies.erase(kUser); }},
      {"no sample", VGXGuardError::unsafe("sensors"), [](auto& t) { t.sensors.available = false; }},
      {"stale sample", VGXGuardError::unsafe("stale sensors"),
       [](auto& t) { t.sensors.ageSeconds = 31; }},
      {"hot", VGXGuardError::unsafe("heat"),
       [](auto& t) { t.sensors.thermal = platform::ThermalState::Serious; }},
      {"charge above 100", VGXGuardError::unsafe("charge"),
       [](auto& t) { t.sensors.chargePercent = 101; }},
      {"below the floor on battery", VGXGuardError::unsafe("battery"),
       [](auto& t) {
         t.sensors.onBattery = true;
         t.sensors.chargePercent = 19;
       }},
      {"no boot session", VGXGuardError::unsafe("boot session"),
       [](auto& t) { t.clock.setBootSessionID(""); }},
      {"latched budget", VGXGuardError::budgetExhausted(),
       [](auto& t) {
         t.store.put(VGXGuardFile::safety(kUser),
                     R"({"bootUUID":"BOOT-1","sessionStartedAt":1,"heldNs":0,"batteryHeldNs":0,)"
                     R"("lastCheckpoint":1,"latch":"heat"})");
       }},
      {"read-back fails", VGXGuardError::unsafe("readback"),
       [](auto& t) { t.runner.failRead = VGXGuardError::io("no answer"); }},
      {"journal unreadable store", VGXGuardError::io("store failed: journal.json"),
       [](auto& t) { t.store.storeErrorFiles.insert("journal.json"); }},
      {"sleep already disabled", VGXGuardError::alreadyDisabled(),
       [](auto& t) { t.runner.sleepDisabled = true; }},
  };
  for (std::size_t row = 0; row < breakers.size(); ++row) {
    SCOPED_TRACE(breakers[row].name);
    GuardBench t;
    // Guard states first, from the last to the first (they need a working
    // machine), then the conditions of the later checks.
    constexpr std::size_t kLastState = 4;
    for (std::size_t j = kLastState + 1; j-- > row;) breakers[j].apply(t);
    for (std::size_t j = breakers.size(); j-- > std::max(row, kLastState + 1);) {
      breakers[j].apply(t);
    }
    auto result = t.core->hold(kUser, false);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(errorOf(result), breakers[row].expected);
    EXPECT_EQ(result.error().description(), breakers[row].expected.description());
  }
}

TEST_F(GuardLeases, SensorLimitsAtTheirEdges) {
  struct Row {
    const char* name;
    std::int64_t ageSeconds;
    bool onBattery;
    std::int64_t charge;
    std::optional<VGXGuardError> refusal;
  };
  const Row rows[] = {
      {"exactly 30 s old", 30, false, 80, std::nullopt},
      {"31 s old", 31, false, 80, VGXGuardError::unsafe("stale sensors")},
      {"from the future", -1, false, 80, VGXGuardError::unsafe("stale sensors")},
      {"charge 101 on mains", 0, false, 101, VGXGuardError::unsafe("charge")},
      {"charge 19 on mains", 0, false, 19, std::nullopt},
      {"charge 20 on battery", 0, true, 20, std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench t;
    t.sensors.ageSeconds = row.ageSeconds;
    t.sensors.onBattery = row.onBattery;
    t.sensors.chargePercent = row.charge;
    auto result = t.core->hold(kUser, true);
    if (row.refusal) {
      ASSERT_FALSE(result.has_value());
      EXPECT_EQ(errorOf(result), *row.refusal);
    } else {
      EXPECT_TRUE(result.has_value());
    }
  }
}

TEST_F(GuardLeases, HoldRenewReleaseAndStatus) {
  const auto first = mustHold();
  EXPECT_EQ(state(), VGXGuardState::held(kUser));
  EXPECT_TRUE(runner.sleepDisabled);
  EXPECT_EQ(first.generation, 1);
  EXPECT_EQ(first.leaseSeconds, 30);
  EXPECT_EQ(core->status().lastReadback, true);
  EXPECT_EQ(core->status().guardVersion, "1.2");
  EXPECT_EQ(storedSafety().active, true);
  EXPECT_NE(store.text(VGXGuardFile::journal())->find(R"("phase":"applied")"), std::string::npos);

  EXPECT_EQ(errorOf(core->hold(kOther, true)), VGXGuardError::inUseByAnotherUser());
  EXPECT_EQ(errorOf(core->renew(kUser, "wrong")), VGXGuardError::stale());
  EXPECT_EQ(errorOf(core->renew(kOther, first.token)), VGXGuardError::inUseByAnotherUser());
  EXPECT_EQ(core->renew(kUser, first.token), first);

  const auto second = mustHold(kUser, false);
  EXPECT_NE(second.token, first.token);
  EXPECT_EQ(second.generation, first.generation);
  EXPECT_EQ(second.guardInstanceID, first.guardInstanceID);
  EXPECT_EQ(errorOf(core->renew(kUser, first.token)), VGXGuardError::stale());

  EXPECT_EQ(errorOf(core->release(kUser, first.token)), VGXGuardError::stale());
  EXPECT_EQ(errorOf(core->release(kUser, std::nullopt)), VGXGuardError::stale());
  EXPECT_EQ(state(), VGXGuardState::held(kUser));
  EXPECT_TRUE(core->release(kUser, second.token).has_value());
  EXPECT_EQ(state(), VGXGuardState::idle());
  EXPECT_FALSE(runner.sleepDisabled);
  EXPECT_FALSE(store.exists(VGXGuardFile::journal()));
  EXPECT_EQ(storedSafety().active, false);

  EXPECT_EQ(errorOf(core->renew(kUser, second.token)), VGXGuardError::notHeld());
  EXPECT_TRUE(core->release(kUser, std::nullopt).has_value());  // idle, no journal
  EXPECT_EQ(mustHold().generation, 2);
}

TEST_F(GuardLeases, LeaseLapsesAtThirtySeconds) {
  const auto grant = mustHold();
  tickFor(20);
  ASSERT_TRUE(core->renew(kUser, grant.token).has_value());  // restarts the lease
  clock.advance(29);
  core->tick();
  EXPECT_EQ(state(), VGXGuardState::held(kUser));
  clock.advance(1);
  core->tick();
  EXPECT_EQ(state(), VGXGuardState::idle());
  EXPECT_FALSE(runner.sleepDisabled);
  EXPECT_EQ(core->status().latch, std::nullopt);
  EXPECT_EQ(errorOf(core->renew(kUser, grant.token)), VGXGuardError::notHeld());
  EXPECT_TRUE(core->hold(kUser, false).has_value());  // no latch: holds again
}

// Real time passes between any two reads of the clock; a sample taken after
// "now" was read would look as if it came from the future.
TEST(GuardLeasesLiveTime, AClockThatMovesOnEveryReadStillHolds) {
  const struct {
    const char* name;
    std::function<void(GuardBench&, const VGXHoldGrant&)> then;
  } rows[] = {
      {"hold", [](auto&, auto&) {}},
      {"hold again", [](auto& t, auto&) { t.mustHold(); }},
      {"renew",
       [](auto& t, auto& grant) { EXPECT_TRUE(t.core->renew(GuardBench::kUser, grant.token)); }},
      {"tick", [](auto& t, auto&) { t.tickFor(10); }},
      {"taken again after wake",
       [](auto& t, auto&) {
         t.runner.sleepDisabled = false;
         t.clock.sleep(5);
         t.core->handleWake();
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench t;
    t.clock.nsPerRead = 1000;
    const auto grant = t.mustHold();
    row.then(t, grant);
    EXPECT_EQ(t.state(), VGXGuardState::held(GuardBench::kUser));
    EXPECT_TRUE(t.runner.sleepDisabled);
  }
}

TEST_F(GuardLeases, AlreadyDisabledBySomeoneElseIsLeftAlone) {
  runner.sleepDisabled = true;
  EXPECT_EQ(errorOf(core->hold(kUser, true)), VGXGuardError::alreadyDisabled());
  EXPECT_TRUE(runner.sleepDisabled);
  EXPECT_EQ(std::count(runner.calls.begin(), runner.calls.end(), "set 0"), 0);
  EXPECT_EQ(state(), VGXGuardState::idle());
}

TEST_F(GuardLeases, FailedApplyRollsBackAndTurnsSleepOn) {
  struct Row {
    const char* name;
    std::function<void(GuardBench&)> breakIt;
    VGXGuardError expected;
  };
  const Row rows[] = {
      {"set fails", [](auto& t) { t.runner.failSet = VGXGuardError::io("denied"); },
       VGXGuardError::io("denied")},
      {"journal write fails", [](auto& t) { t.store.failWrites.insert("journal.json"); },
       VGXGuardError::io("write failed: journal.json")},
      {"safety write fails", [](auto& t) { t.store.failWrites.insert("safety-501.json"); },
       VGXGuardError::io("write failed: safety-501.json")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench t;
    row.breakIt(t);
    auto result = t.core->hold(kUser, true);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(errorOf(result), row.expected);
    EXPECT_FALSE(t.runner.sleepDisabled);
    EXPECT_NE(t.state(), VGXGuardState::held(kUser));
  }
}

TEST_F(GuardLeases, UnreapedDisablingChildKeepsClearFailedUntilReaped) {
  runner.failSet = VGXGuardError::io(std::string(kDisablingChildNotReaped));
  runner.unreaped = true;
  EXPECT_EQ(errorOf(core->hold(kUser, true)), runner.failSet);
  EXPECT_EQ(state(), VGXGuardState::clearFailed());
  runner.failSet.reset();
  runner.unreaped = false;
  clock.advance(30);
  core->tick();
  EXPECT_EQ(state(), VGXGuardState::idle());
}

}  // namespace
}  // namespace vigilix::testing
