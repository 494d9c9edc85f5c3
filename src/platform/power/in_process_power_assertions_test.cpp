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

constexpr LockKind kSystem = LockKind::systemSleep;
constexpr LockKind kDisplay = LockKind::displayAndSystemSleep;

TEST(InProcessPowerAssertionsTest, TakeListsTheLockUnderThisProcessAndRefusesAnEmptyReason) {
  InProcessPowerAssertions registry;
  EXPECT_EQ(registry.take(kSystem, ""), std::unexpected(LockError::badArgument));
  EXPECT_EQ(registry.locksByProcess(), LockListing{});
  const auto taken = registry.take(kDisplay, "Vigilix: Build");
  ASSERT_TRUE(taken);
  EXPECT_NE(*taken, 0u);
  EXPECT_EQ(registry.locksByProcess(),
            (LockListing{LocksByProcess{
                {PowerAssertions::currentProcessID(), {Lock{kDisplay, "Vigilix: Build"}}}}}));
}

TEST(InProcessPowerAssertionsTest, IdentifiersAreNeverReusedAfterReleaseOrDrop) {
  InProcessPowerAssertions registry;
  const LockID first = *registry.take(kSystem, "a");
  EXPECT_TRUE(registry.release(first));
  const LockID second = *registry.take(kSystem, "b");
  EXPECT_NE(first, second);
  EXPECT_EQ(registry.release(first), std::unexpected(LockError::notFound));
  EXPECT_EQ(registry.heldLockIDs(), std::vector<LockID>{second});
  // A drop forgets the lock as a restart of logind would.
  EXPECT_TRUE(registry.drop(second));
  EXPECT_FALSE(registry.heldLock(second));
  EXPECT_FALSE(registry.drop(second));
  EXPECT_EQ(registry.release(second), std::unexpected(LockError::notFound));
}

TEST(InProcessPowerAssertionsTest, ReplaceKeepsAnUnchangedLockAndOtherwiseTakesTheNewOneFirst) {
  struct Row {
    const char* name;
    LockKind kind;
    std::string reason;
    bool heldReleasedBefore;
    bool takeFails;
    bool kept;      // the answer is the held identifier
    bool replaced;  // a new identifier, the held one gone
  };
  const Row rows[] = {
      {"same kind and reason", kSystem, "a", false, false, true, false},
      {"new reason", kSystem, "b", false, false, false, true},
      {"new kind", kDisplay, "a", false, false, false, true},
      {"held one already gone", kSystem, "a", true, false, false, true},
      {"new one cannot be had", kSystem, "b", false, true, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    InProcessPowerAssertions registry;
    const LockID held = *registry.take(kSystem, "a");
    if (row.heldReleasedBefore) (void)registry.release(held);
    const auto answer = registry.replace(held, row.kind, row.takeFails ? "" : row.reason);
    EXPECT_EQ(answer.has_value(), !row.takeFails);
    EXPECT_EQ(answer == held, row.kept);
    const auto expected = row.replaced ? std::vector{*answer} : std::vector<LockID>{held};
    EXPECT_EQ(registry.heldLockIDs(), expected);
    if (row.replaced) {
      EXPECT_EQ(registry.heldLock(*answer), (Lock{row.kind, row.reason}));
    }
  }
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

// The heat rule of the application and the guard's safety compare levels by their order.
TEST(ThermalStateTest, RawValuesAndOrder) {
  EXPECT_EQ(thermalStateFromRawValue(1), ThermalState::Fair);
  EXPECT_EQ(thermalStateFromRawValue(2), ThermalState::Serious);
  EXPECT_LT(ThermalState::Nominal, ThermalState::Fair);
  EXPECT_LT(ThermalState::Fair, ThermalState::Serious);
  EXPECT_LT(ThermalState::Serious, ThermalState::Critical);
}

}  // namespace
}  // namespace vigilix::platform
