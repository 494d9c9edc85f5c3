#include "sleepguard/core/system_sensors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <map>
#include <vector>

#include "platform/power/live_power_source.h"
#include "platform/power/live_thermal_monitor.h"
#include "sleepguard/testing/fake_guard_clock.h"
#include "sleepguard/testing/sleep_guard_fixture.h"
#include "testing/fake_proc_tree.h"

namespace vigilix {
namespace {

using platform::PowerSourceReading;
using Sources = std::vector<PowerSourceReading>;

constexpr std::uint64_t kNow = 42'000'000'000;

PowerSourceReading battery(std::optional<std::int64_t> current, std::optional<std::int64_t> maximum,
                           bool onBattery = false) {
  return {.kind = PowerSourceReading::Kind::internalBattery,
          .onBattery = onBattery,
          .currentCapacity = current,
          .maxCapacity = maximum};
}

PowerSourceReading ups(bool onBattery) {
  return {.kind = PowerSourceReading::Kind::ups, .onBattery = onBattery};
}

VGXSensorSample sample(bool onBattery, std::int64_t charge,
                       platform::ThermalState thermal = platform::ThermalState::Nominal) {
  return VGXSensorSample{kNow, onBattery, charge, thermal};
}

TEST(SystemSensorsTest, SamplesFromDescriptions) {
  struct Row {
    const char* name;
    Sources descriptions;
    std::int64_t thermal;
    std::optional<VGXSensorSample> sample;
  };
  const Row rows[] = {
      {"no battery counts as powered and full", {}, 0, sample(false, 100)},
      {"only a UPS on mains", {ups(false)}, 1, sample(false, 100, platform::ThermalState::Fair)},
      {"24.68 rounds up", {battery(1234, 5000)}, 0, sample(false, 25)},
      {"12.5 rounds away from zero", {battery(1, 8)}, 0, sample(false, 13)},
      {"a charge above the maximum is kept", {battery(5100, 5000)}, 0, sample(false, 102)},
      {"a UPS on battery puts the machine on battery",
       {battery(80, 100), ups(true)},
       0,
       sample(true, 80)},
      {"two batteries are summed",
       {battery(30, 50, true), battery(100, 100, true)},
       3,
       sample(true, 87, platform::ThermalState::Critical)},
      {"maximum 0", {battery(0, 0)}, 0, std::nullopt},
      {"no maximum capacity", {battery(50, std::nullopt)}, 0, std::nullopt},
      {"no current capacity", {battery(std::nullopt, 1)}, 0, std::nullopt},
      {"one good battery and one in doubt", {battery(50, 100), battery(50, 0)}, 0, std::nullopt},
      {"a thermal state from the future", {battery(50, 100)}, 4, std::nullopt},
      {"a negative thermal state", {}, -1, std::nullopt},
      {"sums too large to add",
       {battery(std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::max()),
        battery(1, 1)},
       0,
       std::nullopt},
      {"a percentage beyond any number",
       {battery(std::numeric_limits<std::int64_t>::max(), 1)},
       0,
       std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(sensorSampleFrom(row.descriptions, row.thermal, kNow), row.sample);
  }
}

// The guard's reading from a /sys tree: power supplies and the same thermal
// reader as the application's (zones and hwmon).
TEST(SystemSensorsTest, SamplesFromASysTree) {
  using Supplies = std::map<std::string, std::map<std::string, std::string>>;
  using Sensor = testing::FakeProcTree::HwmonSensor;
  const std::map<std::string, std::string> mains{{"type", "Mains"}, {"online", "1"}};
  const std::map<std::string, std::string> unplugged{{"type", "Mains"}, {"online", "0"}};
  const auto charged = [](const char* capacity) {
    return std::map<std::string, std::string>{
        {"type", "Battery"}, {"capacity", capacity}, {"status", "Charging"}};
  };
  struct Row {
    const char* name;
    std::optional<Supplies> supplies;  // none: no power_supply folder
    std::vector<Sensor> cpu;           // a coretemp hwmon's sensors
    std::optional<VGXSensorSample> sample;
  };
  const Row rows[] = {
      {"power supplies that cannot be listed", std::nullopt, {}, std::nullopt},
      {"a desktop: no supplies listed",
       Supplies{},
       {{91'000, 84'000, 100'000}},
       sample(false, 100, platform::ThermalState::Serious)},
      {"a desktop with only its mains", Supplies{{"AC", mains}}, {}, sample(false, 100)},
      {"a laptop on its charger",
       Supplies{{"AC", mains}, {"BAT0", charged("64")}},
       {{60'000, 84'000, 100'000}},
       sample(false, 64)},
      {"a laptop unplugged",
       Supplies{{"AC", unplugged},
                {"BAT0", {{"type", "Battery"}, {"capacity", "64"}, {"status", "Discharging"}}}},
       {},
       sample(true, 64)},
      {"a charge above 100 % reaches the guard",
       Supplies{{"AC", mains}, {"BAT0", charged("104")}},
       {},
       sample(false, 104)},
      {"two batteries, a mouse's skipped",
       Supplies{{"AC", unplugged},
                {"BAT0", {{"type", "Battery"}, {"capacity", "40"}}},
                {"BAT1", {{"type", "Battery"}, {"energy_now", "45000"}, {"energy_full", "50000"}}},
                {"hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "5"}}}},
       {{96'000, 84'000, 100'000}},
       sample(true, 65, platform::ThermalState::Critical)},
      {"a capacity as text leaves the charge in doubt",
       Supplies{{"AC", mains}, {"BAT0", charged("fifty")}},
       {},
       std::nullopt},
      {"a fractional capacity leaves the charge in doubt",
       Supplies{{"AC", mains}, {"BAT0", charged("35.5")}},
       {},
       std::nullopt},
      {"a battery whose charge cannot be read",
       Supplies{{"AC", mains}, {"BAT0", {{"type", "Battery"}, {"status", "Full"}}}},
       {},
       std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeProcTree tree;
    if (row.supplies) {
      std::filesystem::create_directories(tree.pathFor("sys/class/power_supply"));
      for (const auto& [name, attributes] : *row.supplies) tree.setPowerSupply(name, attributes);
    }
    if (!row.cpu.empty()) tree.setHwmon("hwmon0", "coretemp", row.cpu);
    testing::FakeGuardClock clock;
    clock.set(kNow, 1);
    const platform::LivePowerSources sources(tree.root());
    const platform::LiveThermalMonitor thermal(tree.root());
    EXPECT_EQ(VGXSystemSensors(clock, sources, thermal).sample(), row.sample);
  }
}

// A hold asked of the guard core on a machine read from its /sys tree: the
// reading's doubts and faults reach the core's refusals.
TEST(SystemSensorsTest, TheCoreJudgesTheReadingOfASysTree) {
  using Sensor = testing::FakeProcTree::HwmonSensor;
  struct Row {
    const char* name;
    std::optional<std::string> capacity;  // none: no power_supply folder
    std::vector<Sensor> cpu;
    std::optional<VGXGuardError> error;
  };
  const Row rows[] = {
      {"a cool laptop on its charger", "80", {{50'000, 84'000, 100'000}}, std::nullopt},
      {"power supplies that cannot be listed", std::nullopt, {}, VGXGuardError::unsafe("sensors")},
      {"a charge above 100 %", "104", {}, VGXGuardError::unsafe("charge")},
      {"a hot processor", "80", {{85'000, 84'000, 100'000}}, VGXGuardError::unsafe("heat")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeProcTree tree;
    if (row.capacity) {
      tree.setPowerSupply("AC", {{"type", "Mains"}, {"online", "1"}});
      tree.setPowerSupply("BAT0",
                          {{"type", "Battery"}, {"capacity", *row.capacity}, {"status", "Full"}});
    }
    if (!row.cpu.empty()) tree.setHwmon("hwmon0", "coretemp", row.cpu);
    testing::GuardBench bench;
    const platform::LivePowerSources sources(tree.root());
    const platform::LiveThermalMonitor thermal(tree.root());
    VGXSystemSensors sensors(bench.clock, sources, thermal);
    bench.core = std::make_unique<VGXSleepGuardCore>(bench.runner, sensors, bench.clock,
                                                     bench.store, bench.policies, "1.2", 30, 30);
    EXPECT_EQ(testing::errorOf(bench.core->hold(testing::GuardBench::kUser, true)), row.error);
  }
}

}  // namespace
}  // namespace vigilix
