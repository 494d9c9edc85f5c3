#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "keepawake/awake_controller.h"

namespace vigilix {
namespace {

using platform::Date;

TEST(AwakeControllerBattery, ThresholdWithFivePointHysteresis) {
  AwakeController c(Date(0), 20);
  c.startIndefinite(Date(0));
  c.updateBattery(true, 20);  // at the threshold: not blocked
  EXPECT_FALSE(c.batteryBlocked());
  c.updateBattery(true, 19.9);
  EXPECT_TRUE(c.batteryBlocked());
  EXPECT_TRUE(c.manual().isNone());
  EXPECT_EQ(c.snapshot().primary, AwakeStatus::blockedByBattery());

  c.updateBattery(true, 24.9);
  EXPECT_TRUE(c.batteryBlocked());
  c.updateBattery(true, 25);
  EXPECT_FALSE(c.batteryBlocked());
  // A session ended by the block does not come back.
  EXPECT_TRUE(c.manual().isNone());

  c.updateBattery(true, 10);
  c.updateBattery(false, 10);  // plugging in lifts it at once
  EXPECT_FALSE(c.batteryBlocked());
}

TEST(AwakeControllerBattery, ThresholdChangeReevaluates) {
  AwakeController c(Date(0), 20);
  c.updateBattery(true, 30);
  c.setBatteryThreshold(40);
  EXPECT_TRUE(c.batteryBlocked());
  c.setBatteryThreshold(27);  // 30 is above 27 but below 32: block stays
  EXPECT_TRUE(c.batteryBlocked());
  c.setBatteryThreshold(25);
  EXPECT_FALSE(c.batteryBlocked());
}

TEST(AwakeControllerBattery, StartsAreIgnoredWhileBlocked) {
  AwakeController c(Date(0), 20);
  c.updateBattery(true, 5);
  c.startDuration(600, Date(0));
  c.startIndefinite(Date(0));
  c.startUntil(Date(100), Date(0));
  EXPECT_TRUE(c.manual().isNone());
  EXPECT_FALSE(c.durationDeadline().has_value());
}

TEST(AwakeControllerBattery, NonFiniteReadingsAreIgnored) {
  AwakeController c(Date(0), 20);
  c.updateBattery(true, 10);
  c.updateBattery(true, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(c.batteryPercent(), 10);
  EXPECT_TRUE(c.batteryBlocked());
  c.setBatteryThreshold(std::numeric_limits<double>::infinity());
  EXPECT_EQ(c.batteryThreshold(), 20);
  // A broken level does not hide that the computer was plugged in.
  c.updateBattery(false, std::numeric_limits<double>::quiet_NaN());
  EXPECT_FALSE(c.batteryBlocked());
  EXPECT_FALSE(c.onBattery());
  EXPECT_EQ(c.batteryPercent(), 10);
}

TEST(AwakeControllerLowPowerMode, BlocksWithoutHysteresis) {
  AwakeController c(Date(0), 20);
  c.setAutomationEnabled(true);
  c.setReasons({TriggerReason::powerAdapter()});
  c.startIndefinite(Date(0));
  c.setLowPowerMode(true);
  EXPECT_TRUE(c.manual().isNone());
  EXPECT_EQ(c.snapshot(),
            (AwakeSnapshot{false, AwakeStatus::blockedByBattery(), std::nullopt, {}}));
  c.startIndefinite(Date(1));
  EXPECT_TRUE(c.manual().isNone());
  c.setLowPowerMode(false);
  // Stored reasons count again as soon as the block lifts.
  EXPECT_EQ(c.snapshot().primary, AwakeStatus::automatic(TriggerReason::powerAdapter()));
}

TEST(AwakeControllerHeat, CoolDownLastsThreeHundredSeconds) {
  AwakeController c(Date(0), 20);
  c.startIndefinite(Date(0));
  c.setThermal(platform::ThermalState::Serious, Date(10));
  EXPECT_TRUE(c.heatBlocked());
  EXPECT_TRUE(c.manual().isNone());
  EXPECT_FALSE(c.heatResumesAt().has_value());

  const Date t(1000);
  c.setThermal(platform::ThermalState::Nominal, t);
  EXPECT_TRUE(c.heatBlocked());
  EXPECT_EQ(c.heatCoolStartedAt(), t);
  EXPECT_EQ(c.heatResumesAt(), t + 300);
  c.tick(t + 299);
  EXPECT_TRUE(c.heatBlocked());
  c.tick(t + 300);
  EXPECT_FALSE(c.heatBlocked());
  EXPECT_FALSE(c.heatCoolStartedAt().has_value());
  EXPECT_FALSE(c.heatResumesAt().has_value());
}

TEST(AwakeControllerHeat, ACoolDownOfAnotherLengthIsTakenOnlyWhenPositive) {
  struct Row {
    const char* name;
    double set;
    double lasts;
  };
  const Row rows[] = {
      {"five seconds", 5, 5},
      {"zero", 0, 300},
      {"not a number", std::nan(""), 300},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    AwakeController c(Date(0), 20);
    c.setHeatCoolDown(row.set);
    c.setThermal(platform::ThermalState::Critical, Date(0));
    c.setThermal(platform::ThermalState::Nominal, Date(100));
    EXPECT_EQ(c.heatResumesAt(), Date(100 + row.lasts));
    c.tick(Date(100 + row.lasts - 1));
    EXPECT_TRUE(c.heatBlocked());
    c.tick(Date(100 + row.lasts));
    EXPECT_FALSE(c.heatBlocked());
  }
}

TEST(AwakeControllerHeat, ReturnToHotRestartsTheCoolDown) {
  AwakeController c(Date(0), 20);
  c.setThermal(platform::ThermalState::Critical, Date(0));
  c.setThermal(platform::ThermalState::Fair, Date(100));
  c.setThermal(platform::ThermalState::Serious, Date(200));
  EXPECT_FALSE(c.heatCoolStartedAt().has_value());
  c.evaluateHeat(Date(400));  // still serious
  EXPECT_TRUE(c.heatBlocked());
  c.setThermal(platform::ThermalState::Fair, Date(500));
  c.tick(Date(799));
  EXPECT_TRUE(c.heatBlocked());
  c.tick(Date(800));
  EXPECT_FALSE(c.heatBlocked());
}

TEST(AwakeControllerHeat, FairIsNotHotAndTheRuleCanBeOff) {
  AwakeController c(Date(0), 20);
  c.setThermal(platform::ThermalState::Fair, Date(0));
  EXPECT_FALSE(c.heatBlocked());
  EXPECT_FALSE(c.heatCoolStartedAt().has_value());

  c.setThermal(platform::ThermalState::Critical, Date(0));
  c.setStopWhenHot(false, Date(1));
  EXPECT_FALSE(c.heatBlocked());
  c.startIndefinite(Date(2));
  EXPECT_EQ(c.manual(), ManualSessionKind::indefinite());
  c.setStopWhenHot(true, Date(3));
  EXPECT_TRUE(c.heatBlocked());
  EXPECT_TRUE(c.manual().isNone());
}

TEST(AwakeControllerHeat, BatteryBlockWinsOverHeat) {
  AwakeController c(Date(0), 20);
  c.setThermal(platform::ThermalState::Serious, Date(0));
  c.updateBattery(true, 5);
  EXPECT_EQ(c.snapshot().primary, AwakeStatus::blockedByBattery());
}

class AwakeControllerRestartOnActivity : public ::testing::Test {
 protected:
  AwakeControllerRestartOnActivity() : c(Date(0), 20) {
    c.setRestartOnActivity(true);
    c.startDuration(1800, Date(0));
  }
  AwakeController c;
};

TEST_F(AwakeControllerRestartOnActivity, ActivityPushesTheEndNeverEarlier) {
  c.noteUserActivity(Date(1000), Date(1000));
  EXPECT_EQ(c.deadline(), Date(2800));
  c.noteUserActivity(Date(900), Date(1001));
  EXPECT_EQ(c.deadline(), Date(2800));
  // The session's own record is unchanged.
  EXPECT_EQ(c.manual(), ManualSessionKind::duration(1800, Date(0)));
}

TEST(AwakeControllerRestartOnActivityRules, ActivityMovesTheEndToActivityPlusTotal) {
  struct Row {
    const char* name;
    double total;
    double activity;
    Date expectedDeadline;
    std::optional<Date> presenceEndedAt = std::nullopt;
    bool restartOnActivity = true;
  };
  const Row rows[] = {
      {"inside the session", 1800, 1000, Date(2800)},
      {"not after the start", 1800, 0, Date(1800)},
      {"after the deadline", 1800, 1800.5, Date(1800)},
      {"at the deadline", 1800, 1800, Date(3600)},
      {"at the end of the pointer nudges", 1800, 1200, Date(1800), Date(1200)},
      {"after the end of the pointer nudges", 1800, 1201, Date(3001), Date(1200)},
      {"restarting off", 1800, 1500, Date(1800), std::nullopt, false},
      // Finite numbers whose sum is infinite: such an end would never come.
      {"an end that overflows", 1.7e308, 1e308, Date(1.7e308)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    AwakeController c(Date(0), 20);
    c.setRestartOnActivity(row.restartOnActivity);
    c.startDuration(row.total, Date(0));
    c.setPresenceEndedAt(row.presenceEndedAt);
    c.noteUserActivity(Date(row.activity), Date(row.activity));
    EXPECT_EQ(c.deadline(), row.expectedDeadline);
    EXPECT_FALSE(c.encodedState().empty());
  }
}

TEST_F(AwakeControllerRestartOnActivity, OnlyDurationSessionsRestart) {
  c.startUntil(Date(1800), Date(0));
  c.noteUserActivity(Date(1000), Date(1000));
  EXPECT_EQ(c.deadline(), Date(1800));
}

}  // namespace
}  // namespace vigilix
