#include "platform/power/live_power_source.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/fake_proc_tree.h"

namespace vigilix::platform {
namespace {

using testing::FakeProcTree;

class LivePowerSourcesTest : public ::testing::Test {
 protected:
  void battery(const std::string& name, const std::string& status, const std::string& capacity) {
    tree.setPowerSupply(name, {{"type", "Battery"}, {"status", status}, {"capacity", capacity}});
  }
  std::optional<std::string> providing() const {
    return LivePowerSources(tree.root()).providingPowerSourceType();
  }
  PropertyArray descriptions() const {
    return LivePowerSources(tree.root()).copyPowerSourceDescriptions().value_or(PropertyArray{});
  }

  FakeProcTree tree;
};

TEST_F(LivePowerSourcesTest, AMachineWithoutPowerSupplyEntriesIsOnMainsWithoutBattery) {
  EXPECT_EQ(providing(), "AC Power");
  const auto listed = LivePowerSources(tree.root()).copyPowerSourceDescriptions();
  ASSERT_TRUE(listed.has_value()) << "an absent folder is no failure";
  EXPECT_TRUE(listed->empty());
}

TEST_F(LivePowerSourcesTest, ALaptopOnBatteryDescribesItsBattery) {
  tree.setPowerSupply("AC", {{"type", "Mains"}, {"online", "0"}});
  battery("BAT0", "Discharging", "64");
  EXPECT_EQ(providing(), "Battery Power");
  EXPECT_EQ(descriptions(), (PropertyArray{PropertyDictionary{
                                {"Type", "InternalBattery"},
                                {"Current Capacity", std::int64_t{64}},
                                {"Max Capacity", std::int64_t{100}},
                                {"Power Source State", "Battery Power"},
                                {"Is Charging", false},
                                {"Is Charged", false},
                            }}));
}

TEST_F(LivePowerSourcesTest, AnOnlineMainsOrUSBSupplyIsTheAdapter) {
  battery("BAT0", "Charging", "80");
  tree.setPowerSupply("ucsi-source-psy-USBC000:001", {{"type", "USB"}, {"online", "1"}});
  EXPECT_EQ(providing(), "AC Power");
  const PropertyArray listed = descriptions();
  ASSERT_EQ(listed.size(), 1u);
  const auto& battery = std::get<PropertyDictionary>(listed[0].value);
  EXPECT_EQ(battery.at("Power Source State"), PropertyValue("AC Power"));
  EXPECT_EQ(battery.at("Is Charging"), PropertyValue(true));

  tree.setPowerSupply("ucsi-source-psy-USBC000:001", {{"online", "0"}});
  tree.setPowerSupply("ADP1", {{"type", "Mains"}, {"online", "1"}});
  EXPECT_EQ(providing(), "AC Power");
  tree.setPowerSupply("ADP1", {{"online", "0"}});
  EXPECT_EQ(providing(), "Battery Power");
}

TEST_F(LivePowerSourcesTest, ADevicesBatteryOrAnAbsentOneIsNotTheMachines) {
  tree.setPowerSupply("hidpp_battery_0",
                      {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "5"}});
  tree.setPowerSupply("BAT1", {{"type", "Battery"}, {"present", "0"}});
  EXPECT_TRUE(descriptions().empty());
  EXPECT_EQ(providing(), "AC Power") << "no battery at all: on mains";
}

TEST_F(LivePowerSourcesTest, CapacityComesFromEnergyOrChargeWhenNoPercentIsGiven) {
  tree.setPowerSupply("BAT0", {{"type", "Battery"},
                               {"status", "Full"},
                               {"energy_now", "45000000"},
                               {"energy_full", "60000000"}});
  tree.setPowerSupply("BAT1", {{"type", "Battery"},
                               {"status", "Not charging"},
                               {"charge_now", "2999"},
                               {"charge_full", "3000"}});
  tree.setPowerSupply("BAT2", {{"type", "Battery"}, {"status", "Unknown"}, {"charge_full", "0"}});
  const PropertyArray listed = descriptions();
  ASSERT_EQ(listed.size(), 3u);
  const auto& energy = std::get<PropertyDictionary>(listed[0].value);
  EXPECT_EQ(energy.at("Current Capacity"), PropertyValue(std::int64_t{75}));
  EXPECT_EQ(energy.at("Is Charged"), PropertyValue(true));
  const auto& charge = std::get<PropertyDictionary>(listed[1].value);
  EXPECT_EQ(charge.at("Current Capacity"), PropertyValue(std::int64_t{100}));
  EXPECT_EQ(charge.at("Is Charging"), PropertyValue(false));
  const auto& unknown = std::get<PropertyDictionary>(listed[2].value);
  EXPECT_FALSE(unknown.contains("Current Capacity")) << "no capacity rather than a made-up one";
  EXPECT_FALSE(unknown.contains("Max Capacity"));
}

TEST_F(LivePowerSourcesTest, ChangesCannotBeObserved) {
  LivePowerSources sources(tree.root());
  EXPECT_EQ(sources.addChangeObserver(RunLoopMode::Default, [] {}), nullptr);
}

}  // namespace
}  // namespace vigilix::platform
