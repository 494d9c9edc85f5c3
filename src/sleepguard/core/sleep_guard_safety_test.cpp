#include <functional>
#include <limits>

#include "sleepguard/testing/sleep_guard_fixture.h"

namespace vigilix::testing {
namespace {

using GuardSafety = SleepGuardTest;
constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

TEST(GuardBudget, CapsAndSaturation) {
  struct Row {
    const char* name;
    std::uint64_t counter;
    std::int64_t cap;
    bool reached;
  };
  const Row rows[] = {
      {"below", 3'599'999'999'999, 3600, false},
      {"at", 3'600'000'000'000, 3600, true},
      {"negative cap is zero", 0, -5, true},
      {"overflowing cap, counter below max", kMax - 1, std::numeric_limits<std::int64_t>::max(),
       false},
      {"overflowing cap, counter at max", kMax, std::numeric_limits<std::int64_t>::max(), true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(capReached(row.counter, row.cap), row.reached);
  }
  EXPECT_EQ(saturatingAdd(kMax - 1, 5), kMax);
  EXPECT_EQ(saturatingAdd(2, 3), 5u);
}

TEST_F(GuardSafety, CheckpointsChargeTheBatteryBudgetOnlyOffMains) {
  const auto grant = mustHold();
  const auto start = storedSafety();
  for (int i = 0; i < 3; ++i) {  // ticks 10 s apart on mains
    clock.advance(10);
    core->tick();
    ASSERT_TRUE(core->renew(kUser, grant.token).has_value());
  }
  auto record = storedSafety();
  EXPECT_EQ(record.heldNs - start.heldNs, 30 * kSecond);
  EXPECT_EQ(record.batteryHeldNs, start.batteryHeldNs);

  clock.advance(26);  // a missed tick: the gap counts as battery time too
  core->tick();
  record = storedSafety();
  EXPECT_EQ(record.heldNs - start.heldNs, 56 * kSecond);
  EXPECT_EQ(record.batteryHeldNs - start.batteryHeldNs, 26 * kSecond);
}

// Each stop latches, turns sleep back on and ends the hold; once the cause
// is gone, only a hold the user asked for re-arms.
TEST_F(GuardSafety, LatchesAndTheirRearming) {
  struct Row {
    const char* name;
    VGXGuardPolicy policy;
    std::function<void(GuardBench&)> cause;
    int secondsUntilLatched;
    VGXGuardLatch latch;
    std::function<void(GuardBench&)> remedy;
  };
  const Row rows[] = {
      {"heat", kPolicy, [](auto& t) { t.sensors.thermal = platform::ThermalState::Serious; }, 10,
       VGXGuardLatch::heat, [](auto& t) { t.sensors.thermal = platform::ThermalState::Nominal; }},
      {"battery floor", kPolicy,
       [](auto& t) {
         t.sensors.onBattery = true;
         t.sensors.chargePercent = 19;
       },
       10, VGXGuardLatch::battery, [](auto& t) { t.sensors.onBattery = false; }},
      {"time on battery",
       {false, 20, 60, 86400},
       [](auto& t) { t.sensors.onBattery = true; },
       60,
       VGXGuardLatch::batteryCap,
       [](auto& t) { t.sensors.onBattery = false; }},
      {"total time",
       {false, 20, 3600, 60},
       [](auto&) {},
       60,
       VGXGuardLatch::totalCap,
       [](auto&) {}},
      {"policy gone", kPolicy, [](auto& t) { t.policies.policies.erase(kUser); }, 10,
       VGXGuardLatch::policy, [](auto& t) { t.policies.policies[kUser] = kPolicy; }},
      {"policy forbids", kPolicy, [](auto& t) { t.policies.policies[kUser].disabled = true; }, 10,
       VGXGuardLatch::policy, [](auto& t) { t.policies.policies[kUser] = kPolicy; }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench t;
    t.policies.policies[kUser] = row.policy;
    auto grant = t.mustHold();
    row.cause(t);
    for (int s = 10; s < row.secondsUntilLatched; s += 10) {
      t.clock.advance(10);
      t.core->tick();
      ASSERT_TRUE(t.core->renew(kUser, grant.token).has_value()) << s;
    }
    t.clock.advance(10);
    t.core->tick();
    EXPECT_EQ(t.state(), VGXGuardState::idle());
    EXPECT_FALSE(t.runner.sleepDisabled);
    EXPECT_EQ(t.core->status().latch, row.latch);
    EXPECT_EQ(t.storedSafety().latch, row.latch);

    row.remedy(t);
    EXPECT_EQ(errorOf(t.core->hold(kUser, false)), VGXGuardError::budgetExhausted());
    EXPECT_EQ(t.core->status().latch, row.latch);
    t.restart();  // the latch outlives the guard process
    EXPECT_EQ(errorOf(t.core->hold(kUser, false)), VGXGuardError::budgetExhausted());

    t.mustHold(kUser, true);  // the user re-arms
    const auto fresh = t.storedSafety();
    EXPECT_EQ(fresh.latch, std::nullopt);
    EXPECT_EQ(fresh.heldNs, 0u);
    EXPECT_EQ(fresh.active, true);
    EXPECT_EQ(t.core->status().latch, std::nullopt);
  }
}

TEST_F(GuardSafety, SensorFailureEndsTheHoldWithoutLatch) {
  mustHold();
  sensors.available = false;
  tickFor(10);
  EXPECT_EQ(state(), VGXGuardState::idle());
  EXPECT_EQ(core->status().latch, std::nullopt);
  sensors.available = true;
  EXPECT_TRUE(core->hold(kUser, false).has_value());
}

TEST_F(GuardSafety, WakeIsDetectedBySleepOffset) {
  struct Row {
    const char* name;
    double slept;  // seconds asleep before the tick; 0 = awake time only
    bool stillHeld;
    std::optional<VGXGuardLatch> latch;
  };
  const Row rows[] = {
      {"no sleep: someone else turned sleep on", 0, false, VGXGuardLatch::externallyCleared},
      {"one second is not a sleep", 1, false, VGXGuardLatch::externallyCleared},
      {"slept: the setting is taken again", 5, true, std::nullopt},
      {"slept past the lease: ends", 40, false, std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench t;
    t.mustHold();
    t.clock.advance(5);
    t.core->tick();
    if (row.slept > 0) t.clock.sleep(row.slept);
    t.runner.sleepDisabled = false;  // the system turned sleep back on
    t.clock.advance(1);
    t.core->tick();
    EXPECT_EQ(t.state().isHeld(), row.stillHeld);
    EXPECT_EQ(t.runner.sleepDisabled, row.stillHeld);
    EXPECT_EQ(t.core->status().latch, row.latch);
    EXPECT_FALSE(t.store.exists(VGXGuardFile::journal()) && !row.stillHeld);
  }
}

TEST_F(GuardSafety, HandleWakeReappliesWithinTheLease) {
  mustHold();
  runner.sleepDisabled = false;
  core->handleWake();
  EXPECT_EQ(state(), VGXGuardState::held(kUser));
  EXPECT_TRUE(runner.sleepDisabled);
}

TEST_F(GuardSafety, DamagedRecordIsQuarantinedAndNeverUsed) {
  const std::string valid =
      R"({"bootUUID":"BOOT-1","sessionStartedAt":1,"heldNs":5,"batteryHeldNs":0,)"
      R"("lastCheckpoint":1})";
  struct Row {
    const char* name;
    std::string text;
    bool unreadable;
  };
  const Row rows[] = {
      {"not JSON", "{", false},
      {"latch in wrong case", valid.substr(0, valid.size() - 1) + R"(,"latch":"Heat"})", false},
      {"over 16384 bytes", valid + std::string(16385 - valid.size(), ' '), false},
      {"battery above total",
       R"({"bootUUID":"BOOT-1","sessionStartedAt":1,"heldNs":5,"batteryHeldNs":6,)"
       R"("lastCheckpoint":1})",
       false},
      {"checkpoint before start",
       R"({"bootUUID":"BOOT-1","sessionStartedAt":9,"heldNs":5,"batteryHeldNs":0,)"
       R"("lastCheckpoint":1})",
       false},
      {"empty boot",
       R"({"bootUUID":"","sessionStartedAt":1,"heldNs":5,"batteryHeldNs":0,)"
       R"("lastCheckpoint":1})",
       false},
      {"unreadable", valid, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench t;
    t.store.put(VGXGuardFile::safety(kUser), row.text);
    if (row.unreadable) t.store.unreadable.insert("safety-501.json");
    EXPECT_EQ(errorOf(t.core->hold(kUser, false)), VGXGuardError::budgetExhausted());
    EXPECT_EQ(t.core->status().latch, VGXGuardLatch::totalCap);
    const auto& kept = t.store.quarantined["safety-501.json"];
    EXPECT_EQ(std::string(kept.begin(), kept.end()), row.text);
    t.store.unreadable.clear();
    const auto exhausted = t.storedSafety();
    EXPECT_EQ(exhausted.heldNs, kMax);
    EXPECT_EQ(exhausted.batteryHeldNs, kMax);
    t.mustHold(kUser, true);
    EXPECT_EQ(t.storedSafety().heldNs, 0u);
  }
}

TEST_F(GuardSafety, DamagedRecordThatCannotBeMovedAsideIsNotOverwritten) {
  store.put(VGXGuardFile::safety(kUser), "{");
  store.failQuarantine = true;
  EXPECT_EQ(errorOf(core->hold(kUser, false)), VGXGuardError::budgetExhausted());
  EXPECT_EQ(store.text(VGXGuardFile::safety(kUser)), "{");
}

TEST_F(GuardSafety, ANewBootRequiresRearmingButKeepsTheCounters) {
  mustHold();
  tickFor(20);
  const auto before = storedSafety();
  clock.reboot("BOOT-2");
  runner.sleepDisabled = false;
  store.files.erase("journal.json");  // the old boot's setting died with it
  restart();
  core->recoverAtStart();
  EXPECT_EQ(errorOf(core->hold(kUser, false)), VGXGuardError::budgetExhausted());
  auto carried = storedSafety();
  EXPECT_EQ(carried.bootUUID, "BOOT-2");
  EXPECT_EQ(carried.heldNs, before.heldNs);
  EXPECT_EQ(carried.requiresRearm, true);
  EXPECT_EQ(carried.active, false);
  EXPECT_TRUE(core->hold(kOther, false).has_value());  // a user without a record is unaffected
}

// The lock dies with the guard process, so the time until a new guard runs
// was not held: neither budget is charged for it, whatever was left behind.
TEST(GuardSafetyRestart, TimeWhileNoGuardRanIsNotCharged) {
  const struct {
    const char* name;
    bool journalLeft;
  } rows[] = {
      {"crash while held", true},
      {"crash after the journal went", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench t;
    t.mustHold();
    t.tickFor(20);
    const auto before = t.storedSafety();
    if (!row.journalLeft) t.store.files.erase("journal.json");
    t.runner.sleepDisabled = false;  // the lock went with the process
    t.clock.advance(100);
    t.restart();
    t.core->recoverAtStart();
    EXPECT_EQ(t.state(), VGXGuardState::idle());
    t.mustHold();
    const auto after = t.storedSafety();
    EXPECT_EQ(after.heldNs, before.heldNs);
    EXPECT_EQ(after.batteryHeldNs, before.batteryHeldNs);
    t.tickFor(10);  // from the new hold on, time counts again
    EXPECT_EQ(t.storedSafety().heldNs, before.heldNs + 10 * GuardBench::kSecond);
  }
}

}  // namespace
}  // namespace vigilix::testing
