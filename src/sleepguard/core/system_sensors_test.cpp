#include "sleepguard/core/system_sensors.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>

#include "platform/power/live_power_source.h"
#include "sleepguard/testing/fake_guard_clock.h"
#include "testing/fake_proc_tree.h"

namespace vigilix {
namespace {

using platform::PropertyArray;
using platform::PropertyDictionary;
using platform::PropertyValue;

constexpr std::uint64_t kNow = 42'000'000'000;

PropertyDictionary battery(PropertyValue current, PropertyValue maximum,
                           const char* state = "AC Power") {
  return {{"Type", "InternalBattery"},
          {"Current Capacity", std::move(current)},
          {"Max Capacity", std::move(maximum)},
          {"Power Source State", state}};
}

VGXSensorSample sample(bool onBattery, std::int64_t charge,
                       VGXThermal thermal = VGXThermal::nominal) {
  return VGXSensorSample{kNow, onBattery, charge, thermal};
}

TEST(SystemSensorsTest, SamplesFromDescriptions) {
  PropertyDictionary withoutCurrent = battery(1, 1);
  withoutCurrent.erase("Current Capacity");
  struct Row {
    const char* name;
    PropertyArray descriptions;
    std::int64_t thermal;
    std::optional<VGXSensorSample> sample;
  };
  const Row rows[] = {
      {"no battery counts as powered and full", {}, 0, sample(false, 100)},
      {"only a UPS on mains",
       {PropertyDictionary{{"Type", "UPS"}}},
       1,
       sample(false, 100, VGXThermal::fair)},
      {"24.68 rounds up", {battery(1234, 5000)}, 0, sample(false, 25)},
      {"12.5 rounds away from zero", {battery(1, 8)}, 0, sample(false, 13)},
      {"a charge above the maximum is kept", {battery(5100, 5000)}, 0, sample(false, 102)},
      {"a whole real counts", {battery(50.0, 100)}, 0, sample(false, 50)},
      {"a UPS on battery puts the machine on battery",
       {battery(80, 100),
        PropertyDictionary{{"Type", "UPS"}, {"Power Source State", "Battery Power"}}},
       0,
       sample(true, 80)},
      {"two batteries are summed",
       {battery(30, 50, "Battery Power"), battery(100, 100, "Battery Power")},
       3,
       sample(true, 87, VGXThermal::critical)},
      {"maximum 0", {battery(0, 0)}, 0, std::nullopt},
      {"maximum true", {battery(50, true)}, 0, std::nullopt},
      {"current false", {battery(false, 100)}, 0, std::nullopt},
      {"a fractional capacity", {battery(35.5, 100)}, 0, std::nullopt},
      {"a capacity as text", {battery("50", 100)}, 0, std::nullopt},
      {"no current capacity", {withoutCurrent}, 0, std::nullopt},
      {"one good battery and one in doubt", {battery(50, 100), battery(50, 0)}, 0, std::nullopt},
      {"a description that is not a dictionary",
       {battery(50, 100), PropertyValue("x")},
       0,
       std::nullopt},
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
      {"a real beyond any integer", {battery(1e19, 100)}, 0, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(sensorSampleFrom(row.descriptions, row.thermal, kNow), row.sample);
  }
}

struct FixedThermal : platform::ThermalMonitor {
  platform::ThermalState state = platform::ThermalState::Nominal;
  platform::ThermalState thermalState() const override { return state; }
};

TEST(SystemSensorsTest, SamplesFromASysTree) {
  using Supplies = std::map<std::string, std::map<std::string, std::string>>;
  const std::map<std::string, std::string> mains{{"type", "Mains"}, {"online", "1"}};
  const std::map<std::string, std::string> unplugged{{"type", "Mains"}, {"online", "0"}};
  struct Row {
    const char* name;
    std::optional<Supplies> supplies;  // none: no power_supply folder
    platform::ThermalState thermal;
    std::optional<VGXSensorSample> sample;
  };
  const Row rows[] = {
      {"no power supplies at all", std::nullopt, platform::ThermalState::Serious,
       sample(false, 100, VGXThermal::serious)},
      {"a thermal state from the future", std::nullopt, static_cast<platform::ThermalState>(4),
       std::nullopt},
      {"a laptop on its charger",
       Supplies{{"AC", mains},
                {"BAT0", {{"type", "Battery"}, {"capacity", "64"}, {"status", "Charging"}}}},
       platform::ThermalState::Nominal, sample(false, 64)},
      {"a laptop unplugged",
       Supplies{{"AC", unplugged},
                {"BAT0", {{"type", "Battery"}, {"capacity", "64"}, {"status", "Discharging"}}}},
       platform::ThermalState::Nominal, sample(true, 64)},
      {"two batteries, a mouse's skipped",
       Supplies{{"AC", unplugged},
                {"BAT0", {{"type", "Battery"}, {"capacity", "40"}}},
                {"BAT1", {{"type", "Battery"}, {"energy_now", "45000"}, {"energy_full", "50000"}}},
                {"hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "5"}}}},
       platform::ThermalState::Critical, sample(true, 65, VGXThermal::critical)},
      {"a battery whose charge cannot be read",
       Supplies{{"AC", mains}, {"BAT0", {{"type", "Battery"}, {"status", "Full"}}}},
       platform::ThermalState::Nominal, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeProcTree tree;
    if (row.supplies) {
      for (const auto& [name, attributes] : *row.supplies) tree.setPowerSupply(name, attributes);
    }
    testing::FakeGuardClock clock;
    clock.set(kNow, 1);
    const platform::LivePowerSources sources(tree.root());
    FixedThermal thermal;
    thermal.state = row.thermal;
    EXPECT_EQ(VGXSystemSensors(clock, sources, thermal).sample(), row.sample);
  }
}

}  // namespace
}  // namespace vigilix
