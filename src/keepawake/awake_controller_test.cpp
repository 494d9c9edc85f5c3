#include "keepawake/awake_controller.h"

#include <gtest/gtest.h>

#include <limits>

namespace vigilix {
namespace {

using platform::Date;
using Kind = ManualSessionKind::Kind;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

const TriggerReason kA = TriggerReason::appRunning("com.example.a");
const TriggerReason kB = TriggerReason::appRunning("com.example.b");

AwakeController makeController() { return AwakeController(Date(0), 20); }

TEST(AwakeControllerCreation, StartsIdleWithDefaults) {
  const auto c = makeController();
  EXPECT_EQ(c.manual(), ManualSessionKind::none());
  EXPECT_EQ(c.stopGeneration(), 0);
  EXPECT_EQ(c.batteryThreshold(), 20);
  EXPECT_EQ(c.batteryPercent(), 100);
  EXPECT_TRUE(c.stopWhenHot());
  EXPECT_EQ(c.lastThermal(), platform::ThermalState::Nominal);
  EXPECT_FALSE(c.nextWakeDate().has_value());
  EXPECT_EQ(c.snapshot(), (AwakeSnapshot{false, AwakeStatus::idle(), std::nullopt, {}}));
}

TEST(AwakeControllerManualSession, StartsReplaceEachOtherAndKeepThePause) {
  auto c = makeController();
  c.setAutomationEnabled(true);
  c.pauseTriggers(Date(500));
  c.startIndefinite(Date(1));
  EXPECT_EQ(c.manual(), ManualSessionKind::indefinite());
  c.startUntil(Date(-50), Date(1));  // stored unchanged, even in the past
  EXPECT_EQ(c.manual(), ManualSessionKind::until(Date(-50)));
  c.startDuration(600, Date(10));
  EXPECT_EQ(c.manual(), ManualSessionKind::duration(600, Date(10)));
  EXPECT_EQ(c.deadline(), Date(610));
  EXPECT_EQ(c.pause(), TriggerPause::until(Date(500)));
  EXPECT_EQ(c.stopGeneration(), 0);
}

TEST(AwakeControllerManualSession, TickEndsTheSessionAtItsDeadline) {
  auto c = makeController();
  c.startDuration(100, Date(0));
  c.tick(Date(99.999));
  EXPECT_EQ(c.manual().kind(), Kind::duration);
  c.tick(Date(100));
  EXPECT_TRUE(c.manual().isNone());
  EXPECT_EQ(c.durationDeadline(), Date(100));  // left as it was

  c.startUntil(Date(200), Date(150));
  c.tick(Date(200));
  EXPECT_TRUE(c.manual().isNone());
}

TEST(AwakeControllerManualSession, AddTimeCountsFromTheLaterOfNowAndTheDeadline) {
  auto c = makeController();
  // An until session whose date passed 10 s ago, not yet ended by a tick.
  c.startUntil(Date(1000), Date(0));
  c.addTime(900, Date(1010));
  EXPECT_EQ(c.manual(), ManualSessionKind::until(Date(1910)));

  c.startDuration(600, Date(0));
  c.addTime(300, Date(100));  // deadline 600 is later than now
  EXPECT_EQ(c.manual(), ManualSessionKind::duration(900, Date(0)));
  EXPECT_EQ(c.deadline(), Date(900));
  c.addTime(60, Date(1000));  // deadline passed
  EXPECT_EQ(c.manual(), ManualSessionKind::duration(960, Date(0)));
  EXPECT_EQ(c.deadline(), Date(1060));
}

TEST(AwakeControllerManualSession, AddTimeIgnoresSessionsWithoutEndAndNonPositiveAmounts) {
  auto c = makeController();
  c.addTime(900, Date(0));
  EXPECT_TRUE(c.manual().isNone());
  c.startIndefinite(Date(0));
  c.addTime(900, Date(0));
  EXPECT_EQ(c.manual(), ManualSessionKind::indefinite());
  c.startDuration(600, Date(0));
  c.addTime(0, Date(0));
  c.addTime(-30, Date(0));
  EXPECT_EQ(c.deadline(), Date(600));
}

TEST(AwakeControllerManualSession, StopPausesTriggersOnlyWithAutomationOn) {
  auto off = makeController();
  off.setWatchReasons({TriggerReason::watchedFile("f")});
  off.setAgentReasons({TriggerReason::agent("t")});
  off.startIndefinite(Date(0));
  off.stop(Date(0));
  EXPECT_EQ(off.stopGeneration(), 1);
  EXPECT_TRUE(off.manual().isNone());
  EXPECT_TRUE(off.watchReasons().empty());
  EXPECT_TRUE(off.agentReasons().empty());
  EXPECT_EQ(off.pause(), TriggerPause::none());

  auto on = makeController();
  on.setAutomationEnabled(true);
  on.stop(Date(0));
  on.stop(Date(0));
  EXPECT_EQ(on.stopGeneration(), 2);
  EXPECT_EQ(on.pause(), TriggerPause::untilResumed());
}

TEST(AwakeControllerManualSession, EndManualSessionTouchesNothingElse) {
  auto c = makeController();
  c.setAutomationEnabled(true);
  c.setWatchReasons({TriggerReason::watchedFile("f")});
  c.startIndefinite(Date(0));
  c.endManualSession();
  EXPECT_TRUE(c.manual().isNone());
  EXPECT_EQ(c.stopGeneration(), 0);
  EXPECT_EQ(c.pause(), TriggerPause::none());
  EXPECT_EQ(c.watchReasons().size(), 1u);
}

TEST(AwakeControllerNonFiniteInput, IsRefusedAndNeverStored) {
  auto c = makeController();
  c.startDuration(kNaN, Date(0));
  c.startDuration(kInf, Date(0));
  c.startDuration(600, Date(kNaN));
  c.startUntil(Date(kInf), Date(0));
  c.startUntil(Date(kNaN), Date(0));
  EXPECT_TRUE(c.manual().isNone());
  EXPECT_FALSE(c.durationDeadline().has_value());

  c.startDuration(600, Date(0));
  c.addTime(kNaN, Date(0));
  c.addTime(kInf, Date(0));
  c.addTime(60, Date(kNaN));
  EXPECT_EQ(c.manual(), ManualSessionKind::duration(600, Date(0)));
  EXPECT_EQ(c.deadline(), Date(600));

  c.setAutomationEnabled(true);
  c.pauseTriggers(Date(kNaN));
  c.pauseTriggers(Date(-kInf));
  EXPECT_EQ(c.pause(), TriggerPause::none());

  // A tick at a non-finite time neither ends nor keeps anything by accident.
  c.tick(Date(kInf));
  EXPECT_EQ(c.manual().kind(), Kind::duration);

  c.setRestartOnActivity(true);
  c.noteUserActivity(Date(kNaN), Date(10));
  EXPECT_EQ(c.deadline(), Date(600));
  c.setPresenceEndedAt(Date(kNaN));
  EXPECT_FALSE(c.presenceEndedAt().has_value());
}

TEST(AwakeControllerTriggers, PauseAndResume) {
  auto c = makeController();
  c.pauseTriggers(Date(50));  // automation off: nothing
  EXPECT_EQ(c.pause(), TriggerPause::none());
  c.setAutomationEnabled(true);
  c.pauseTriggers(Date(50));
  EXPECT_EQ(c.pause(), TriggerPause::until(Date(50)));
  c.tick(Date(49));
  EXPECT_EQ(c.pause(), TriggerPause::until(Date(50)));
  c.tick(Date(50));
  EXPECT_EQ(c.pause(), TriggerPause::none());

  c.stop(Date(60));
  c.resumeTriggers();
  EXPECT_EQ(c.pause(), TriggerPause::none());
  c.stop(Date(60));
  c.setAutomationEnabled(false);  // turning automation off clears the pause
  EXPECT_EQ(c.pause(), TriggerPause::none());
}

TEST(AwakeControllerTriggers, NextWakeDateIsTheEarlierOfDeadlineAndPauseEnd) {
  auto c = makeController();
  c.setAutomationEnabled(true);
  c.startUntil(Date(100), Date(0));
  EXPECT_EQ(c.nextWakeDate(), Date(100));
  c.pauseTriggers(Date(50));
  EXPECT_EQ(c.nextWakeDate(), Date(50));
  c.pauseTriggers(Date(150));
  EXPECT_EQ(c.nextWakeDate(), Date(100));
  c.endManualSession();
  EXPECT_EQ(c.nextWakeDate(), Date(150));
}

TEST(AwakeControllerSnapshot, AutomaticReasonsAndAlsoActive) {
  auto c = makeController();
  c.setAutomationEnabled(true);
  c.setReasons({kA, kB});
  EXPECT_EQ(c.snapshot(), (AwakeSnapshot{true, AwakeStatus::automatic(kA), kB, {}}));

  c.stop(Date(0));  // pause until resumed hides the trigger reasons
  EXPECT_EQ(c.snapshot(), (AwakeSnapshot{false, AwakeStatus::idle(), std::nullopt,
                                         TriggerPause::untilResumed()}));

  c.resumeTriggers();
  c.setReasons({kA});
  EXPECT_EQ(c.snapshot(), (AwakeSnapshot{true, AwakeStatus::automatic(kA), std::nullopt, {}}));
  c.setAutomationEnabled(false);
  EXPECT_FALSE(c.snapshot().isAwake);
}

TEST(AwakeControllerSnapshot, ReasonListOrderIsWatchAgentFocusTriggers) {
  auto c = makeController();
  c.setAutomationEnabled(true);
  c.setReasons({kA});
  c.setFocusActive(true);
  EXPECT_EQ(c.snapshot().primary, AwakeStatus::automatic(TriggerReason::focus()));
  EXPECT_EQ(c.snapshot().alsoActive, kA);
  c.setAgentReasons({TriggerReason::agent("tool")});
  EXPECT_EQ(c.snapshot().primary, AwakeStatus::automatic(TriggerReason::agent("tool")));
  EXPECT_EQ(c.snapshot().alsoActive, TriggerReason::focus());
  c.setWatchReasons({TriggerReason::watchedApp("w")});
  EXPECT_EQ(c.snapshot().primary, AwakeStatus::automatic(TriggerReason::watchedApp("w")));
  EXPECT_EQ(c.snapshot().alsoActive, TriggerReason::agent("tool"));

  c.setFocusActive(false);
  EXPECT_TRUE(c.focusReasons().empty());
  c.setFocusActive(true);
  c.setFocusActive(true);
  EXPECT_EQ(c.focusReasons(), std::vector<TriggerReason>{TriggerReason::focus()});
}

TEST(AwakeControllerSnapshot, WatchReasonsIgnoreThePauseAndAutomation) {
  auto c = makeController();
  c.setWatchReasons({TriggerReason::watchedFile("download.zip")});
  EXPECT_EQ(c.snapshot().primary,
            AwakeStatus::automatic(TriggerReason::watchedFile("download.zip")));
  c.setAutomationEnabled(true);
  c.stop(Date(0));  // clears watches too, so set them again
  c.setWatchReasons({TriggerReason::watchedFile("download.zip")});
  EXPECT_EQ(c.pause(), TriggerPause::untilResumed());
  EXPECT_TRUE(c.snapshot().isAwake);
}

TEST(AwakeControllerSnapshot, ManualSessionComesFirstWithTheFirstReasonBeside) {
  auto c = makeController();
  c.setAutomationEnabled(true);
  c.startDuration(600, Date(0));
  EXPECT_EQ(c.snapshot(),
            (AwakeSnapshot{true, AwakeStatus::manualUntil(Date(600)), std::nullopt, {}}));
  c.setReasons({kA, kB});
  EXPECT_EQ(c.snapshot().alsoActive, kA);
  c.startIndefinite(Date(0));
  EXPECT_EQ(c.snapshot(), (AwakeSnapshot{true, AwakeStatus::manualIndefinite(), kA, {}}));
}

TEST(AwakeControllerSnapshot, AgentCountHoldsInEveryStatus) {
  auto c = makeController();
  c.setAgentReasons(
      {TriggerReason::agent("a"), TriggerReason::watchedFile("x"), TriggerReason::agent("b")});
  EXPECT_EQ(c.snapshot().agentCount, 2);
  c.setThermal(platform::ThermalState::Serious, Date(0));
  const auto snap = c.snapshot();
  EXPECT_EQ(snap.primary, AwakeStatus::blockedByHeat());
  EXPECT_FALSE(snap.isAwake);
  EXPECT_FALSE(snap.alsoActive.has_value());
  EXPECT_EQ(snap.agentCount, 2);
}

}  // namespace
}  // namespace vigilix
