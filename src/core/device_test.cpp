#include "core/device.h"

#include <gtest/gtest.h>

#include "testing/captured_log.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using PowerSources = std::vector<platform::PowerSourceReading>;
using testing::FakePowerSources;

class DeviceTest : public ::testing::Test {
 protected:
  DeviceTest() {
    observer = platform::NotificationCenter::defaultCenter().addObserver(
        kDZLDeviceParameterDidChangeNotification, nullptr, nullptr,
        [this](const platform::Notification& notification) {
          const auto& parameter = notification.userInfo.at(kDZLDeviceParameterKey);
          posted.push_back(std::get<std::string>(parameter.value));
          EXPECT_EQ(notification.object, device.get());
        });
  }

  testing::TestPlatform platform;
  testing::CapturedLog log;
  std::shared_ptr<DZLDevice> device = DZLDevice::make();
  std::vector<std::string> posted;
  platform::ObserverHandle observer;
};

TEST_F(DeviceTest, TheBatteryMonitorReadsTheFirstPowerSource) {
  struct Row {
    const char* name;
    std::optional<PowerSources> sources;
    bool hasBattery;
    double capacity;
    int state;
  };
  const Row rows[] = {
      {"no power source", PowerSources{}, false, -1.0, 0},
      {"unreadable", std::nullopt, false, -1.0, 0},
      {"the first source is a UPS", PowerSources{{.kind = platform::PowerSourceReading::Kind::ups}},
       false, -1.0, 0},
      {"on battery", PowerSources{FakePowerSources::internalBattery(40, 100, true)}, true, 40, 1},
      {"charging", PowerSources{FakePowerSources::internalBattery(70, 100, false, true)}, true, 70,
       2},
      {"charged", PowerSources{FakePowerSources::internalBattery(100, 100, false, false, true)},
       true, 100, 3},
      {"on mains, neither", PowerSources{FakePowerSources::internalBattery(90, 100, false)}, true,
       90, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform.power.sources.setReadings(row.sources);
    EXPECT_EQ(device->batteryMonitor().hasBattery(), row.hasBattery);
    EXPECT_EQ(device->batteryMonitor().currentCapacity(), row.capacity);
    EXPECT_EQ(device->batteryMonitor().state(), row.state);
  }
}

TEST_F(DeviceTest, BatteryChangesArePostedOnlyWhileMonitoringAMachineWithABattery) {
  platform.power.sources.setReadings(PowerSources{});
  device->setBatteryMonitoringEnabled(true);
  EXPECT_FALSE(device->isBatteryMonitoringEnabled());
  EXPECT_EQ(log.size(), 0u) << "without a battery nothing at all happens";

  const auto battery = [](std::int64_t capacity) {
    return PowerSources{FakePowerSources::internalBattery(capacity, 100, true)};
  };
  platform.power.sources.setReadings(battery(80));
  device->setBatteryMonitoringEnabled(true);
  device->setBatteryMonitoringEnabled(true);
  EXPECT_EQ(platform.power.sources.observerCount(), 1u);
  EXPECT_TRUE(log.contains("Battery Monitoring: YES"));
  platform.power.sources.change(battery(79), "Battery Power");
  platform.runUntilIdle();
  EXPECT_EQ(posted, std::vector<std::string>{kDZLDeviceParameterBattery});
  EXPECT_TRUE(
      log.contains("Device parameter did change: DZLDeviceParameterBattery, "
                   "{\"DZLDeviceParameterKey\": \"DZLDeviceParameterBattery\"}."));

  device->setBatteryMonitoringEnabled(false);
  EXPECT_TRUE(log.contains("Battery Monitoring: NO"));
  platform.power.sources.change(battery(78), "Battery Power");
  platform.runUntilIdle();
  EXPECT_EQ(posted.size(), 1u);
}

TEST_F(DeviceTest, LowPowerModeChangesArePostedOnceWhileMonitored) {
  device->setLowPowerModeMonitoringEnabled(true);
  device->setLowPowerModeMonitoringEnabled(false);
  device->setLowPowerModeMonitoringEnabled(true);
  device->setLowPowerModeMonitoringEnabled(true);
  EXPECT_TRUE(device->isLowPowerModeMonitoringEnabled());
  platform.power.lowPowerMode.setLowPowerModeEnabled(true);
  platform.runUntilIdle();
  EXPECT_EQ(posted, std::vector<std::string>{kDZLDeviceParameterLowPowerMode});
  EXPECT_TRUE(device->lowPowerModeMonitor().isLowPowerModeEnabled());

  device->setLowPowerModeMonitoringEnabled(false);
  platform.power.lowPowerMode.setLowPowerModeEnabled(false);
  platform.runUntilIdle();
  EXPECT_EQ(posted.size(), 1u);
}

}  // namespace
}  // namespace vigilix
