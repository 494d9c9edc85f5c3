#include "platform/power/thermal_zones.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "testing/fake_proc_tree.h"

namespace vigilix::platform {
namespace {

using testing::FakeProcTree;
using Trip = FakeProcTree::Trip;

struct Zone {
  std::int64_t temperature;  // millidegrees Celsius
  std::vector<Trip> trips;
};

// A laptop's ACPI zone: passive cooling from 95 °C, power-off at 105 °C.
const std::vector<Trip> kLaptop{{"active", 60'000}, {"passive", 95'000}, {"critical", 105'000}};

// Each row is one machine's thermal zones and the state they give.
TEST(ThermalZonesTest, TheHottestZoneAgainstItsTripPointsGivesTheState) {
  struct Row {
    const char* name;
    std::vector<Zone> zones;
    ThermalState expected;
  };
  const Row rows[] = {
      {"no zones", {}, ThermalState::Nominal},
      {"cool", {{50'000, kLaptop}}, ThermalState::Nominal},
      {"just below the fair margin", {{84'999, kLaptop}}, ThermalState::Nominal},
      {"within 10 °C of passive", {{85'000, kLaptop}}, ThermalState::Fair},
      {"at the passive trip", {{95'000, kLaptop}}, ThermalState::Serious},
      {"just below the critical guard", {{99'999, kLaptop}}, ThermalState::Serious},
      {"5 °C below critical", {{100'000, kLaptop}}, ThermalState::Critical},
      {"past critical", {{110'000, kLaptop}}, ThermalState::Critical},
      {"a hot trip engages like a passive one",
       {{90'000, {{"hot", 90'000}, {"critical", 120'000}}}},
       ThermalState::Serious},
      {"the lowest of several passive trips counts",
       {{80'000, {{"passive", 95'000}, {"passive", 80'000}}}},
       ThermalState::Serious},
      {"only a critical trip: fair from 15 °C below",
       {{90'000, {{"critical", 105'000}}}},
       ThermalState::Fair},
      {"only a critical trip: cool", {{89'999, {{"critical", 105'000}}}}, ThermalState::Nominal},
      {"a fan trip is no heat", {{70'000, {{"active", 60'000}}}}, ThermalState::Nominal},
      {"unset trips at 0 °C say nothing",
       {{50'000, {{"passive", 0}, {"critical", -273'200}}}},
       ThermalState::Nominal},
      {"no trips: no limit", {{99'000, {}}}, ThermalState::Nominal},
      {"below freezing", {{-5'000, kLaptop}}, ThermalState::Nominal},
      {"the hottest zone wins",
       {{50'000, kLaptop}, {96'000, kLaptop}, {86'000, kLaptop}},
       ThermalState::Serious},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeProcTree tree;
    for (std::size_t i = 0; i < row.zones.size(); ++i) {
      tree.setThermalZone(static_cast<int>(i), row.zones[i].temperature, row.zones[i].trips);
    }
    EXPECT_EQ(thermalStateOfZones(tree.root()), row.expected);
    EXPECT_EQ(LiveThermalMonitor(tree.root()).thermalState(), row.expected);
  }
}

TEST(ThermalZonesTest, UnreadableZonesAndOtherEntriesSayNothing) {
  FakeProcTree tree;
  tree.setThermalZone(0, 99'000, kLaptop);
  tree.writeFile("sys/class/thermal/thermal_zone0/temp", "error\n");  // sensor asleep
  tree.writeFile("sys/class/thermal/thermal_zone1/trip_point_0_type", "critical\n");
  tree.writeFile("sys/class/thermal/thermal_zone1/trip_point_0_temp", "50000\n");  // no temp
  tree.writeFile("sys/class/thermal/cooling_device0/temp", "200000\n");
  tree.setThermalZone(2, 99'000, {{"passive", 95'000}});
  tree.writeFile("sys/class/thermal/thermal_zone2/trip_point_0_temp", "n/a\n");
  EXPECT_EQ(thermalStateOfZones(tree.root()), ThermalState::Nominal);

  // Read afresh at each call: the monitor follows the zone.
  const LiveThermalMonitor monitor(tree.root());
  tree.setThermalZone(0, 96'000, kLaptop);
  EXPECT_EQ(monitor.thermalState(), ThermalState::Serious);
  tree.setThermalZone(0, 40'000, kLaptop);
  EXPECT_EQ(monitor.thermalState(), ThermalState::Nominal);
}

}  // namespace
}  // namespace vigilix::platform
