#include <algorithm>
#include <functional>

#include "sleepguard/testing/sleep_guard_fixture.h"

namespace vigilix::testing {
namespace {

using GuardClearing = SleepGuardTest;

std::string journalText(const char* phase, std::int64_t version = 1) {
  return R"({"version":)" + std::to_string(version) + R"(,"phase":")" + phase +
         R"(","bootUUID":"BOOT-1","generation":4,"uid":501,"setAt":1000000000000})";
}

bool called(const FakeGuardRunner& runner, const char* call) {
  return std::find(runner.calls.begin(), runner.calls.end(), call) != runner.calls.end();
}

// A guard that died with sleep off finds its journal and turns sleep back on
// before it serves anyone.
TEST_F(GuardClearing, RecoveryAtStartTurnsSleepBackOn) {
  struct Row {
    const char* name;
    std::string journal;
    bool strayKill;
    bool quarantined;
  };
  const Row rows[] = {
      {"crash between intent and applied", journalText("intent"), true, false},
      {"crash while applied", journalText("applied"), false, false},
      {"crash while clearing", journalText("clearing"), false, false},
      {"journal of version 2", journalText("intent", 2), true, true},
      {"journal not JSON", "{", true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench t;
    t.store.put(VGXGuardFile::journal(), row.journal);
    t.runner.sleepDisabled = true;
    t.core->recoverAtStart();
    EXPECT_FALSE(t.runner.sleepDisabled);
    EXPECT_EQ(t.state(), VGXGuardState::idle());
    EXPECT_FALSE(t.store.exists(VGXGuardFile::journal()));
    EXPECT_EQ(called(t.runner, "kill"), row.strayKill);
    EXPECT_EQ(t.store.quarantined.contains("journal.json"), row.quarantined);
    EXPECT_EQ(t.core->status().lastReadback, false);
    const auto generation = t.mustHold().generation;
    EXPECT_EQ(generation, row.quarantined ? 1 : 5);  // continues the journal's count
  }
}

TEST_F(GuardClearing, CrashDuringRearmingRequiresRearmingAgain) {
  store.put(VGXGuardFile::journal(),
            R"({"version":1,"phase":"intent","bootUUID":"BOOT-1","generation":1,"uid":501,)"
            R"("setAt":1,"rearmPending":true})");
  store.put(VGXGuardFile::safety(kUser),
            R"({"bootUUID":"BOOT-1","sessionStartedAt":1,"heldNs":0,"batteryHeldNs":0,)"
            R"("lastCheckpoint":1})");
  core->recoverAtStart();
  EXPECT_EQ(storedSafety().requiresRearm, true);
  EXPECT_EQ(errorOf(core->hold(kUser, false)), VGXGuardError::budgetExhausted());
  EXPECT_TRUE(core->hold(kUser, true).has_value());
}

TEST_F(GuardClearing, UnreadableStoreAtStartStillTurnsSleepOn) {
  runner.sleepDisabled = true;
  store.storeErrorFiles.insert("journal.json");
  store.failWrites.insert("journal.json");
  core->recoverAtStart();
  EXPECT_FALSE(runner.sleepDisabled);
  EXPECT_EQ(state(), VGXGuardState::clearFailed());  // unsettled until the store works
  store.storeErrorFiles.clear();
  store.failWrites.clear();
  clock.advance(30);
  core->tick();
  EXPECT_EQ(state(), VGXGuardState::idle());
}

TEST_F(GuardClearing, FailedClearIsRetriedEveryThirtySeconds) {
  const auto grant = mustHold();
  runner.stuckDisabled = true;
  EXPECT_EQ(errorOf(core->release(kUser, grant.token)), VGXGuardError::clearFailed());
  EXPECT_EQ(state(), VGXGuardState::clearFailed());
  EXPECT_NE(store.text(VGXGuardFile::journal())->find(R"("phase":"clearing")"), std::string::npos);
  EXPECT_EQ(errorOf(core->hold(kUser, true)), VGXGuardError::clearFailed());

  runner.stuckDisabled = false;
  runner.calls.clear();
  clock.advance(29);
  core->tick();
  EXPECT_FALSE(called(runner, "set 0"));
  EXPECT_EQ(state(), VGXGuardState::clearFailed());
  clock.advance(1);
  core->tick();
  EXPECT_TRUE(called(runner, "set 0"));
  EXPECT_EQ(state(), VGXGuardState::idle());
  EXPECT_FALSE(store.exists(VGXGuardFile::journal()));
}

TEST_F(GuardClearing, ClearFailsUntilEverythingIsSettled) {
  struct Row {
    const char* name;
    std::function<void(GuardBench&)> breakIt;
  };
  const Row rows[] = {
      {"still disabled", [](auto& t) { t.runner.stuckDisabled = true; }},
      {"set fails", [](auto& t) { t.runner.failSet = VGXGuardError::io("x"); }},
      {"read-back fails", [](auto& t) { t.runner.failRead = VGXGuardError::io("x"); }},
      {"journal not removed", [](auto& t) { t.store.failRemove = true; }},
      {"clearing journal not written", [](auto& t) { t.store.failWrites.insert("journal.json"); }},
      {"safety record not written", [](auto& t) { t.store.failWrites.insert("safety-501.json"); }},
      {"unreaped child", [](auto& t) { t.runner.unreaped = true; }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench t;
    const auto grant = t.mustHold();
    row.breakIt(t);
    EXPECT_EQ(errorOf(t.core->release(kUser, grant.token)), VGXGuardError::clearFailed());
    EXPECT_EQ(t.state(), VGXGuardState::clearFailed());
    EXPECT_TRUE(t.store.exists(VGXGuardFile::journal()));
  }
}

TEST_F(GuardClearing, StrayDisablersMustBeGoneAfterAnInterruptedApply) {
  store.put(VGXGuardFile::journal(), journalText("intent"));
  runner.strayLeft = true;
  core->recoverAtStart();
  EXPECT_EQ(state(), VGXGuardState::clearFailed());
  runner.strayLeft = false;
  clock.advance(30);
  core->tick();
  EXPECT_EQ(state(), VGXGuardState::idle());
}

TEST_F(GuardClearing, DrainAndEndDrain) {
  const auto grant = mustHold();
  EXPECT_TRUE(core->beginDrain().has_value());
  EXPECT_EQ(state(), VGXGuardState::draining());
  EXPECT_FALSE(runner.sleepDisabled);
  EXPECT_EQ(errorOf(core->hold(kUser, true)), VGXGuardError::draining());
  EXPECT_EQ(errorOf(core->renew(kUser, grant.token)), VGXGuardError::draining());

  store.put(VGXGuardFile::maintenance(), R"({"txID":"T","op":"update","phase":"staged"})");
  core->endDrain();
  EXPECT_EQ(state(), VGXGuardState::draining());
  EXPECT_EQ(errorOf(core->hold(kUser, true)), VGXGuardError::maintenance());
  store.files.erase("maintenance.json");
  EXPECT_EQ(errorOf(core->hold(kUser, true)), VGXGuardError::maintenance());  // until end-drain
  core->endDrain();
  EXPECT_EQ(state(), VGXGuardState::idle());
  EXPECT_TRUE(core->hold(kUser, true).has_value());
}

TEST_F(GuardClearing, BeginDrainWithNothingHeld) {
  EXPECT_TRUE(core->beginDrain().has_value());
  EXPECT_EQ(state(), VGXGuardState::draining());
  runner.sleepDisabled = true;  // someone else's
  EXPECT_EQ(errorOf(core->beginDrain()), VGXGuardError::clearFailed());
}

TEST_F(GuardClearing, EndDrainKeepsAHoldInForce) {
  const auto grant = mustHold();
  core->endDrain();  // the app-missing cleanup calls it without a drain
  EXPECT_EQ(state(), VGXGuardState::held(kUser));
  EXPECT_TRUE(core->renew(kUser, grant.token).has_value());
}

TEST_F(GuardClearing, ShutdownWhileHeldTurnsSleepOn) {
  mustHold();
  EXPECT_TRUE(core->shutdown().has_value());
  EXPECT_FALSE(runner.sleepDisabled);
  EXPECT_FALSE(store.exists(VGXGuardFile::journal()));
  EXPECT_TRUE(core->shutdown().has_value());  // nothing left
}

// Store failures reach callers as one io error, never an io inside an io.
TEST_F(GuardClearing, StoreFailuresAreReportedAsIOOnce) {
  struct Row {
    const char* name;
    std::function<std::expected<void, VGXGuardError>(VGXSleepGuardCore&)> call;
  };
  const Row rows[] = {
      {"release", [](auto& c) { return c.release(kUser, std::nullopt); }},
      {"begin drain", [](auto& c) { return c.beginDrain(); }},
      {"shutdown", [](auto& c) { return c.shutdown(); }},
      {"hold",
       [](auto& c) -> std::expected<void, VGXGuardError> {
         auto grant = c.hold(kUser, true);
         if (!grant) return std::unexpected(grant.error());
         return {};
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    GuardBench t;
    t.store.storeErrorFiles.insert("journal.json");
    auto result = row.call(*t.core);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().description(), R"(io("store failed: journal.json"))");
    if (row.name == std::string("hold")) continue;  // hold reads maintenance.json first
    // A store that words its failure as an io error's textual form.
    GuardBench worded;
    worded.store.storeError = R"(io("state directory \"/var/lib/vigilix\" is group-writable"))";
    result = row.call(*worded.core);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().description(), *worded.store.storeError);
  }
}

}  // namespace
}  // namespace vigilix::testing
