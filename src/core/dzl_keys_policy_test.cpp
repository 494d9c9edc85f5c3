#include <gtest/gtest.h>

#include "core/dzl_keys.h"
#include "policy/policy_gate.h"
#include "policy/policy_table.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

// The core asks the gate before it writes one of its settings, so every one
// of them must be a row of the policy table, of the type the core reads.
TEST(DZLKeysPolicyTest, EveryCoreSettingIsAForcibleRowThatTheGateGuards) {
  struct Row {
    const char* key;
    VGXPolicyValueType type;
  };
  const Row rows[] = {
      {kDZLActivateOnLaunchKey, VGXPolicyValueType::Bool},
      {kDZLAllowDisplaySleepKey, VGXPolicyValueType::Bool},
      {kDZLMenuBarIconHighlightDisabledKey, VGXPolicyValueType::Bool},
      {kDZLPreReleaseUpdatesEnabledKey, VGXPolicyValueType::Bool},
      {kDZLQuitOnTimerExpirationEnabledKey, VGXPolicyValueType::Bool},
      {kDZLActivateOnExternalDisplayConnectedEnabledKey, VGXPolicyValueType::Bool},
      {kDZLDeactivateOnUserSwitchEnabledKey, VGXPolicyValueType::Bool},
      {kDZLBatteryCapacityThresholdEnabledKey, VGXPolicyValueType::Bool},
      {kDZLLowPowerModeMonitoringEnabledKey, VGXPolicyValueType::Bool},
      {kDZLClickToKeepAwakeKey, VGXPolicyValueType::Bool},
      {kDZLBatteryCapacityThresholdKey, VGXPolicyValueType::Double},
      {kDZLTimeIntervalKey, VGXPolicyValueType::Int},
  };
  testing::TestPlatform platform;
  testing::TestUserDefaults defaults;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    const VGXPolicyKey* found = VGXPolicy::key(row.key);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->type, row.type);
    EXPECT_TRUE(VGXPolicyGate::canWriteKey(defaults, row.key));
    defaults.setForced(row.key, true);
    EXPECT_FALSE(VGXPolicyGate::canWriteKey(defaults, row.key));
  }
}

}  // namespace
}  // namespace vigilix
