#include "policy/policy_gate.h"

#include <gtest/gtest.h>

#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

constexpr const char* kStopWhenHot = "VGXStopWhenHot";
constexpr const char* kTimeInterval = "run.tarvo.vigilix.TimeInterval";

class PolicyGateTest : public ::testing::Test {
 protected:
  testing::TestPlatform platform;
  testing::TestUserDefaults defaults;
};

TEST_F(PolicyGateTest, ForcedKeysCannotBeWritten) {
  EXPECT_FALSE(VGXPolicyGate::isForced(defaults, kTimeInterval));
  EXPECT_TRUE(VGXPolicyGate::canWriteKey(defaults, kTimeInterval));
  defaults.setForced(kTimeInterval, 1800);
  EXPECT_TRUE(VGXPolicyGate::isForced(defaults, kTimeInterval));
  EXPECT_FALSE(VGXPolicyGate::canWriteKey(defaults, kTimeInterval));
  defaults.removeForced(kTimeInterval);
  EXPECT_TRUE(VGXPolicyGate::canWriteKey(defaults, kTimeInterval));
}

TEST_F(PolicyGateTest, UnforcedBooleanReadsTheUsersValue) {
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, kStopWhenHot), std::nullopt);
  defaults.set(kStopWhenHot, false);
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, kStopWhenHot), false);
  defaults.set(kStopWhenHot, 1);
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, kStopWhenHot), true);
  defaults.set(kStopWhenHot, "yes");
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, kStopWhenHot), std::nullopt);
}

TEST_F(PolicyGateTest, ForcedFalseWithTheUsersTrueGivesTrueWhereTrueIsStricter) {
  defaults.set(kStopWhenHot, true);
  defaults.setForced(kStopWhenHot, false);
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, kStopWhenHot), true);

  defaults.set(kStopWhenHot, false);
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, kStopWhenHot), false);
  defaults.setForced(kStopWhenHot, true);
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, kStopWhenHot), true);
}

TEST_F(PolicyGateTest, ForcedBooleanMergesWithTheUsersOwnValueNotTheSystemWideOne) {
  defaults.setForced(kStopWhenHot, false);
  defaults.setAnyUserValue(kStopWhenHot, true);
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, kStopWhenHot), false);
  defaults.remove(kStopWhenHot);
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, kStopWhenHot), false);
}

TEST_F(PolicyGateTest, ForcedBooleanWithoutOrderKeepsTheManagedValue) {
  defaults.set("VGXRestartTimerOnActivity", true);
  defaults.setForced("VGXRestartTimerOnActivity", false);
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, "VGXRestartTimerOnActivity"), false);
}

TEST_F(PolicyGateTest, OnlyBooleanRowsOfTheTableAreRead) {
  defaults.set("run.tarvo.vigilix.BatteryCapacityThreshold", 1);
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, "run.tarvo.vigilix.BatteryCapacityThreshold"),
            std::nullopt);
  defaults.set("NotAPolicyKey", true);
  EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, "NotAPolicyKey"), std::nullopt);
}

}  // namespace
}  // namespace vigilix
