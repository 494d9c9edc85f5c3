#include "policy/policy_gate.h"

#include <gtest/gtest.h>

#include <optional>

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

TEST(PolicyRuntimeTest, EnforcedBoolMergesAForcedValueWithTheUsersOwn) {
  using platform::PropertyValue;
  using Value = std::optional<PropertyValue>;
  struct Row {
    const char* name;
    const char* key;
    Value user;
    Value forced;
    std::optional<bool> expected;
    Value anyUser = std::nullopt;
  };
  const Row rows[] = {
      {"nothing set", kStopWhenHot, {}, {}, std::nullopt},
      {"the user's false", kStopWhenHot, PropertyValue(false), {}, false},
      {"the user's number 1", kStopWhenHot, PropertyValue(1), {}, true},
      {"the user's text", kStopWhenHot, PropertyValue("yes"), {}, std::nullopt},
      {"forced false, user true: true is stricter", kStopWhenHot, PropertyValue(true),
       PropertyValue(false), true},
      {"forced false, user false", kStopWhenHot, PropertyValue(false), PropertyValue(false), false},
      {"forced true, user false", kStopWhenHot, PropertyValue(false), PropertyValue(true), true},
      {"forced false, only a system-wide true",
       kStopWhenHot,
       {},
       PropertyValue(false),
       false,
       PropertyValue(true)},
      {"forced without order keeps the managed value", "VGXRestartTimerOnActivity",
       PropertyValue(true), PropertyValue(false), false},
      {"a number row",
       "run.tarvo.vigilix.BatteryCapacityThreshold",
       PropertyValue(1),
       {},
       std::nullopt},
      {"a key outside the table", "NotAPolicyKey", PropertyValue(true), {}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    testing::TestUserDefaults defaults;
    if (row.user) defaults.set(row.key, *row.user);
    if (row.forced) defaults.setForced(row.key, *row.forced);
    if (row.anyUser) defaults.setAnyUserValue(row.key, *row.anyUser);
    EXPECT_EQ(VGXPolicyRuntime::enforcedBool(defaults, row.key), row.expected);
  }
}

}  // namespace
}  // namespace vigilix
