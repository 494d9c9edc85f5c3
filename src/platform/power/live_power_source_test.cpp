#include "platform/power/live_power_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "testing/fake_proc_tree.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

using testing::FakeProcTree;

class LivePowerSourcesTest : public ::testing::Test {
 protected:
  void battery(const std::string& name, const std::string& status, const std::string& capacity) {
    tree.setPowerSupply(name, {{"type", "Battery"}, {"status", status}, {"capacity", capacity}});
  }
  std::vector<PowerSourceReading> readings() const {
    return LivePowerSources(tree.root())
        .readPowerSources()
        .value_or(std::vector<PowerSourceReading>{});
  }

  FakeProcTree tree;
};

using Supplies = std::map<std::string, std::map<std::string, std::string>>;

// Each row is one machine's power-supply folder: the providing type, and
// whether every battery reading says the machine runs on battery.
TEST(LivePowerSourcesRulesTest, TheAdapterOrElseTheBatteriesTellWhetherTheMachineIsFed) {
  const std::map<std::string, std::string> discharging{{"type", "Battery"},
                                                       {"status", "Discharging"}};
  const auto battery = [](const char* status) {
    return std::map<std::string, std::string>{{"type", "Battery"}, {"status", status}};
  };
  struct Row {
    const char* name;
    Supplies supplies;
    std::string providing;
    std::size_t batteries;
  };
  const Row rows[] = {
      {"an empty folder: on mains without battery", {}, "AC Power", 0},
      {"mains offline",
       {{"AC", {{"type", "Mains"}, {"online", "0"}}}, {"BAT0", discharging}},
       "Battery Power",
       1},
      {"mains online",
       {{"AC", {{"type", "Mains"}, {"online", "1"}}}, {"BAT0", battery("Full")}},
       "AC Power",
       1},
      {"USB-C online",
       {{"ucsi-source-psy-USBC000:001", {{"type", "USB"}, {"online", "1"}}},
        {"BAT0", battery("Charging")}},
       "AC Power",
       1},
      {"a listed adapter offline outweighs the battery's word",
       {{"ADP1", {{"type", "Mains"}, {"online", "0"}}}, {"BAT0", battery("Charging")}},
       "Battery Power",
       1},
      {"battery only, charging", {{"BAT0", battery("Charging")}}, "AC Power", 1},
      {"battery only, full", {{"BAT0", battery("Full")}}, "AC Power", 1},
      {"battery only, held at a charge limit", {{"BAT0", battery("Not charging")}}, "AC Power", 1},
      {"battery only, discharging", {{"BAT0", discharging}}, "Battery Power", 1},
      {"battery only, unknown", {{"BAT0", battery("Unknown")}}, "Battery Power", 1},
      {"two batteries, one discharging",
       {{"BAT0", battery("Not charging")}, {"BAT1", discharging}},
       "Battery Power",
       2},
      {"a device's battery and an absent one are not the machine's",
       {{"hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}, {"status", "Discharging"}}},
        {"BAT1", {{"type", "Battery"}, {"present", "0"}, {"status", "Discharging"}}}},
       "AC Power",
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    std::filesystem::create_directories(tree.pathFor("sys/class/power_supply"));
    for (const auto& [name, attributes] : row.supplies) tree.setPowerSupply(name, attributes);
    const LivePowerSources sources(tree.root());
    EXPECT_EQ(sources.providingPowerSourceType(), row.providing);
    const auto listed = sources.readPowerSources();
    ASSERT_TRUE(listed.has_value()) << "an empty folder is no failure";
    ASSERT_EQ(listed->size(), row.batteries);
    for (const PowerSourceReading& reading : *listed) {
      EXPECT_EQ(reading.onBattery, row.providing == "Battery Power");
    }
  }
}

TEST_F(LivePowerSourcesTest, ALaptopOnBatteryDescribesItsBattery) {
  tree.setPowerSupply("AC", {{"type", "Mains"}, {"online", "0"}});
  battery("BAT0", "Discharging", "64");
  EXPECT_EQ(readings(), (std::vector<PowerSourceReading>{{
                            .kind = PowerSourceReading::Kind::internalBattery,
                            .onBattery = true,
                            .isCharging = false,
                            .isCharged = false,
                            .currentCapacity = 64,
                            .maxCapacity = 100,
                        }}));
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
  const std::vector<PowerSourceReading> listed = readings();
  ASSERT_EQ(listed.size(), 3u);
  const PowerSourceReading& energy = listed[0];
  EXPECT_EQ(energy.currentCapacity, 75);
  EXPECT_TRUE(energy.isCharged);
  const PowerSourceReading& charge = listed[1];
  EXPECT_EQ(charge.currentCapacity, 100);
  EXPECT_FALSE(charge.isCharging);
  const PowerSourceReading& unknown = listed[2];
  EXPECT_EQ(unknown.currentCapacity, std::nullopt) << "no capacity rather than a made-up one";
  EXPECT_EQ(unknown.maxCapacity, std::nullopt);
}

// A folder that cannot be listed is no reading, not a machine without battery.
TEST(LivePowerSourcesRulesTest, SuppliesThatCannotBeListedGiveNoDescriptions) {
  struct Row {
    const char* name;
    const char* folderContents;  // none: no folder at all
  };
  const Row rows[] = {
      {"no power-supply folder", nullptr},
      {"a file where the folder should be", "not a folder\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    if (row.folderContents) tree.writeFile("sys/class/power_supply", row.folderContents);
    const LivePowerSources sources(tree.root());
    EXPECT_EQ(sources.readPowerSources(), std::nullopt);
    EXPECT_EQ(sources.providingPowerSourceType(), "AC Power");
  }
}

// Each row is one battery's files and the charge it reports, which is never
// clamped: a charge above 100 is the readers' to judge.
TEST(LivePowerSourcesRulesTest, ChargesAreReportedAsTheBatteryGivesThem) {
  using Attributes = std::map<std::string, std::string>;
  struct Row {
    const char* name;
    Attributes battery;
    std::optional<std::int64_t> charge;
  };
  const Row rows[] = {
      {"capacity", {{"capacity", "64"}}, 64},
      {"capacity above 100", {{"capacity", "103"}}, 103},
      {"energy above full", {{"energy_now", "61000000"}, {"energy_full", "60000000"}}, 102},
      {"charge above full", {{"charge_now", "3300"}, {"charge_full", "3000"}}, 110},
      {"a negative capacity falls back to energy",
       {{"capacity", "-1"}, {"energy_now", "30"}, {"energy_full", "60"}},
       50},
      {"counters beyond any percent",
       {{"energy_now", "9223372036854775807"}, {"energy_full", "1"}},
       std::nullopt},
      {"a capacity as text", {{"capacity", "fifty"}}, std::nullopt},
      {"a fractional capacity", {{"capacity", "35.5"}}, std::nullopt},
      {"an empty capacity file", {{"capacity", ""}}, std::nullopt},
      {"a capacity beyond any integer", {{"capacity", "99999999999999999999"}}, std::nullopt},
      {"a capacity as text falls back to charge",
       {{"capacity", "n/a"}, {"charge_now", "1500"}, {"charge_full", "3000"}},
       50},
      {"no charge files at all", {}, std::nullopt},
      {"energy without its full count", {{"energy_now", "30"}}, std::nullopt},
      {"a full count as text", {{"energy_now", "30"}, {"energy_full", "lots"}}, std::nullopt},
      {"a full count of zero", {{"charge_now", "30"}, {"charge_full", "0"}}, std::nullopt},
      {"a negative count", {{"energy_now", "-5"}, {"energy_full", "60"}}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    Attributes battery = row.battery;
    battery["type"] = "Battery";
    tree.setPowerSupply("BAT0", battery);
    const auto listed = LivePowerSources(tree.root()).readPowerSources();
    ASSERT_TRUE(listed && listed->size() == 1);
    EXPECT_EQ(listed->front().currentCapacity, row.charge);
  }
}

TEST(LivePowerSourcesRulesTest, TheLowestBatteryOnItsOwnPowerGivesTheWarningLevel) {
  const auto battery = [](const char* status, const char* level) {
    return std::map<std::string, std::string>{
        {"type", "Battery"}, {"status", status}, {"capacity_level", level}};
  };
  struct Row {
    const char* name;
    Supplies supplies;
    BatteryWarningLevel level;
  };
  const Row rows[] = {
      {"no battery", {}, BatteryWarningLevel::None},
      {"normal", {{"BAT0", battery("Discharging", "Normal")}}, BatteryWarningLevel::None},
      {"low", {{"BAT0", battery("Discharging", "Low")}}, BatteryWarningLevel::Early},
      {"the lowest of two",
       {{"BAT0", battery("Discharging", "Low")}, {"BAT1", battery("Discharging", "Critical")}},
       BatteryWarningLevel::Final},
      {"critical but charging",
       {{"BAT0", battery("Charging", "Critical")}},
       BatteryWarningLevel::None},
      {"a device's battery does not count",
       {{"hidpp_battery_0",
         {{"type", "Battery"}, {"scope", "Device"}, {"capacity_level", "Critical"}}}},
       BatteryWarningLevel::None},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    for (const auto& [name, attributes] : row.supplies) tree.setPowerSupply(name, attributes);
    EXPECT_EQ(LivePowerSources(tree.root()).batteryWarningLevel(), row.level);
  }
}

TEST(LivePowerSourcesChangeTest, AnObserverHearsOfAChangedReadingOnceAtItsNextLook) {
  using Attributes = std::map<std::string, std::string>;
  const Attributes before{{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "80"}};
  struct Row {
    const char* name;
    Attributes after;
    int calls;
  };
  const Row rows[] = {
      {"nothing changed", before, 0},
      {"capacity", {{"capacity", "79"}}, 1},
      {"status", {{"status", "Charging"}}, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    FakeProcTree tree;
    tree.setPowerSupply("BAT0", before);
    LivePowerSources sources(tree.root());
    const std::size_t idle = platform.scheduler().pendingCount();
    int calls = 0;
    int commonCalls = 0;
    auto observer = sources.addChangeObserver(RunLoopMode::Default, [&calls] { ++calls; });
    auto common = sources.addChangeObserver(RunLoopMode::Common, [&] { ++commonCalls; });
    ASSERT_NE(observer, nullptr);
    EXPECT_EQ(platform.scheduler().pendingCount(), idle + 1) << "one look serves both";
    tree.setPowerSupply("BAT0", row.after);
    platform.advance(LivePowerSources::kChangePollInterval - 1);
    EXPECT_EQ(calls, 0);
    // While a menu tracks, only the observer of the common modes hears at once.
    platform.beginTracking();
    platform.advance(LivePowerSources::kChangePollInterval);
    EXPECT_EQ(commonCalls, row.calls);
    EXPECT_EQ(calls, 0);
    platform.endTracking();
    platform.runUntilIdle();
    EXPECT_EQ(calls, row.calls);
    platform.advance(LivePowerSources::kChangePollInterval * 3);
    EXPECT_EQ(calls, row.calls) << "each change once";

    observer.reset();
    common.reset();
    EXPECT_EQ(platform.scheduler().pendingCount(), idle) << "no look without an observer";
    tree.setPowerSupply("BAT0", {{"capacity", "50"}});
    platform.advance(LivePowerSources::kChangePollInterval * 2);
    EXPECT_EQ(calls, row.calls);
  }
}

}  // namespace
}  // namespace vigilix::platform
