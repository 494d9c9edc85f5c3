#include "keepawake/policy_action.h"

#include <gtest/gtest.h>

#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

constexpr const char* kTimeInterval = "run.tarvo.vigilix.TimeInterval";

class PolicyActionTest : public ::testing::Test {
 protected:
  testing::TestPlatform platform;
  testing::TestUserDefaults defaults;
};

TEST_F(PolicyActionTest, RefusalReasonPutsHeatBeforeTheForcedDuration) {
  EXPECT_EQ(VGXKeepAwakeActionPolicy::refusalReason(defaults, false), std::nullopt);
  EXPECT_EQ(VGXKeepAwakeActionPolicy::refusalReason(defaults, true),
            "Paused because your computer is hot");
  EXPECT_EQ(VGXKeepAwakeActionPolicy::managedFooter(defaults), std::nullopt);

  defaults.setForced(kTimeInterval, 0);
  EXPECT_EQ(VGXKeepAwakeActionPolicy::refusalReason(defaults, false),
            "Managed by your organization.");
  EXPECT_EQ(VGXKeepAwakeActionPolicy::refusalReason(defaults, true),
            "Paused because your computer is hot");
  EXPECT_EQ(VGXKeepAwakeActionPolicy::managedFooter(defaults), "Managed by your organization.");
}

}  // namespace
}  // namespace vigilix
