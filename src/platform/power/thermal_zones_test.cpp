#include "platform/power/thermal_zones.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/power/live_thermal_monitor.h"
#include "testing/fake_proc_tree.h"

namespace vigilix::platform {
namespace {

using testing::FakeProcTree;
using Trip = FakeProcTree::Trip;
using Sensor = FakeProcTree::HwmonSensor;

struct Zone {
  std::int64_t temperature;  // millidegrees Celsius
  std::vector<Trip> trips;
};

struct Hwmon {
  std::string name;
  std::vector<Sensor> sensors;
};

// A laptop's ACPI zone: passive cooling from 95 °C, power-off at 105 °C.
const std::vector<Trip> kLaptop{{"active", 60'000}, {"passive", 95'000}, {"critical", 105'000}};

// Each row is one machine's thermal zones and hwmon sensors and the state they give.
TEST(ThermalZonesTest, TheHottestSensorAgainstItsLimitsGivesTheState) {
  struct Row {
    const char* name;
    std::vector<Zone> zones;
    std::vector<Hwmon> hwmon;
    ThermalState expected;
  };
  const Row rows[] = {
      {"no sensors", {}, {}, ThermalState::Nominal},
      {"cool", {{50'000, kLaptop}}, {}, ThermalState::Nominal},
      {"just below the fair margin", {{84'999, kLaptop}}, {}, ThermalState::Nominal},
      {"within 10 °C of passive", {{85'000, kLaptop}}, {}, ThermalState::Fair},
      {"at the passive trip", {{95'000, kLaptop}}, {}, ThermalState::Serious},
      {"just below the critical guard", {{99'999, kLaptop}}, {}, ThermalState::Serious},
      {"5 °C below critical", {{100'000, kLaptop}}, {}, ThermalState::Critical},
      {"past critical", {{110'000, kLaptop}}, {}, ThermalState::Critical},
      {"a hot trip engages like a passive one",
       {{90'000, {{"hot", 90'000}, {"critical", 120'000}}}},
       {},
       ThermalState::Serious},
      {"the lowest of several passive trips counts",
       {{80'000, {{"passive", 95'000}, {"passive", 80'000}}}},
       {},
       ThermalState::Serious},
      {"only a critical trip: fair from 10 °C below the fixed serious limit",
       {{80'000, {{"critical", 128'000}}}},
       {},
       ThermalState::Fair},
      {"only a critical trip far above: serious at the fixed limit",
       {{90'000, {{"critical", 128'000}}}},
       {},
       ThermalState::Serious},
      {"only a critical trip below the fixed limit: critical 5 °C before it",
       {{80'000, {{"critical", 85'000}}}},
       {},
       ThermalState::Critical},
      {"a fan trip is no heat", {{70'000, {{"active", 60'000}}}}, {}, ThermalState::Nominal},
      {"unset trips at 0 °C say nothing",
       {{50'000, {{"passive", 0}, {"critical", -273'200}}}},
       {},
       ThermalState::Nominal},
      {"no trips: fixed limits, cool", {{79'999, {}}}, {}, ThermalState::Nominal},
      {"no trips: fixed limits, serious", {{90'000, {}}}, {}, ThermalState::Serious},
      {"no trips: fixed limits, critical", {{100'000, {}}}, {}, ThermalState::Critical},
      {"unset trips: fixed limits", {{95'000, {{"passive", 0}}}}, {}, ThermalState::Serious},
      {"below freezing", {{-5'000, kLaptop}}, {}, ThermalState::Nominal},
      {"the hottest zone wins",
       {{50'000, kLaptop}, {96'000, kLaptop}, {86'000, kLaptop}},
       {},
       ThermalState::Serious},
      {"coretemp at its high mark",
       {},
       {{"coretemp", {{84'000, 84'000, 100'000}}}},
       ThermalState::Serious},
      {"coretemp near its critical mark",
       {},
       {{"coretemp", {{45'000, 84'000, 100'000}, {96'000, 84'000, 100'000}}}},
       ThermalState::Critical},
      {"k10temp without limits: fixed limits",
       {},
       {{"k10temp", {{91'000, {}, {}}}}},
       ThermalState::Serious},
      {"an nvme drive within 10 °C of its limit",
       {},
       {{"nvme", {{75'000, 84'850, 89'850}}}},
       ThermalState::Fair},
      {"unset hwmon limits: fixed limits", {}, {{"acpitz", {{85'000, 0, 0}}}}, ThermalState::Fair},
      {"a cool zone but a hot CPU",
       {{40'000, kLaptop}},
       {{"coretemp", {{90'000, 84'000, 100'000}}}},
       ThermalState::Serious},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    for (std::size_t i = 0; i < row.zones.size(); ++i) {
      tree.setThermalZone(static_cast<int>(i), row.zones[i].temperature, row.zones[i].trips);
    }
    for (std::size_t i = 0; i < row.hwmon.size(); ++i) {
      tree.setHwmon("hwmon" + std::to_string(i), row.hwmon[i].name, row.hwmon[i].sensors);
    }
    EXPECT_EQ(thermalStateOfSensors(tree.root()), row.expected);
    EXPECT_EQ(LiveThermalMonitor(tree.root()).thermalState(), row.expected);
  }
}

TEST(ThermalZonesTest, UnreadableSensorsAndOtherEntriesSayNothing) {
  FakeProcTree tree;
  tree.setThermalZone(0, 99'000, kLaptop);
  tree.writeFile("sys/class/thermal/thermal_zone0/temp", "error\n");  // sensor asleep
  tree.writeFile("sys/class/thermal/thermal_zone1/trip_point_0_type", "critical\n");
  tree.writeFile("sys/class/thermal/thermal_zone1/trip_point_0_temp", "50000\n");  // no temp
  tree.writeFile("sys/class/thermal/cooling_device0/temp", "200000\n");
  tree.setThermalZone(2, 99'000, {{"passive", 95'000}, {"critical", 150'000}});
  tree.writeFile("sys/class/thermal/thermal_zone2/temp", "70000\n");
  tree.writeFile("sys/class/thermal/thermal_zone2/trip_point_0_temp", "n/a\n");
  tree.setHwmon("hwmon0", "amdgpu", {{99'000, 120'000, 130'000}});
  tree.writeFile("sys/class/hwmon/hwmon0/temp1_input", "\n");     // powered down
  tree.writeFile("sys/class/hwmon/hwmon0/temp2_max", "50000\n");  // a limit without input
  tree.writeFile("sys/class/hwmon/hwmon1/fan1_input", "200000\n");
  EXPECT_EQ(thermalStateOfSensors(tree.root()), ThermalState::Nominal);

  // An older driver keeps its files in the device's folder.
  tree.setHwmon("hwmon2/device", "it87", {{96'000, {}, {}}});
  EXPECT_EQ(thermalStateOfHwmon(tree.root()), ThermalState::Serious);
}

}  // namespace
}  // namespace vigilix::platform
