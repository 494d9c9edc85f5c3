#include "closedlid/closed_lid_controller.h"

#include <gtest/gtest.h>

#include "closedlid/closed_lid_settings.h"
#include "testing/closedlid/closed_lid_test_world.h"

namespace vigilix {
namespace {

using ClosedLidControllerTest = ClosedLidTest;

using enum VGXLidAvailabilityKind;

TEST_F(ClosedLidControllerTest, RecomputeArmsOnlyWhenEveryConditionHolds) {
  struct Row {
    const char* name;
    void (*change)(World&, testing::TestUserDefaults&, FakeGuardLink&);
    VGXLidAvailabilityKind availability;
    std::optional<ArmCall> told;  // none: the client is not told
  };
  const Row rows[] = {
      {"all in place", [](World&, testing::TestUserDefaults&, FakeGuardLink&) {}, ready,
       ArmCall{true, false, 30, 3}},
      {"setting off",
       [](World&, testing::TestUserDefaults& d, FakeGuardLink&) { d.set(Keys::enabled, false); },
       ready, ArmCall{false, false, 30, 3}},
      {"not awake", [](World& w, testing::TestUserDefaults&, FakeGuardLink&) { w.awake = false; },
       ready, ArmCall{false, false, 30, 3}},
      {"latched until the next manual start",
       [](World&, testing::TestUserDefaults& d, FakeGuardLink&) {
         d.set(Keys::latchedUntilRearm, true);
       },
       ready, ArmCall{false, false, 30, 3}},
      {"battery unreadable on battery",
       [](World& w, testing::TestUserDefaults&, FakeGuardLink&) { w.safe = std::nullopt; }, ready,
       ArmCall{false, false, 30, 3}},
      {"guard not connected",
       [](World&, testing::TestUserDefaults&, FakeGuardLink& c) { c.value.ready = false; },
       needsHelper, ArmCall{false, false, 30, 3}},
      {"floor 10 reads 20, cap 4 reads 3",
       [](World&, testing::TestUserDefaults& d, FakeGuardLink&) {
         d.set(Keys::batteryFloor, 10);
         d.set(Keys::batteryCapHours, 4);
       },
       ready, ArmCall{true, false, 20, 3}},
      {"floor 70 reads 60, cap 6 kept",
       [](World&, testing::TestUserDefaults& d, FakeGuardLink&) {
         d.set(Keys::batteryFloor, 70);
         d.set(Keys::batteryCapHours, 6);
       },
       ready, ArmCall{true, false, 60, 6}},
      {"policy disables the mode",
       [](World& w, testing::TestUserDefaults&, FakeGuardLink&) { w.policyDisabled = true; },
       policyDisabled, ArmCall{false, false, 30, 3}},
      {"flag off, helper registered: removal only, the client is not told",
       [](World& w, testing::TestUserDefaults&, FakeGuardLink&) { w.featureEnabled = false; },
       removeOnly, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    World fresh;
    world = fresh;
    testing::TestUserDefaults rowDefaults;
    rowDefaults.set(Keys::enabled, true);
    FakeGuardLink rowClient;
    VGXClosedLidController rowController{rowDefaults, inputs(), effects(), rowClient, helper};
    row.change(world, rowDefaults, rowClient);
    rowController.recompute(false);
    EXPECT_EQ(VGXLidModel::availabilityName(rowController.availability().kind),
              VGXLidModel::availabilityName(row.availability));
    if (row.told) {
      EXPECT_EQ(rowClient.calls, std::vector<ArmCall>{*row.told});
    } else {
      EXPECT_TRUE(rowClient.calls.empty());
    }
    EXPECT_EQ(rowController.lastArmed(), row.told && row.told->armed);
  }
}

TEST_F(ClosedLidControllerTest, ALeaseHeldWhenTheModeGoesAwayIsReleased) {
  struct Row {
    const char* name;
    bool jobInstalled;  // feature off with the helper installed: removeOnly
  };
  for (const Row& row : {Row{"hidden", false}, Row{"removeOnly", true}}) {
    SCOPED_TRACE(row.name);
    world.featureEnabled = true;
    controller.recompute(false);
    ASSERT_TRUE(controller.lastArmed());
    client.calls.clear();
    world.featureEnabled = false;
    helper.state = row.jobInstalled ? VGXLidRegistration::enabled : VGXLidRegistration::notFound;
    controller.recompute(true);
    EXPECT_EQ(VGXLidModel::availabilityName(controller.availability().kind), row.name);
    EXPECT_EQ(client.calls, (std::vector<ArmCall>{{false, true, 30, 3}}));
    controller.recompute(false);
    EXPECT_EQ(client.calls.size(), 1u) << "told once, not on every recompute";
    helper.state = VGXLidRegistration::enabled;
  }
}

TEST_F(ClosedLidControllerTest, LatchesPostOneNoticeEachAndDisarm) {
  struct Row {
    const char* name;
    std::optional<VGXGuardLatch> latch;
    std::vector<ClosedLidLatchCause> notices;  // so far
    bool armed;
  };
  using enum ClosedLidLatchCause;
  const Row rows[] = {
      {"no latch", std::nullopt, {}, true},
      {"battery", VGXGuardLatch::battery, {battery}, false},
      {"battery reported again", VGXGuardLatch::battery, {battery}, false},
      {"heat", VGXGuardLatch::heat, {battery, heat}, false},
      {"battery cap", VGXGuardLatch::batteryCap, {battery, heat, lidCap}, false},
      {"total cap", VGXGuardLatch::totalCap, {battery, heat, lidCap, lidCap}, false},
      {"cleared from outside: no notice",
       VGXGuardLatch::externallyCleared,
       {battery, heat, lidCap, lidCap},
       false},
      {"policy: no notice", VGXGuardLatch::policy, {battery, heat, lidCap, lidCap}, false},
      {"latch gone", std::nullopt, {battery, heat, lidCap, lidCap}, true},
      {"battery after the latch went",
       VGXGuardLatch::battery,
       {battery, heat, lidCap, lidCap, battery},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    setLatch(row.latch);
    controller.recompute(false);
    EXPECT_EQ(world.latchNotices, row.notices);
    EXPECT_EQ(controller.lastArmed(), row.armed);
  }
}

TEST_F(ClosedLidControllerTest, TheSessionIsLockedOnceEachTimeTheLidClosesWhileArmed) {
  struct Row {
    const char* name;
    std::optional<bool> closed;
    bool awake;
    int locks;  // so far
  };
  const Row rows[] = {
      {"open and armed", false, true, 0},
      {"closed while armed", true, true, 1},
      {"still closed", true, true, 1},
      {"opened", false, true, 1},
      {"closed while not keeping awake", true, false, 1},
      {"keep-awake starts with the lid closed", true, true, 2},
      {"lid unknown", std::nullopt, true, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    world.lid.closed = row.closed;
    world.awake = row.awake;
    controller.lidChanged();
    EXPECT_EQ(world.locks, row.locks);
  }
}

TEST_F(ClosedLidControllerTest, OpeningTheLidEndsTheManualSessionWhenAsked) {
  struct Row {
    const char* name;
    bool endOnOpen;
    bool manual;
    bool ends;
  };
  const Row rows[] = {
      {"asked, manual session", true, true, true},
      {"not asked", false, true, false},
      {"no manual session", true, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    world = World{};
    defaults.set(Keys::endSessionOnLidOpen, row.endOnOpen);
    defaults.set(Keys::latchedUntilRearm, false);
    world.manual = row.manual;
    world.lid.closed = true;
    controller.lidChanged();
    world.lid.closed = false;
    controller.lidChanged();
    EXPECT_EQ(world.sessionsEnded, row.ends ? 1 : 0);
    EXPECT_EQ(world.lidOpenedNotices, row.ends ? 1 : 0);
    EXPECT_EQ(defaults.boolValue(Keys::latchedUntilRearm), row.ends);
    EXPECT_EQ(controller.lastArmed(), !row.ends) << "latched until re-armed";
    if (row.ends) {
      controller.manualSessionStarting();
      EXPECT_TRUE(controller.lastArmed()) << "the next manual start re-arms";
    }
  }
}

TEST_F(ClosedLidControllerTest, EnablingProceedsOnlyWhereItLeadsSomewhere) {
  struct Row {
    const char* name;
    void (*change)(World&, FakeHelperLink&);
    bool asked;
    int registers;
    std::size_t installs;
    bool settingOn;
  };
  const Row rows[] = {
      {"not registered: registers and installs",
       [](World&, FakeHelperLink& h) { h.state = VGXLidRegistration::notFound; }, true, 1, 1, true},
      {"already registered: installs", [](World&, FakeHelperLink&) {}, true, 0, 1, true},
      {"approval pending: waits",
       [](World&, FakeHelperLink& h) {
         h.state = VGXLidRegistration::notFound;
         h.afterRegister = VGXLidRegistration::requiresApproval;
       },
       true, 1, 0, true},
      {"registration refused",
       [](World&, FakeHelperLink& h) {
         h.state = VGXLidRegistration::notFound;
         h.registerFailure = "Not authorized";
       },
       true, 1, 0, false},
      {"user cancels", [](World& w, FakeHelperLink&) { w.confirm = false; }, true, 0, 0, false},
      {"unsupported build", [](World& w, FakeHelperLink&) { w.platformSupported = false; }, false,
       0, 0, false},
      {"lid unknown", [](World& w, FakeHelperLink&) { w.lid = {}; }, false, 0, 0, false},
      {"policy", [](World& w, FakeHelperLink&) { w.policyDisabled = true; }, false, 0, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    world = World{};
    FakeHelperLink rowHelper;
    testing::TestUserDefaults rowDefaults;
    VGXClosedLidController rowController{rowDefaults, inputs(), effects(), client, rowHelper};
    row.change(world, rowHelper);
    rowController.requestEnable();
    EXPECT_EQ(world.confirmations, row.asked ? 1 : 0);
    EXPECT_EQ(rowHelper.registers, row.registers);
    EXPECT_EQ(rowHelper.installs.size(), row.installs);
    EXPECT_EQ(rowDefaults.boolValue(Keys::enabled), row.settingOn);
  }
}

TEST_F(ClosedLidControllerTest, InstallAndApprovalOutcomesReachAvailability) {
  helper.state = VGXLidRegistration::notFound;
  helper.afterRegister = VGXLidRegistration::requiresApproval;
  controller.requestEnable();
  EXPECT_EQ(controller.availability().kind, needsApproval);
  for (int tick = 1; tick < VGXClosedLidController::kApprovalTickLimit; ++tick)
    controller.approvalTick();
  EXPECT_TRUE(controller.awaitingApproval());
  controller.approvalTick();
  EXPECT_FALSE(controller.awaitingApproval()) << "gives up after 600 ticks";
  EXPECT_EQ(defaults.boolValue(Keys::enabled), true) << "the setting stays on";
  EXPECT_EQ(controller.availability().kind, needsApproval);

  controller.requestEnable();  // approval pending: polls again
  helper.state = VGXLidRegistration::enabled;
  controller.approvalTick();
  ASSERT_EQ(helper.installs.size(), 1u);
  helper.installs.back()("failed:disk full");
  EXPECT_EQ(controller.availability(), (VGXLidAvailability{helperFailed, "failed:disk full"}));
  controller.requestEnable();
  ASSERT_EQ(helper.installs.size(), 2u);
  helper.installs.back()(std::nullopt);
  EXPECT_EQ(controller.availability().kind, ready);
  EXPECT_TRUE(controller.lastArmed());
}

TEST_F(ClosedLidControllerTest, AFailedRemovalOffersRetryAndSuccessTurnsTheModeOff) {
  controller.recompute(false);  // the helper is registered
  controller.removeHelper();
  helper.uninstalls.at(0)("failed:busy");
  EXPECT_TRUE(controller.removeFailed());
  ASSERT_EQ(helper.uninstalls.size(), 2u) << "Try Again runs the removal again";
  EXPECT_EQ(defaults.boolValue(Keys::everRegistered), true);
  // The removal unregisters the installer too.
  helper.state = VGXLidRegistration::notRegistered;
  helper.uninstalls.at(1)(std::nullopt);
  EXPECT_FALSE(controller.removeFailed());
  EXPECT_EQ(defaults.boolValue(Keys::enabled), false);
  EXPECT_EQ(controller.availability().kind, needsHelper) << "not turned off by anyone else";
  EXPECT_EQ(world.retryOffers, 1);
}

void setStatus(FakeGuardLink& c, VGXGuardState state, std::optional<std::uint64_t> at,
               std::optional<VGXGuardLatch> latch) {
  c.value.status = VGXGuardStatus{state, true, at, latch, "2.1"};
  c.value.executableSHA256 = "abc";
}

TEST_F(ClosedLidControllerTest, HealthLinesMenuAndVerifierReadings) {
  using enum VGXHealthSeverity;
  struct Row {
    const char* name;
    void (*change)(World&, FakeGuardLink&);
    std::vector<std::pair<std::string, VGXHealthSeverity>> lines;
    std::string signature;
    std::optional<bool> heldFresh;
    VGXLidRegistration registration = VGXLidRegistration::enabled;
    bool settingOn = true;
  };
  const std::string again = ": turn closed-lid mode off and on again";
  const Row rows[] = {
      {"no status",
       [](World&, FakeGuardLink&) {},
       {{"enabled; guard unknown; the guard does not answer" + again, Warning},
        {"unknown", Ok},
        {"none", Ok},
        {"none", Ok}},
       "ready|true|false",
       std::nullopt},
      {"held fresh by us",
       [](World&, FakeGuardLink& c) {
         setStatus(c, VGXGuardState::held(1000), 95'000'000'000ULL, std::nullopt);
       },
       {{"enabled; guard 2.1; the guard runs the installed program", Ok},
        {"keeping sleep off for user 1000", Ok},
        {"logind holds it, sleep is off; 5 s ago", Ok},
        {"none", Ok}},
       "ready|true|false",
       true},
      {"stale read-back, capped, program differs",
       [](World& w, FakeGuardLink& c) {
         setStatus(c, VGXGuardState::held(1000), 60'000'000'000ULL, VGXGuardLatch::totalCap);
         w.installedHash = "def";
       },
       {{"enabled; guard 2.1; the guard runs another program than the one installed" + again,
         Warning},
        {"keeping sleep off for user 1000", Ok},
        {"logind holds it, sleep is off; 40 s ago", Ok},
        {"the time limit was reached: turn closed-lid mode on again", Warning}},
       "ready|true|true",
       false},
      {"clear failed, read-back time ahead",
       [](World&, FakeGuardLink& c) {
         setStatus(c, VGXGuardState::clearFailed(), 200'000'000'000ULL, std::nullopt);
       },
       {{"enabled; guard 2.1; the guard runs the installed program", Ok},
        {"couldn't turn sleep back on: turn closed-lid mode off; if the computer still does not "
         "sleep, restart it",
         Error},
        {"logind holds it, sleep is off; 0 s ago", Ok},
        {"none", Ok}},
       "ready|true|false",
       false},
      {"flag off, helper registered",
       [](World& w, FakeGuardLink&) { w.featureEnabled = false; },
       {{"enabled; this version has no closed-lid mode: remove the helper in the General settings",
         Warning}},
       "removeOnly|true|false",
       std::nullopt},
      {"flag off, nothing installed",
       [](World& w, FakeGuardLink&) { w.featureEnabled = false; },
       {{"coming in an update", Ok}},
       "hidden|true|false",
       std::nullopt,
       VGXLidRegistration::notFound},
      {"never turned on: nothing needs attention",
       [](World&, FakeGuardLink&) {},
       {{"off; Needs a helper to be installed", Ok}},
       "needsHelper|false|false",
       std::nullopt,
       VGXLidRegistration::notRegistered,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    world = World{};
    client.value = {.ready = true, .status = std::nullopt, .executableSHA256 = std::nullopt};
    helper.state = row.registration;
    defaults.set(Keys::enabled, row.settingOn);
    defaults.set(Keys::everRegistered, false);
    row.change(world, client);
    controller.recompute(false);
    std::vector<std::pair<std::string, VGXHealthSeverity>> lines;
    for (const VGXHealthLine& line : controller.healthLines())
      lines.emplace_back(line.detail, line.severity);
    EXPECT_EQ(lines, row.lines);
    EXPECT_EQ(controller.menuSignature(), row.signature);
    EXPECT_EQ(controller.heldFresh(), row.heldFresh);
  }
}

}  // namespace
}  // namespace vigilix
