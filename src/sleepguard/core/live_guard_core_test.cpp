// The core on the machine's own clock and on the live power and heat readers
// over a /sys fixture: what a hold meets in the running guard.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/power/live_power_source.h"
#include "platform/power/live_thermal_monitor.h"
#include "sleepguard/core/sleep_guard_core.h"
#include "sleepguard/core/system_clock.h"
#include "sleepguard/core/system_sensors.h"
#include "sleepguard/testing/fake_guard_policy.h"
#include "sleepguard/testing/fake_guard_runner.h"
#include "sleepguard/testing/fake_guard_store.h"
#include "testing/fake_proc_tree.h"

namespace vigilix {
inline void PrintTo(const VGXGuardError& error, std::ostream* os) { *os << error.description(); }

namespace {

using Attributes = std::map<std::string, std::string>;

TEST(LiveGuardCoreTest, HoldsOnTheLiveClockAndSensors) {
  const Attributes charger{{"type", "Mains"}, {"online", "1"}};
  const Attributes unplugged{{"type", "Mains"}, {"online", "0"}};
  const struct {
    const char* name;
    Attributes adapter;
    std::string capacity;
    std::int64_t temperature;  // millidegrees; the zone's passive trip is at 90 °C
    std::optional<VGXGuardError> refusal;
  } rows[] = {
      {"on the charger", charger, "64", 45'000, std::nullopt},
      {"on battery above the floor", unplugged, "64", 45'000, std::nullopt},
      {"on battery below the floor", unplugged, "12", 45'000, VGXGuardError::unsafe("battery")},
      {"hot", charger, "64", 95'000, VGXGuardError::unsafe("heat")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeProcTree tree;
    tree.setPowerSupply("AC", row.adapter);
    tree.setPowerSupply("BAT0", {{"type", "Battery"}, {"capacity", row.capacity}});
    tree.setThermalZone(0, row.temperature, {{"passive", 90'000}, {"critical", 110'000}});
    const platform::LivePowerSources power(tree.root());
    const platform::LiveThermalMonitor heat(tree.root());

    VGXSystemClock clock;
    VGXSystemSensors sensors(clock, power, heat);
    testing::FakeGuardRunner runner;
    testing::FakeGuardStore store;
    testing::FakeGuardPolicySource policies;
    policies.policies[501] = VGXGuardPolicy{false, 20, 3600, 86400};
    VGXSleepGuardCore core(runner, sensors, clock, store, policies, "1.2", 30, 30);

    const auto grant = core.hold(501, true);
    EXPECT_EQ(grant ? std::nullopt : std::optional(grant.error()), row.refusal);
    EXPECT_EQ(runner.sleepDisabled, !row.refusal);
    if (!grant) continue;
    EXPECT_TRUE(core.renew(501, grant->token).has_value());
    core.tick();
    EXPECT_EQ(core.status().state, VGXGuardState::held(501));
    EXPECT_TRUE(core.release(501, grant->token).has_value());
    EXPECT_FALSE(runner.sleepDisabled);
  }
}

}  // namespace
}  // namespace vigilix
