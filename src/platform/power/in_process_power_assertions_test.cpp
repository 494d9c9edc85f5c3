#include "platform/power/in_process_power_assertions.h"

#include <gtest/gtest.h>

#include "platform/power/live_power_source.h"
#include "platform/power/live_thermal_monitor.h"
#include "platform/power/low_power_mode.h"
#include "platform/power/power_profiles_low_power_mode.h"
#include "platform/power/power_sources.h"
#include "platform/power/thermal_state.h"

namespace vigilix::platform {
namespace {

TEST(InProcessPowerAssertionsTest, CreateRecordsTypeLevelAndNameAndListsThemUnderThisProcess) {
  InProcessPowerAssertions registry;
  auto created = registry.createWithName(kAssertionTypePreventUserIdleSystemSleep,
                                         kPowerAssertionLevelOn, "Vigilix: Build");
  ASSERT_EQ(created.result, kPowerReturnSuccess);
  ASSERT_NE(created.assertionID, 0u);

  auto listing = registry.copyAssertionsByProcess();
  ASSERT_EQ(listing.result, kPowerReturnSuccess);
  ASSERT_EQ(listing.byProcess.size(), 1u);
  const auto& own = listing.byProcess.at(PowerAssertions::currentProcessID());
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own[0].at(kAssertionTypeKey), PropertyValue("PreventUserIdleSystemSleep"));
  EXPECT_EQ(own[0].at(kAssertionLevelKey), PropertyValue(std::int64_t{255}));
  EXPECT_EQ(own[0].at(kAssertionNameKey), PropertyValue("Vigilix: Build"));
}

TEST(InProcessPowerAssertionsTest, RefusesBadArgumentsWithoutCreating) {
  InProcessPowerAssertions registry;
  EXPECT_EQ(registry.createWithName("", kPowerAssertionLevelOn, "n").result,
            kPowerReturnBadArgument);
  EXPECT_EQ(registry.createWithName("T", kPowerAssertionLevelOn, "").result,
            kPowerReturnBadArgument);
  EXPECT_EQ(registry.createWithName("T", 7, "n").result, kPowerReturnBadArgument);
  EXPECT_TRUE(registry.heldAssertionIDs().empty());
  EXPECT_TRUE(registry.copyAssertionsByProcess().byProcess.empty());
}

TEST(InProcessPowerAssertionsTest, IdentifiersAreNeverReusedAfterRelease) {
  InProcessPowerAssertions registry;
  auto first = registry.createWithName("T", kPowerAssertionLevelOn, "a").assertionID;
  EXPECT_EQ(registry.release(first), kPowerReturnSuccess);
  auto second = registry.createWithName("T", kPowerAssertionLevelOn, "b").assertionID;
  EXPECT_NE(first, second);
  EXPECT_EQ(registry.release(first), kPowerReturnNotFound);
  EXPECT_EQ(registry.heldAssertionIDs(), std::vector<PowerAssertionID>{second});
}

TEST(InProcessPowerAssertionsTest, ReplaceKeepsAnUnchangedLockAndOtherwiseTakesTheNewOneFirst) {
  struct Row {
    const char* name;
    std::string type;
    std::string assertionName;
    bool heldReleasedBefore;
    bool createFails;
    bool kept;      // the answer is the held identifier
    bool replaced;  // a new identifier, the held one gone
  };
  const Row rows[] = {
      {"same type and name", "T", "a", false, false, true, false},
      {"new name", "T", "b", false, false, false, true},
      {"new type", "U", "a", false, false, false, true},
      {"held one already gone", "T", "a", true, false, false, true},
      {"new one cannot be had", "T", "b", false, true, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    InProcessPowerAssertions registry;
    const auto held = registry.createWithName("T", kPowerAssertionLevelOn, "a").assertionID;
    if (row.heldReleasedBefore) registry.release(held);
    const auto answer = registry.replace(held, row.type, row.createFails ? "" : row.assertionName);
    EXPECT_EQ(answer.result == kPowerReturnSuccess, !row.createFails);
    EXPECT_EQ(answer.assertionID == held, row.kept);
    const auto expected =
        row.replaced ? std::vector{answer.assertionID} : std::vector<PowerAssertionID>{held};
    EXPECT_EQ(registry.heldAssertionIDs(), expected);
    if (row.replaced) {
      EXPECT_EQ(registry.copyProperties(answer.assertionID)->at(kAssertionNameKey),
                PropertyValue(row.assertionName));
    }
  }
}

TEST(InProcessPowerAssertionsTest, DropForgetsTheAssertionAsAResetWould) {
  InProcessPowerAssertions registry;
  auto id = registry.createWithName("T", kPowerAssertionLevelOn, "a").assertionID;
  EXPECT_TRUE(registry.drop(id));
  EXPECT_FALSE(registry.copyProperties(id));
  EXPECT_FALSE(registry.drop(id));
  EXPECT_EQ(registry.release(id), kPowerReturnNotFound);
}

TEST(LivePowerDefaultsTest, PowerSourcesComeFromSysAndHeatIsNominalWithoutLowPowerMode) {
  // What the /sys reader and the profile daemon's reader report is tested on
  // laid-out trees and a mock daemon; here only that they are in force. The
  // main loop does not run, so no bus is asked.
  EXPECT_NE(dynamic_cast<LivePowerSources*>(&PowerSources::current()), nullptr);
  EXPECT_NE(dynamic_cast<PowerProfilesLowPowerMode*>(&LowPowerMode::current()), nullptr);
  EXPECT_FALSE(LowPowerMode::current().isLowPowerModeEnabled());
  EXPECT_NE(dynamic_cast<LiveThermalMonitor*>(&ThermalMonitor::current()), nullptr);
}

TEST(ThermalStateTest, RawValuesBeyondCriticalAreUnknown) {
  EXPECT_EQ(thermalStateFromRawValue(0), ThermalState::Nominal);
  EXPECT_EQ(thermalStateFromRawValue(3), ThermalState::Critical);
  EXPECT_EQ(thermalStateFromRawValue(4), std::nullopt);
  EXPECT_EQ(thermalStateFromRawValue(-1), std::nullopt);
}

}  // namespace
}  // namespace vigilix::platform
